#pragma once
// Programs the tests run: started with arguments (never through a shell) and changes to the
// environment they inherit, watched while they run, and never left running behind a test.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QProcess;

namespace qc::test {

// Variables set for a program on top of the environment it inherits; nullopt removes one.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

struct ProcessResult {
    bool finished = false;  // ended within the time allowed (on its own or by a signal)
    bool signalled = false; // ended by a signal: a crash, or a kill (the time limit's included)
    int exitCode = -1;      // its exit code when it ended on its own, else -1
    long long elapsedMs = 0;
    std::string output; // stdout
    std::string errors; // stderr, after why it could not start or was stopped
};

// A running program; killed with SIGKILL if still running when the object goes.
class Process {
  public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const EnvironmentChanges& environment = {});
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
    // Waits for it to end, at most timeoutMs, and kills it after that.
    ProcessResult wait(int timeoutMs);

  private:
    std::unique_ptr<QProcess> process_;
    std::string program_;
    std::string output_;
    bool started_ = false;
    long long startedAtMs_ = 0;
};

// Runs a program and waits for it, at most timeoutSeconds.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         int timeoutSeconds = 120, const EnvironmentChanges& environment = {});

} // namespace qc::test
