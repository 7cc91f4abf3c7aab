#pragma once
// What the SQL Preview window works on: the statements of a run, the type mapping of its columns
// and the FoxPro connection the statements are executed on, and how the user left it.

#include "data/db_access.h"
#include "preview/datatype_rows.h"
#include "preview/sql_line_list.h"

namespace qc::preview {

// How the user left the SQL preview.
enum class PreviewExit {
    Executed,     // every statement ran ("Execute SQL" to the end)
    TableSkipped, // "Skip Table / Do Not Execute SQL"
    WentBack,     // "< Back", or the window was closed
};

// The lists are the run's own, lent to the preview while it is shown. The preview may edit,
// replace and execute the statements and show the mapping, and it empties both lists when it
// closes, however it is left: the run reads neither back, and what it collects next starts from
// empty lists. The preview keeps no reference to either once it has returned.
struct PreviewSession {
    SqlLineList& lines;
    DatatypeRows& datatypeRows;
    // The open FoxPro connection; null counts as a connection that fails every statement.
    data::Connection* target = nullptr;
};

} // namespace qc::preview
