#pragma once
// The FoxPro target: the connection strings for the folder or container target, the check that
// it can be opened and the listing of its tables.

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
};

// The target as the check and the listing open it: the container with ";Collating
// Sequence=machine;", or the folder with ";Collating Sequence=general;".
std::string foxproConnectionString(const FoxProTarget& target);

// The target as a conversion run opens it: either form, ending ";Collating Sequence=machine;".
std::string foxproRunConnectionString(const FoxProTarget& target);

// True when the target opens now. Reports only a failure to create the connection; why the
// target did not open goes to `reason` when given.
bool IsValidFoxProConnection(const FoxProTarget& target, UiPort& ui, QString* reason = nullptr);

// Replaces the list's entries by the target's tables; failures are reported under the
// procedure's own name, and the entries read until then stay.
void listTargetTables(const FoxProTarget& target, QStringList& tables, UiPort& ui);

// The code page the window's runs give new tables and containers: the stored choice (settings key
// CodePage) when the engine can write it, else the language's.
int chosenCodePage();

class Connection;
// Shows what the engine put right on its own in the target (a table set free from a container
// that did not hold it) in one message, so the user learns it once and nothing is changed in
// silence. Shows nothing when there is nothing to tell.
void tellEngineNotices(Connection& target, UiPort& ui);

} // namespace qc::data
