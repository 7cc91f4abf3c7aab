#pragma once
// The command-line face of the program: `marravex convert ...` and `marravex execute ...` run
// without a display, through the same conversion run and engine as the window.

namespace qc::cli {

inline constexpr int kAllLanded = 0;
inline constexpr int kSomeRefused = 1;
inline constexpr int kCouldNotStart = 2;
inline constexpr int kInterrupted = 130;

// True when the arguments ask for the command line rather than the window.
bool wantsCommandLine(int argc, char** argv);

// Runs the command under a QCoreApplication of its own and returns the exit status.
int runCommandLine(int argc, char** argv);

} // namespace qc::cli
