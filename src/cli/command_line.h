#pragma once
// The command-line face of the program: `marravex convert ...` and `marravex execute ...` run
// without a display, through the same conversion run and engine as the window.

namespace qc::cli {

enum ExitStatus { kAllLanded = 0, kSomeRefused = 1, kCouldNotStart = 2, kInterrupted = 130 };

// True when the arguments ask for the command line rather than the window.
bool wantsCommandLine(int argc, char** argv);

// Runs the command under a QCoreApplication of its own and returns the exit status.
int runCommandLine(int argc, char** argv);

} // namespace qc::cli
