#include "sqlite_database.h"

#include "support/environment.h"

#include <stdexcept>

namespace qc::test {

SqliteDatabase::SqliteDatabase(const std::string& script) {
    path_ = dir_.filePath(QStringLiteral("source.db")).toStdString();
    run(script);
}

void SqliteDatabase::run(const std::string& script) const {
    const auto result = runProcess("/usr/bin/sqlite3", {path_, script});
    if (result.exitCode != 0)
        throw std::runtime_error("sqlite3 failed: " + result.errors);
}

} // namespace qc::test
