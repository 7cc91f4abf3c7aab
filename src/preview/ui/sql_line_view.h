#pragma once
// The list control of the SQL Preview window: a report-style view with one resizable column over
// the SQL line list. Rows have one height, so every position is computed, not stored: showing a
// million lines costs what showing ten does, and only the visible rows are drawn. Each row has a
// check box; a click on the box ticks it, a click on the text reports the line.

#include <QAbstractItemView>
#include <QAction>
#include <QHeaderView>
#include <QStyledItemDelegate>

namespace qc::preview::ui {

// The mark that stands for a line break (CR LF, LF or a lone CR) where a line is shown on one row.
inline constexpr char16_t kLineBreakMark = u'\u21B5';

// The text with each line break replaced by the mark; for display only.
QString withBreakMarks(const QString& text);

// Tells whether the last mouse release on a row landed on its check box.
class CheckAwareDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    QRect checkBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // A line with breaks is shown whole on its one row, each break as a mark.
    QString displayText(const QVariant& value, const QLocale& locale) const override;

    bool lastReleaseOnCheckBox = false;
};

class SqlLineView : public QAbstractItemView {
    Q_OBJECT
  public:
    explicit SqlLineView(QWidget* parent = nullptr);
    ~SqlLineView() override;

    void setModel(QAbstractItemModel* model) override;

    QHeaderView& header() { return header_; }
    int columnWidth(int column) const { return header_.sectionSize(column); }
    void setColumnWidth(int column, int width) { header_.resizeSection(column, width); }
    int rowHeight() const { return rowHeight_; }

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

    // Where a row's check box is drawn, in viewport coordinates.
    QRect checkBoxRect(int row) const;

    // Context-menu actions: a million lines cannot be ticked one by one.
    QAction tickAll;
    QAction untickAll;

  signals:
    // A click on the text of a line (1-based), not on its check box.
    void lineClicked(int line);

  protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

  private:
    int rows() const;
    int firstVisibleRow() const;
    int visibleRows() const;
    void showLine(int line);

    QHeaderView header_;
    CheckAwareDelegate delegate_;
    int rowHeight_ = 0;
};

} // namespace qc::preview::ui
