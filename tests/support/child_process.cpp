#include "support/child_process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

extern char** environ;

namespace qc::test {

namespace {

constexpr const char* kChildTest = "QC_CHILD_TEST";

std::map<std::string, std::string> environmentNow() {
    std::map<std::string, std::string> all;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals)
            all.emplace(std::string(*entry, static_cast<std::size_t>(equals - *entry)),
                        std::string(equals + 1));
    }
    return all;
}

// Taken while static objects are made, before main() and any test can change the environment.
const std::map<std::string, std::string> kStartEnvironment = environmentNow();

// What turns the environment of now back into the one this program was started with.
EnvironmentChanges backToStart() {
    EnvironmentChanges changes;
    const auto now = environmentNow();
    for (const auto& [name, value] : now) {
        const auto atStart = kStartEnvironment.find(name);
        if (atStart == kStartEnvironment.end())
            changes[name] = std::nullopt;
        else if (atStart->second != value)
            changes[name] = atStart->second;
    }
    for (const auto& [name, value] : kStartEnvironment)
        if (!now.count(name))
            changes[name] = value;
    return changes;
}

} // namespace

std::string currentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string();
}

bool inChildTest() {
    const char* child = std::getenv(kChildTest);
    const std::string test = currentTestName();
    return child && !test.empty() && test == child;
}

Process startTestInChild(const std::string& test, const EnvironmentChanges& environment,
                         const std::string& program) {
    EnvironmentChanges changes = backToStart();
    for (const auto& [name, value] : environment)
        changes[name] = value;
    changes[kChildTest] = test;
    return Process(program, {"--gtest_filter=" + test, "--gtest_also_run_disabled_tests"}, changes);
}

ProcessResult runTestInChild(const std::string& test, const EnvironmentChanges& environment, int timeoutMs,
                             const std::string& program) {
    ProcessResult run = startTestInChild(test, environment, program).wait(timeoutMs);
    if (!run.finished || run.exitCode != 0)
        std::fprintf(stderr, "--- child %s ---\n%s%s--- end of child %s ---\n", test.c_str(),
                     run.output.c_str(), run.errors.c_str(), test.c_str());
    return run;
}

::testing::AssertionResult childTestPassed(const ProcessResult& run) {
    if (run.finished && run.exitCode == 0 && run.output.find("[  PASSED  ] 1 test.") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << (run.finished ? "" : "did not end; ") << "exit code " << run.exitCode << "\n"
           << run.output << run.errors;
}

} // namespace qc::test
