#include "data/list_model.h"

namespace qc::data {

void appendToList(QStringListModel& list, const QString& entry) {
    const int row = list.rowCount();
    list.insertRows(row, 1);
    list.setData(list.index(row), entry);
}

} // namespace qc::data
