#include "preview/sql_line_list.h"

#include <stdexcept>

namespace qc::preview {

SqlLineList::SqlLineList(QObject* parent) : QAbstractListModel(parent) {}

void SqlLineList::clear() {
    beginResetModel();
    lines_.clear();
    lines_.shrink_to_fit();
    checked_.clear();
    checked_.shrink_to_fit();
    selected_ = 0;
    endResetModel();
}

void SqlLineList::append(std::string text) {
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    lines_.push_back(std::move(text));
    checked_.push_back(0);
    endInsertRows();
}

std::size_t SqlLineList::slot(int line) const {
    if (line < 1 || line > count())
        throw std::out_of_range("Line " + std::to_string(line) + " is not in the list of " +
                                std::to_string(count()) + " lines.");
    return static_cast<std::size_t>(line - 1);
}

const std::string& SqlLineList::text(int line) const {
    return lines_[slot(line)];
}

void SqlLineList::setText(int line, std::string text) {
    lines_[slot(line)] = std::move(text);
    // A caller changing many lines blocks the signals and announces the whole span once.
    if (signalsBlocked())
        return;
    const QModelIndex changed = index(line - 1);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void SqlLineList::replaceText(int line, std::size_t offset, std::size_t count, std::string_view with) {
    lines_[slot(line)].replace(offset, count, with);
    if (signalsBlocked())
        return;
    const QModelIndex changed = index(line - 1);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

bool SqlLineList::checked(int line) const {
    return checked_[slot(line)] != 0;
}

void SqlLineList::setChecked(int line, bool checked) {
    checked_[slot(line)] = checked ? 1 : 0;
    const QModelIndex changed = index(line - 1);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

void SqlLineList::setAllChecked(bool checked) {
    std::fill(checked_.begin(), checked_.end(), checked ? 1 : 0);
    if (!lines_.empty())
        emit dataChanged(index(0), index(count() - 1), {Qt::CheckStateRole});
}

void SqlLineList::select(int line) {
    slot(line);
    selected_ = line;
    emit lineSelected(line);
}

int SqlLineList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant SqlLineList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(lines_[row]);
    case Qt::CheckStateRole:
        return checked_[row] ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool SqlLineList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= count())
        return false;
    if (role == Qt::CheckStateRole) {
        setChecked(index.row() + 1, value.toInt() == Qt::Checked);
        return true;
    }
    return false;
}

Qt::ItemFlags SqlLineList::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

QVariant SqlLineList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("SQL Preview");
    return {};
}

} // namespace qc::preview
