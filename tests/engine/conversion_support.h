#pragma once
// Helpers of the end-to-end conversion tests: FoxPro tables read back with the independent
// dumper, SQLite source databases, and running one test in a child process whose ODBC set-up
// maps the driver name "SQL Server" to the SQLite driver.

#include "engine/conversion_run.h"
#include "support/child_process.h"

#include <QStringList>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qc::test {

// One table as vfpdump.py decodes it. A cell is nullopt for NULL; numbers as printed; texts
// decoded; date-times as "yyyy-mm-dd hh:mm:ss.mmm"; memo and blob cells as their first bytes.
struct DumpedTable {
    std::vector<std::string> fields; // upper-case names, _NullFlags included
    std::map<std::string, char> types;
    std::vector<std::map<std::string, std::optional<std::string>>> records;
    std::map<std::string, std::vector<long>> memoLengths; // per memo field, per record
};
DumpedTable dumpTable(const std::string& dbfPath);

// Creates a SQLite database file by running the SQL script with Python's sqlite3.
void makeSqliteDatabase(const std::string& path, const std::string& script);

// Sends statements to a FoxPro folder through the engine's provider.
void executeOnFoxPro(const std::string& folder, const std::vector<std::string>& statements);

// Runs the entry in a child process whose ODBC set-up maps the driver name "SQL Server" to the
// SQLite driver, and checks that it passed. unixODBC reads its driver list once per process, so
// the mapping needs a process of its own.
void runWithSqliteAsSqlServer(const ChildEntry& entry);

// The names the run listed, as the user is shown them, in the listing's order.
QStringList listedNames(const engine::ConversionRun& run);

} // namespace qc::test

// A test whose body runs through runWithSqliteAsSqlServer().
#define QC_SQLITE_TEST(suite, name)                                                                          \
    QC_CHILD_DECLARE(::testing::Test, suite##name)                                                           \
    TEST(suite, name) {                                                                                      \
        ::qc::test::runWithSqliteAsSqlServer(suite##name);                                                   \
    }                                                                                                        \
    void suite##name##Body::TestBody()
