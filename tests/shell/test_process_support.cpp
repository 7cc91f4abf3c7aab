// The tests' own way of running programs: what they see of a child must not depend on how much it
// writes, what it leaves running, or how it ends.

#include "support/process.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <string>

using qc::test::Process;
using qc::test::runProcess;

TEST(ProcessSupport, OutputAndErrorsBeyondAPipeBufferComeApartWithTheExitCode) {
    const auto result = runProcess(
        "/bin/sh",
        {"-c", "head -c 300000 /dev/zero | tr '\\0' o; head -c 300000 /dev/zero | tr '\\0' e >&2; exit 3"},
        60);
    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.signalled);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, std::string(300000, 'o'));
    EXPECT_EQ(result.errors, std::string(300000, 'e'));
}

TEST(ProcessSupport, EnvironmentChangesSetAndRemoveAndTheProgramIsFoundOnThePath) {
    const auto result = runProcess("env", {}, 60, {{"QC_PROCESS_SET", "yes"}, {"HOME", std::nullopt}});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.output.find("QC_PROCESS_SET=yes\n"), std::string::npos);
    EXPECT_EQ(("\n" + result.output).find("\nHOME="), std::string::npos);
    EXPECT_NE(result.output.find("PATH="), std::string::npos);
}

TEST(ProcessSupport, AMissingProgramDoesNotStartAndSaysSo) {
    Process missing("/nonexistent/program", {});
    EXPECT_FALSE(missing.started());
    EXPECT_FALSE(missing.running());
    EXPECT_EQ(missing.pid(), 0);
    const auto result = missing.wait(1000);
    EXPECT_FALSE(result.finished);
    EXPECT_NE(result.errors.find("could not start /nonexistent/program"), std::string::npos) << result.errors;
}

TEST(ProcessSupport, TheTimeLimitKillsAndIsReported) {
    const auto result = Process("/bin/sleep", {"30"}).wait(200);
    EXPECT_FALSE(result.finished);
    EXPECT_TRUE(result.signalled);
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.errors.rfind("timed out after 200 ms", 0), 0u) << result.errors;
    EXPECT_LT(result.elapsedMs, 10000);
}

TEST(ProcessSupport, OutputWaitsForWhatComesAndAKillEndsItBySignal) {
    Process child("/bin/sh", {"-c", "sleep 0.2; echo one; exec sleep 30"});
    ASSERT_TRUE(child.started());
    EXPECT_GT(child.pid(), 0);
    EXPECT_EQ(child.output(10000), "one\n");
    EXPECT_TRUE(child.running());
    child.kill();
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.pid(), 0);
    const auto result = child.wait(1000);
    EXPECT_TRUE(result.finished);
    EXPECT_TRUE(result.signalled);
    EXPECT_EQ(result.output, "one\n");
}

// A program it starts in the background keeps the pipes open; the wait ends with the child.
TEST(ProcessSupport, AGrandchildHoldingTheOutputDoesNotHoldTheWait) {
    const auto result = runProcess("/bin/sh", {"-c", "sleep 30 & echo $!"}, 60);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_LT(result.elapsedMs, 10000);
    const int grandchild = std::stoi(result.output);
    ASSERT_GT(grandchild, 0);
    ::kill(grandchild, SIGKILL);
}
