#pragma once
// The source table of the read and conversion benchmarks, and the bare ODBC loop that reading it
// through the access layer is measured against.

#include <string>

namespace qc::bench {

inline constexpr int kReadRows = 200000;

// Writes a SQLite database at `path` holding table "Big" with `rows` rows of 8 mixed columns:
// integer, text with non-ASCII letters, numeric, double, timestamp, bit, text with a NULL in
// every 7th row, smallint. Throws when the sqlite3 tool fails.
void buildReadTable(const std::string& path, int rows = kReadRows);

// "Driver={SQLite3};Database=PATH;"
std::string sqliteConnectionString(const std::string& path);

struct BareRead {
    long rows = 0;
    double seconds = 0;
    // Touches every value read, so nothing can be skipped.
    unsigned long long checksum = 0;
};

// Reads the whole table with nothing but SQLFetch and SQLGetData (text as SQL_C_WCHAR, numbers
// and timestamps in their binary C types), as a program without any layer of its own would.
BareRead bareOdbcRead(const std::string& connectionString, const std::string& table);

} // namespace qc::bench
