#pragma once
// The list control of the SQL Preview window: a report-style view with one resizable column over
// the SQL line list. Nothing is built per line: rows are drawn from the model when visible. Each
// row has a check box; a click on the box ticks it, a click on the text reports the line.

#include <QAction>
#include <QStyledItemDelegate>
#include <QTableView>

namespace qc::preview::ui {

// Tells whether the last mouse release on a row landed on its check box.
class CheckAwareDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    QRect checkBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    bool lastReleaseOnCheckBox = false;
};

class SqlLineView : public QTableView {
    Q_OBJECT
  public:
    explicit SqlLineView(QWidget* parent = nullptr);
    ~SqlLineView() override;

    void setModel(QAbstractItemModel* model) override;

    // Where a row's check box is drawn, in viewport coordinates.
    QRect checkBoxRect(int row) const;

    // Context-menu actions: a million lines cannot be ticked one by one.
    QAction tickAll;
    QAction untickAll;

  signals:
    // A click on the text of a line (1-based), not on its check box.
    void lineClicked(int line);

  private:
    void showLine(int line);

    CheckAwareDelegate delegate_;
};

} // namespace qc::preview::ui
