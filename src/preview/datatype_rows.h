#pragma once
// The datatype rows: per source column the table, the column, the source type word and the FoxPro
// type word, as the Datatypes Conversion window shows them. Nothing reads them back.

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

namespace qc::preview {

class DatatypeRows : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit DatatypeRows(QObject* parent = nullptr);

    void clear();
    // Adds a row whose first column is the table name.
    void addRow(const QString& table);
    // Sets column 2, 3 or 4 (1-based, as the window numbers them) of the last row.
    void setLastRow(int column, const QString& text);

    int count() const { return static_cast<int>(rows_.size()); }
    // 0-based row, 1-based column.
    const QString& cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    std::vector<std::array<QString, 4>> rows_;
};

} // namespace qc::preview
