#pragma once
// Programs the tests run: started with arguments (never through a shell) and changes to the
// environment they inherit, watched while they run, and never left running behind a test.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qc::test {

// Variables set for a program on top of the environment it inherits; nullopt removes one.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

// Where a program's stderr goes: kept for ProcessResult::errors, or straight to this program's
// stderr (for a long-lived helper whose diagnostics nobody reads until it is stopped).
enum class ProcessErrors { Kept, Shown };

struct ProcessResult {
    bool finished = false;  // ended within the time allowed (on its own or by a signal)
    bool signalled = false; // ended by a signal: a crash, or a kill (the time limit's included)
    int exitCode = -1;      // its exit code when it ended on its own, else -1
    long long elapsedMs = 0;
    std::string output; // stdout
    std::string errors; // stderr, after why it could not start or was stopped
};

// A running program; killed with SIGKILL if still running when the object goes. Its stdin reads
// nothing.
class Process {
  public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const EnvironmentChanges& environment = {}, ProcessErrors errors = ProcessErrors::Kept);
    ~Process();
    Process(Process&&) noexcept;
    Process& operator=(Process&&) noexcept;

    // False when the program could not be started (wait() then says why).
    bool started() const { return started_; }
    bool running() const;
    // Its process id while it runs (0 otherwise), for signals and /proc.
    long long pid() const;
    // Its stdout so far; when nothing new has come, first waits up to waitMs for more.
    const std::string& output(int waitMs = 0);
    // Ends it with SIGKILL.
    void kill();
    // Waits for it to end, at most timeoutMs (forever when negative), and kills it after that.
    ProcessResult wait(int timeoutMs);

  private:
    struct Child; // the process id, the pipes and how it ended
    std::unique_ptr<Child> child_;
    std::string program_;
    std::string output_;
    std::string errors_;
    bool started_ = false;
    long long startedAtMs_ = 0;
};

// Runs a program and waits for it, at most timeoutSeconds.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         int timeoutSeconds = 120, const EnvironmentChanges& environment = {});

} // namespace qc::test
