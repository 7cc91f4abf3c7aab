#pragma once
// Lookups in the run's lists of table names.

#include <QString>
#include <QStringList>

namespace qc::engine {

// True when an entry equals the name once both are lower-cased.
bool containsCaseless(const QStringList& tables, const QString& name);

// Removes the entries that equal the name exactly (case-sensitive). After a removal the walk goes
// on with the next index, so an entry that moved into the freed place is not looked at.
void removeExact(QStringList& tables, const QString& name);

} // namespace qc::engine
