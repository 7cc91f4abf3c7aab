#pragma once
// The SQL line list: the ordered, 1-based list of statements a preview run collects, with a check
// mark per line and at most one selected line. It is the item model the preview window shows;
// lines are kept as UTF-8 and turned into display text only when a view asks for a row.

#include <QAbstractListModel>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qc::preview {

class SqlLineList : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit SqlLineList(QObject* parent = nullptr);

    void clear();
    void append(std::string text);
    int count() const { return static_cast<int>(lines_.size()); }

    // 1-based; an index outside 1..count throws std::out_of_range.
    const std::string& text(int line) const;
    void setText(int line, std::string text);
    // Replaces `count` bytes from byte `offset` of the line's text, in place.
    void replaceText(int line, std::size_t offset, std::size_t count, std::string_view with);

    bool checked(int line) const;
    void setChecked(int line, bool checked);
    void setAllChecked(bool checked);

    // 0 when no line is selected.
    int selectedLine() const { return selected_; }
    // Makes the line the selected one; views showing the list scroll it into view.
    void select(int line);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  signals:
    void lineSelected(int line);

  private:
    std::size_t slot(int line) const;

    std::vector<std::string> lines_;
    std::vector<std::uint8_t> checked_;
    int selected_ = 0;
};

} // namespace qc::preview
