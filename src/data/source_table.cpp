#include "data/source_table.h"

#include <QSet>

namespace qc::data {

namespace {

const QString kDefaultSchema = QStringLiteral("dbo");

void appendBracketed(std::string& statement, const QString& name) {
    statement += '[';
    for (char c : name.toStdString()) {
        statement.push_back(c);
        if (c == ']')
            statement.push_back(']');
    }
    statement += ']';
}

} // namespace

QString SourceTable::shownName() const {
    return inDefaultSchema() ? name : schema + QLatin1Char('.') + name;
}

bool SourceTable::inDefaultSchema() const {
    return schema.isEmpty() || schema.compare(kDefaultSchema, Qt::CaseInsensitive) == 0;
}

SourceTable::DefaultSchemaNames::DefaultSchemaNames(const QList<SourceTable>& all) {
    for (const SourceTable& table : all)
        if (table.inDefaultSchema())
            names_.insert(table.name.toLower());
}

bool SourceTable::isNamed(const QString& wanted, const DefaultSchemaNames& defaultNames) const {
    if (!schema.isEmpty() && wanted.compare(schema + QLatin1Char('.') + name, Qt::CaseInsensitive) == 0)
        return true;
    if (wanted.compare(name, Qt::CaseInsensitive) != 0)
        return false;
    // The bare name is the one the default schema's table is read by.
    return inDefaultSchema() || !defaultNames.contains(name);
}

bool madeByServer(const SourceTable& table) {
    // Database diagrams (sysdiagrams, and dtproperties before SQL Server 2005), the tables
    // transactional and merge replication keep in a published or subscribing database, and the
    // change tables of change data capture, which all live in the schema "cdc".
    static const QSet<QString> names{
        QStringLiteral("sysdiagrams"),
        QStringLiteral("dtproperties"),
        QStringLiteral("sysarticles"),
        QStringLiteral("sysarticlecolumns"),
        QStringLiteral("sysarticleupdates"),
        QStringLiteral("syspublications"),
        QStringLiteral("sysschemaarticles"),
        QStringLiteral("syssubscriptions"),
        QStringLiteral("systranschemas"),
        QStringLiteral("sysreplservers"),
        QStringLiteral("sysmergearticles"),
        QStringLiteral("sysmergepublications"),
        QStringLiteral("sysmergesubscriptions"),
        QStringLiteral("sysmergeschemaarticles"),
        QStringLiteral("sysmergeschemachange"),
        QStringLiteral("sysmergesubsetfilters"),
        QStringLiteral("sysmergepartitioninfo"),
        QStringLiteral("mspeer_lsns"),
        QStringLiteral("mspub_identity_range"),
        QStringLiteral("msreplication_objects"),
        QStringLiteral("msreplication_subscriptions"),
        QStringLiteral("mssubscription_agents"),
        QStringLiteral("msmerge_contents"),
        QStringLiteral("msmerge_tombstone"),
        QStringLiteral("msmerge_genhistory"),
        QStringLiteral("msmerge_replinfo"),
    };
    return table.schema.compare(QStringLiteral("cdc"), Qt::CaseInsensitive) == 0 ||
           names.contains(table.name.toLower());
}

std::string selectAllStatement(const SourceTable& table) {
    std::string statement = "SELECT * FROM ";
    if (!table.schema.isEmpty()) {
        appendBracketed(statement, table.schema);
        statement += '.';
    }
    appendBracketed(statement, table.name);
    return statement;
}

} // namespace qc::data
