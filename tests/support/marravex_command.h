#pragma once
// Running the built `marravex` on its command line against the SQL Server stand-in, with no
// display in its environment, and comparing the tables it writes.

#include "support/process.h"
#include "support/tds_server.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qc::test {

inline const std::string kPassword = "Test#Pass1";

// The environment of a run without a desktop, with the password in MARRAVEX_PASSWORD unless
// `password` is empty.
EnvironmentChanges headless(const std::string& password = kPassword);

struct CliRun {
    explicit CliRun(int rows = 500) : server(TdsServer::standardFixture(rows)) {}

    TdsServer server;
    QTemporaryDir dir;

    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // The login options for the stand-in.
    std::vector<std::string> login() const;
    // `marravex convert <login> <args>`.
    ProcessResult convert(const std::vector<std::string>& args,
                          const EnvironmentChanges& env = headless()) const;
    Process startConvert(const std::vector<std::string>& args,
                         const EnvironmentChanges& env = headless()) const;
    // `marravex convert <login> <args>` on a pseudo-terminal, which is given `typed` as the
    // user's keys (printf's escapes: "y\\n").
    ProcessResult convertOnTerminal(const std::vector<std::string>& args,
                                    const std::string& typed = "") const;
};

std::string marravex();
ProcessResult runMarravex(const std::vector<std::string>& args, const EnvironmentChanges& env = headless());

// Every file of folder `a` has the same bytes in `b` and the other way round, but for the date
// of last update in a table's header (bytes 1 to 3 of a .dbf). Failures name the file.
::testing::AssertionResult sameTables(const std::string& a, const std::string& b);

} // namespace qc::test
