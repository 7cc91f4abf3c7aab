#pragma once
// Where the tests find their tools, fixtures and the built program, and Debian's Python.

#include "support/process.h"

#include <string>
#include <vector>

namespace qc::test {

// The folder holding tools/ (stand-in, dumpers) and fixtures/ (FoxPro-made files): tests/ of the
// source tree unless QC_TEST_FILES_DIR says otherwise.
std::string testFilesDir();
// The folder of the built program (QC_BIN_DIR).
std::string binDir();

// Runs Debian's /usr/bin/python3 with the arguments.
ProcessResult runPython(const std::vector<std::string>& args, int timeoutSeconds = 120,
                        const EnvironmentChanges& environment = {});

} // namespace qc::test
