#pragma once
// The SQL Server stand-in of tests/tools, started on a free port for a test and stopped
// when the object goes.

#include "support/process.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qc::test {

class TdsServer {
  public:
    // Serves the fixture file (a .sqlite, .json or .py fixture of the stand-in's format); the
    // extra arguments go to the stand-in as they are (for example "--user", "name:password").
    explicit TdsServer(const std::string& fixture, int port = 0,
                       const std::vector<std::string>& extraArgs = {});
    ~TdsServer();

    int port() const { return port_; }
    // "127.0.0.1"
    static std::string host() { return "127.0.0.1"; }

    // The stand-in's standard fixture with `rows` rows in BigTable, built once per process.
    static std::string standardFixture(int rows = 500);
    // Writes a fixture at `out` (a .sqlite file) of the tables named, each with the standard
    // BigTable's columns and its first rows, as many as given.
    static void writeBigRowTables(const std::string& out,
                                  const std::vector<std::pair<std::string, int>>& tables);

  private:
    std::unique_ptr<Process> process_;
    int port_ = 0;
};

} // namespace qc::test
