#pragma once
// The replace action of the Find and Replace window (what its "Replace" button does, short of
// closing the window): the first caseless occurrence of the find text in every line of the SQL
// line list is replaced by the replacement exactly as typed.

#include "preview/sql_line_list.h"
#include "shell/ui_port.h"

#include <QString>

namespace qc::preview {

// Runs the action through the window's port and error trap. Returns true when the window is to
// close (false only for an empty list, after "No SQL to run."). An empty find text changes
// nothing. Views of the list get one change notice for the span of changed lines at the end.
bool replaceInAllLines(SqlLineList& lines, const QString& find, const QString& replacement, UiPort& ui);

} // namespace qc::preview
