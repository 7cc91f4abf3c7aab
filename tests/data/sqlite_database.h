#pragma once
// A SQLite database file built by the sqlite3 command-line tool, for tests that read it through
// the SQLite ODBC driver.

#include <QTemporaryDir>

#include <string>

namespace qc::test {

class SqliteDatabase {
  public:
    // Runs the SQL script on a new database file in a temporary folder.
    explicit SqliteDatabase(const std::string& script);

    const std::string& path() const { return path_; }
    // "Driver={SQLite3};Database=PATH;"
    std::string connectionString() const { return "Driver={SQLite3};Database=" + path_ + ";"; }
    // Runs more SQL on the file.
    void run(const std::string& script) const;

  private:
    QTemporaryDir dir_;
    std::string path_;
};

} // namespace qc::test
