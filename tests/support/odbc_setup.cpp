#include "support/odbc_setup.h"

#include <fstream>

namespace qc::test {

void writeOdbcSetup(const std::string& folder, const std::string& sqlServerDriver) {
    std::ofstream(folder + "/odbcinst.ini") << "[SQL Server]\nDriver=" << sqlServerDriver << "\n"
                                            << "[SQLite3]\nDriver=" << kSqliteDriver << "\n";
    std::ofstream(folder + "/odbc.ini");
}

} // namespace qc::test
