#pragma once
// One test of this test program run again in a child process, for what needs a process of its
// own: a kill or a crash, a second writer, a window that ends the program, an ODBC driver list
// (unixODBC reads it once per process).
//
// The child runs with --gtest_filter=<test> (DISABLED_ tests included, so a test meant only for
// a child can stay out of ordinary runs) and the environment this program was started with, not
// what tests or the code under test changed since (FreeTDS's TDSPORT, a private ODBCINI), plus
// the changes given here. The test learns that it runs as the child through inChildTest().

#include "support/process.h"

#include <gtest/gtest.h>

#include <string>

namespace qc::test {

// "Suite.Name" of the test running now ("" outside a test).
std::string currentTestName();

// True in a child started by startTestInChild() or runTestInChild() for the test running now.
bool inChildTest();

// Starts `test` ("Suite.Name") of this program in a child process; `program` is this program
// under another path (a copy or a link elsewhere).
Process startTestInChild(const std::string& test, const EnvironmentChanges& environment = {},
                         const std::string& program = "/proc/self/exe");

// Runs `test` in a child and waits for it, at most timeoutMs. A child that fails or does not
// end has its output written to this program's stderr, where the test's log shows it.
ProcessResult runTestInChild(const std::string& test, const EnvironmentChanges& environment = {},
                             int timeoutMs = 600000, const std::string& program = "/proc/self/exe");

// Passes when the child ended on its own with exit code 0 and its one test passed (neither
// skipped nor filtered away); otherwise fails with what the child wrote.
::testing::AssertionResult childTestPassed(const ProcessResult& run);

} // namespace qc::test
