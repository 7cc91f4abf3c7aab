#pragma once
// One table of the SQL Server source as the listing names it: its schema and its name. The
// FoxPro table takes the bare name; the source is read under both, so a table that lives only in
// another schema than the login's default, or shares its name with one there, is the table read.

#include <QList>
#include <QSet>
#include <QString>

#include <string>

namespace qc::data {

struct SourceTable {
    QString schema; // empty where the source has no schemas (SQLite, for one)
    QString name;

    // "schema.name" outside the default schema, else the bare name: how the user is told
    // which table is meant, and how `--tables` may name it.
    QString shownName() const;
    // True for the schema an unqualified name resolves in: "dbo" (the default of the logins
    // the program is used with), or none at all.
    bool inDefaultSchema() const;
    // The bare names a listing's default schema holds, taken once (a listing converts to it), so
    // that matching many wanted names against many tables stays linear.
    class DefaultSchemaNames {
      public:
        DefaultSchemaNames(const QList<SourceTable>& all); // NOLINT: a listing stands for its names
        bool contains(const QString& name) const { return names_.contains(name.toLower()); }

      private:
        QSet<QString> names_; // lower case
    };
    // True when the user's `wanted` names this table: "schema.name", or its bare name, which
    // names only the default schema's table where the listing holds one of that name; any
    // letter case.
    bool isNamed(const QString& wanted, const DefaultSchemaNames& defaultNames) const;
    bool operator==(const SourceTable&) const = default;
};

using SourceTables = QList<SourceTable>;

// True for the tables SQL Server and its tools make for themselves in a user database (database
// diagrams, replication's bookkeeping, change data capture): they hold no user data.
bool madeByServer(const SourceTable& table);

// The statement that reads one whole source table: "SELECT * FROM [schema].[name]", or
// "SELECT * FROM [name]" where the source has no schema; every "]" in a name doubled.
std::string selectAllStatement(const SourceTable& table);

} // namespace qc::data
