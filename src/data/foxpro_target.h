#pragma once
// The FoxPro target: the folder or container the user chose, the check that it can be opened and
// the listing of its tables.

#include "shell/ui_port.h"
#include <QString>
#include <QStringList>

#include <string>

namespace qc::data {

// Where the tables go: the folder of free tables or the database container, whichever the user
// chose last. Both paths are kept, so choosing the other kind again finds its path unchanged.
struct FoxProTarget {
    QString folder;
    QString container;
    bool containerChosen = true;

    // The container's path or the folder's, whichever is chosen.
    const QString& chosenPath() const { return containerChosen ? container : folder; }
};

class Connection;
// Opens the FoxPro engine on the chosen target.
void openTarget(Connection& connection, const FoxProTarget& target);

// True when the target opens now. Reports only a failure to create the connection; why the
// target did not open goes to `reason` when given.
bool isValidFoxProConnection(const FoxProTarget& target, UiPort& ui, QString* reason = nullptr);

// Replaces the list's entries by the target's tables; failures are reported under the
// procedure's own name, and the entries read until then stay.
void listTargetTables(const FoxProTarget& target, QStringList& tables, UiPort& ui);

// Shows what the engine put right on its own in the target (a table set free from a container
// that did not hold it) in one message, so the user learns it once and nothing is changed in
// silence. Shows nothing when there is nothing to tell.
void tellEngineNotices(Connection& target, UiPort& ui);

} // namespace qc::data
