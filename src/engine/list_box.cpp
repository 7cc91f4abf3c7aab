#include "engine/list_box.h"

namespace qc::engine {

bool IsInListBox(const QStringListModel& list, const QString& text) {
    const QString wanted = text.toLower();
    bool found = false;
    for (const QString& entry : list.stringList())
        if (entry.toLower() == wanted)
            found = true;
    return found;
}

void RemoveFromListBox(QStringListModel& list, const QString& text) {
    const int count = list.rowCount();
    for (int i = 0; i < count; ++i) {
        if (i >= list.rowCount())
            break;
        if (list.data(list.index(i), Qt::DisplayRole).toString() == text)
            list.removeRows(i, 1);
    }
}

} // namespace qc::engine
