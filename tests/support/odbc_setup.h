#pragma once
// An ODBC set-up of a test's own, for ODBCSYSINI: the driver name "SQL Server" the program
// connects through leads to the driver a test wants (the SQLite driver, or FreeTDS), and "SQLite3"
// to the SQLite driver. unixODBC reads it once per process, before the first connection.

#include <string>

namespace qc::test {

inline constexpr const char* kSqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
inline constexpr const char* kFreeTdsDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

// Writes odbcinst.ini and an empty odbc.ini into `folder`.
void writeOdbcSetup(const std::string& folder, const std::string& sqlServerDriver);

} // namespace qc::test
