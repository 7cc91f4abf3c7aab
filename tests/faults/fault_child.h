#pragma once
// A child process of this test program that runs FoxPro statements with the embedded engine:
// the way the kill tests and the two-writer tests get a second, real process.

#include "support/process.h"

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
Process startChild(const ChildJob& job);
ChildResult waitChild(Process& child, int timeoutMs = 120000);
ChildResult runChild(const ChildJob& job);

// Whether a started child has printed "finished" yet.
bool childFinished(Process& child);

} // namespace qc::test::faults
