#pragma once
// Where the tests find their tools, fixtures and the built program, and small process helpers.

#include <string>
#include <vector>

namespace qc::test {

// The folder holding tools/ (stand-in, dumpers) and fixtures/ (FoxPro-made files): tests/ of the
// source tree unless QC_TEST_FILES_DIR says otherwise.
std::string testFilesDir();
// The folder of the built program (QC_BIN_DIR).
std::string binDir();

struct ProcessResult {
    int exitCode = -1;
    std::string output; // stdout
    std::string errors; // stderr
};
// Runs a program with arguments (no shell) and waits for it, at most timeoutSeconds.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds = 120);

// Runs Debian's /usr/bin/python3 with the arguments.
ProcessResult runPython(const std::vector<std::string>& args, int timeoutSeconds = 120);

} // namespace qc::test
