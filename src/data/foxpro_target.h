#pragma once
// The FoxPro target: the connection strings for the folder or container target, the check that
// it can be opened and the listing of its tables.

#include "app/ui_port.h"
#include "data/form1_fields.h"

#include <QStringListModel>

#include <string>

namespace qc::data {

// The target as the check and the listing open it: the container with ";Collating
// Sequence=machine;", or the folder with ";Collating Sequence=general;".
std::string foxproConnectionString(const Form1Fields& fields);

// The target as a conversion run opens it: either form, ending ";Collating Sequence=machine;".
std::string foxproRunConnectionString(const Form1Fields& fields);

// True when the target opens now. Reports only a failure to create the connection; why the
// target did not open goes to `reason` when given.
bool IsValidFoxProConnection(const Form1Fields& fields, UiPort& ui, QString* reason = nullptr);

// Replaces the list's entries by the target's tables; failures are reported under the
// procedure's own name.
void AddTablesToFoxproListbox(const Form1Fields& fields, QStringListModel& list, UiPort& ui);

class Connection;
// Shows what the engine put right on its own in the target (a table set free from a container
// that did not hold it) in one message, so the user learns it once and nothing is changed in
// silence. Shows nothing when there is nothing to tell.
void tellEngineNotices(Connection& target, UiPort& ui);

} // namespace qc::data
