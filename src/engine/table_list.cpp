#include "engine/table_list.h"

namespace qc::engine {

bool containsCaseless(const QStringList& tables, const QString& name) {
    const QString wanted = name.toLower();
    for (const QString& entry : tables)
        if (entry.toLower() == wanted)
            return true;
    return false;
}

void removeExact(QStringList& tables, const QString& name) {
    const qsizetype count = tables.size();
    for (qsizetype i = 0; i < count && i < tables.size(); ++i)
        if (tables[i] == name)
            tables.removeAt(i);
}

} // namespace qc::engine
