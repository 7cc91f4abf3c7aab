#pragma once
// Lookups in the main window's hidden table lists.

#include <QString>
#include <QStringListModel>

namespace qc::engine {

// True when an entry equals the text once both are lower-cased.
bool IsInListBox(const QStringListModel& list, const QString& text);

// Removes the entries that equal the text exactly (case-sensitive). After a removal the walk goes
// on with the next index, so an entry that moved into the freed place is not looked at.
void RemoveFromListBox(QStringListModel& list, const QString& text);

} // namespace qc::engine
