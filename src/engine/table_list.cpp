#include "engine/table_list.h"

#include <QHash>

#include <algorithm>

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

std::vector<std::pair<int, QString>> conversionOrder(const data::SourceTables& tables,
                                                     const std::optional<QStringList>& filter) {
    std::vector<std::pair<int, QString>> order;
    QHash<QString, QString> owner;
    const data::SourceTable::DefaultSchemaNames defaultNames(tables);
    for (auto index = static_cast<int>(tables.size()) - 1; index >= 0; --index) { // [154]
        const data::SourceTable& table = tables[index];
        if (filter && std::none_of(filter->begin(), filter->end(), [&](const QString& wanted) {
                return table.isNamed(wanted, defaultNames);
            }))
            continue;
        order.emplace_back(index, QString());
        const QString key = table.name.toLower();
        if (table.inDefaultSchema() || !owner.contains(key))
            owner.insert(key, table.schema);
    }
    for (auto& [index, takenBy] : order) {
        const QString& schema = owner.value(tables[index].name.toLower());
        if (schema != tables[index].schema)
            takenBy = schema;
    }
    return order;
}

} // namespace qc::engine
