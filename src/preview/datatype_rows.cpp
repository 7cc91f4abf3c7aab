#include "preview/datatype_rows.h"

#include <stdexcept>

namespace qc::preview {

DatatypeRows::DatatypeRows(QObject* parent) : QAbstractTableModel(parent) {}

void DatatypeRows::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void DatatypeRows::addRow(const QString& table) {
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back({table, QString(), QString(), QString()});
    endInsertRows();
}

void DatatypeRows::setLastRow(int column, const QString& text) {
    if (rows_.empty() || column < 1 || column > 4)
        throw std::out_of_range("There is no datatype row to set.");
    rows_.back()[static_cast<std::size_t>(column - 1)] = text;
    const QModelIndex changed = index(count() - 1, column - 1);
    emit dataChanged(changed, changed);
}

const QString& DatatypeRows::cell(int row, int column) const {
    return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column - 1));
}

int DatatypeRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int DatatypeRows::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant DatatypeRows::data(const QModelIndex& index, int role) const {
    // No hint of its own: the list's hint shows over every cell.
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return rows_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
}

QVariant DatatypeRows::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const headers[] = {"MS SQL Server Table", "MS SQL Server Table Field",
                                          "MS SQL Server Field Datatype", "New FoxPro Datatype"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3)
        return {};
    return QString::fromLatin1(headers[section]);
}

} // namespace qc::preview
