#pragma once
// Code of a test program run in a child process of its own, for what needs one: a kill or a
// crash, a second writer, a window that ends the program, an ODBC driver list (unixODBC reads it
// once per process).
//
// What the child runs is a child entry, written like a test body:
//
//     QC_CHILD(WriterThatIsKilled) { ... ASSERT_... }
//     TEST(Kills, ...) { const ProcessResult run = runInChild(WriterThatIsKilled, {...}); ... }
//
// A child entry is no test of its own: an ordinary run neither lists nor skips it. Only in the
// child that startInChild() or runInChild() started for it is it a test, the child's only one,
// so its assertions count as a test's do. The parent names it by its C++ name, so a parent
// cannot start an entry that does not exist. The child runs with the environment this program
// was started with, not what tests or the code under test changed since (FreeTDS's TDSPORT, a
// private ODBCINI), plus the changes given.
//
// A script reaches an entry the same way: QC_CHILD_ENTRY=<name> <program> --gtest_filter=Child.<name>

#include "support/process.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace qc::test {

class ChildEntry {
  public:
    // Made by QC_CHILD_F: registers Body as the test "Child.<name>" when this process is the
    // child started for the entry, and does nothing otherwise.
    template <class Body> static ChildEntry of(const char* name, const char* file, int line) {
        if (startedFor(name))
            // gtest deletes the test object it asked for once the test has run.
            ::testing::RegisterTest("Child", name, nullptr, nullptr, file, line,
                                    []() -> ::testing::Test* { return std::make_unique<Body>().release(); });
        return ChildEntry(name);
    }
    const std::string& name() const { return name_; }

  private:
    explicit ChildEntry(std::string name) : name_(std::move(name)) {}
    static bool startedFor(const char* name);
    std::string name_;
};

// Starts the entry in a child process; `program` is this program under another path (a copy or
// a link elsewhere).
Process startInChild(const ChildEntry& entry, const EnvironmentChanges& environment = {},
                     const std::string& program = "/proc/self/exe");

// Runs the entry in a child and waits for it, at most timeoutMs. A child that fails or does not
// end has its output written to this program's stderr, where the test's log shows it.
ProcessResult runInChild(const ChildEntry& entry, const EnvironmentChanges& environment = {},
                         int timeoutMs = 600000, const std::string& program = "/proc/self/exe");

// Passes when the child ended on its own with exit code 0 and its entry ran and passed;
// otherwise fails with what the child wrote.
::testing::AssertionResult childPassed(const ProcessResult& run);

} // namespace qc::test

// A child entry whose body runs as a test of `fixture`. The fixture's SetUp and TearDown run
// around it in the child.
#define QC_CHILD_F(fixture, entry)                                                                           \
    QC_CHILD_DECLARE(fixture, entry)                                                                         \
    void entry##Body::TestBody()

#define QC_CHILD(entry) QC_CHILD_F(::testing::Test, entry)

// The entry without its body, for helpers that wrap an entry in a test of their own; the body
// follows as `void <entry>Body::TestBody() { ... }`.
#define QC_CHILD_DECLARE(fixture, entry)                                                                     \
    namespace {                                                                                              \
    class entry##Body : public fixture {                                                                     \
        void TestBody() override;                                                                            \
    };                                                                                                       \
    const ::qc::test::ChildEntry entry =                                                                     \
        ::qc::test::ChildEntry::of<entry##Body>(#entry, __FILE__, __LINE__);                                 \
    }
