#pragma once
// Lookups in the run's lists of table names.

#include "data/source_table.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace qc::engine {

// True when an entry equals the name once both are lower-cased.
bool containsCaseless(const QStringList& tables, const QString& name);

// Removes the entries that equal the name exactly (case-sensitive). After a removal the walk goes
// on with the next index, so an entry that moved into the freed place is not looked at.
void removeExact(QStringList& tables, const QString& name);

// The tables a run converts, as indexes into the listing, from its last entry back to its first,
// only those `filter` names when given; each with the schema of the table that takes its FoxPro
// name when that is another one (the default schema's wherever it comes in the order, else the
// first), which leaves it unconverted.
std::vector<std::pair<int, QString>> conversionOrder(const data::SourceTables& tables,
                                                     const std::optional<QStringList>& filter);

} // namespace qc::engine
