#pragma once
// What the SQL Preview window works on: the statements of a run, the type mapping of its columns
// and the FoxPro connection the statements are executed on.

#include "data/db_access.h"
#include "preview/datatype_rows.h"
#include "preview/sql_line_list.h"

namespace qc::preview {

struct PreviewSession {
    SqlLineList& lines;
    DatatypeRows& datatypeRows;
    // The open FoxPro connection; null counts as a connection that fails every statement.
    data::Connection* target = nullptr;
};

} // namespace qc::preview
