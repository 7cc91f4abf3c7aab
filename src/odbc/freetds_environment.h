#pragma once
// FreeTDS has no default port of its own: a server named without "," port reaches 1433 only
// through the TDSPORT variable, which on the other hand overrides a named instance's lookup.

#include <string_view>

namespace qc::odbc {

// Sets TDSPORT=1433 when the string's server names neither a port (",") nor an instance ("\"),
// and clears it otherwise; leaves TDSPORT alone when the user's own environment set it.
void prepareFreeTdsPort(std::string_view connectionString);

} // namespace qc::odbc
