#pragma once
// A child process of this test program that runs FoxPro statements with the embedded engine:
// the way the kill tests and the two-writer tests get a second, real process.

#include <QProcess>

#include <memory>
#include <string>
#include <vector>

namespace qc::test::faults {

struct ChildJob {
    std::string target;                  // a folder or a .dbc
    std::vector<std::string> setup;      // run first, never killed
    std::vector<std::string> statements; // run with the kill shim armed (when killAt > 0)
    long killAt = 0;                     // the file-changing call to die at; 0: none
    // Two-writer runs: wait for this file before the statements, and for `endFile` after them
    // with the connection still open.
    std::string goFile;
    std::string endFile;
    // Where the statements go when too many for the environment: a file the caller owns.
    std::string statementsFile;
};

struct ChildResult {
    bool killed = false; // ended by SIGKILL
    int exitCode = -1;
    std::vector<std::string> lines; // "ok" or "error: ..." per statement, then "finished"
    std::string output;
};

// Starts the child; waitChild() collects it.
std::unique_ptr<QProcess> startChild(const ChildJob& job);
// `seen`: what childFinished() has read of its output already.
ChildResult waitChild(QProcess& child, const std::string& seen = {}, int timeoutMs = 120000);
ChildResult runChild(const ChildJob& job);

// Whether a started child has printed "finished" yet (reads what it has written so far).
bool childFinished(QProcess& child, std::string& seen);

} // namespace qc::test::faults
