#pragma once
// A source table's primary key as the ODBC driver reports it (SQLPrimaryKeys), so that rows of the
// source and of the table converted from it can be matched by key.

#include "data/db_access.h"
#include "data/source_table.h"

#include <string>
#include <vector>

namespace qc::data {

// The names (UTF-8) of the columns of the table's primary key, in the key's order (KEY_SEQ), which
// need not be the columns' order in the table. Empty when the table has no primary key, and also
// when the connection is not an open ODBC one or the driver cannot answer: a caller without a key
// compares the rows some other way, so a driver's failure here is not one of the caller.
std::vector<std::string> primaryKeyColumns(Connection& connection, const SourceTable& table);

} // namespace qc::data
