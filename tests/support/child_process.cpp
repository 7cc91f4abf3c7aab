#include "support/child_process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

extern char** environ;

namespace qc::test {

namespace {

// Names the entry a child was started for; read while static objects are made.
constexpr const char* kChildEntry = "QC_CHILD_ENTRY";

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

bool ChildEntry::startedFor(const char* name) {
    const char* child = std::getenv(kChildEntry);
    return child && std::strcmp(child, name) == 0;
}

Process startInChild(const ChildEntry& entry, const EnvironmentChanges& environment,
                     const std::string& program) {
    EnvironmentChanges changes = backToStart();
    for (const auto& [name, value] : environment)
        changes[name] = value;
    changes[kChildEntry] = entry.name();
    return Process(program, {"--gtest_filter=Child." + entry.name()}, changes);
}

ProcessResult runInChild(const ChildEntry& entry, const EnvironmentChanges& environment, int timeoutMs,
                         const std::string& program) {
    ProcessResult run = startInChild(entry, environment, program).wait(timeoutMs);
    // A child whose entry never started would end with 0 as well: its exit code would prove nothing.
    if (run.output.find("[ RUN      ] Child." + entry.name()) == std::string::npos)
        ADD_FAILURE() << "the child did not start " << entry.name();
    if (!run.finished || run.exitCode != 0)
        std::fprintf(stderr, "--- child %s ---\n%s%s--- end of child %s ---\n", entry.name().c_str(),
                     run.output.c_str(), run.errors.c_str(), entry.name().c_str());
    return run;
}

::testing::AssertionResult childPassed(const ProcessResult& run) {
    if (run.finished && run.exitCode == 0 && run.output.find("[  PASSED  ] 1 test.") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << (run.finished ? "" : "did not end; ") << "exit code " << run.exitCode << "\n"
           << run.output << run.errors;
}

} // namespace qc::test
