#include "support/process.h"

// posix_spawn rather than QProcess: the sanitizers see a spawn for what it is, while QProcess
// starts programs in a way ThreadSanitizer cannot follow and then reports races that are not there.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>

extern char** environ;

namespace qc::test {

namespace {

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void fail(int error, const char* what) {
    throw std::system_error(error, std::generic_category(), what);
}

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

struct Pipe {
    Fd read;
    Fd write;
};

// Both ends close on exec (the child gets copies on 1 or 2); only our end never blocks, as the
// child's writes must wait for us rather than fail.
Pipe makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        fail(errno, "pipe2");
    Pipe pipe{Fd(fds[0]), Fd(fds[1])};
    if (::fcntl(pipe.read.get(), F_SETFL, O_NONBLOCK) != 0)
        fail(errno, "fcntl");
    return pipe;
}

// Reads what the pipe holds now; closes it at its end.
void readAvailable(Fd& fd, std::string& into) {
    char buffer[65536];
    while (fd) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got > 0)
            into.append(buffer, static_cast<std::size_t>(got));
        else if (got < 0 && errno == EINTR)
            continue;
        else if (got < 0 && errno == EAGAIN)
            return;
        else
            fd.reset();
    }
}

// This program's environment with the changes made: the strings, then the pointers exec wants.
std::vector<std::string> environmentWith(const EnvironmentChanges& changes) {
    std::vector<std::string> all;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string variable(*entry);
        if (!changes.count(variable.substr(0, variable.find('='))))
            all.push_back(std::move(variable));
    }
    for (const auto& [name, value] : changes)
        if (value)
            all.push_back(name + "=" + *value);
    return all;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

struct Process::Child {
    pid_t pid = 0;
    bool ended = false;
    int status = -1; // as waitpid gives it; -1 (neither an exit nor a signal) when it is unknown
    Fd out;
    Fd err;
    Fd endSignal; // a pidfd, readable once it has ended; absent where the kernel has none

    Child(const std::string& program, const std::vector<std::string>& args,
          const EnvironmentChanges& environment, ProcessErrors errors) {
        Pipe outPipe = makePipe();
        Pipe errPipe;
        if (errors == ProcessErrors::Kept)
            errPipe = makePipe();
        SpawnSetup setup;
        posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&setup.actions, outPipe.write.get(), 1);
        if (errPipe.write)
            posix_spawn_file_actions_adddup2(&setup.actions, errPipe.write.get(), 2);
        // It starts as a fresh program would: no signal ignored or blocked because a test did so.
        sigset_t every;
        sigset_t none;
        sigfillset(&every);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&setup.attributes, &every);
        posix_spawnattr_setsigmask(&setup.attributes, &none);
        posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

        std::vector<std::string> argStrings{program};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<std::string> envStrings = environmentWith(environment);
        const auto argv = pointersTo(argStrings);
        const auto envp = pointersTo(envStrings);
        const bool searched = program.find('/') == std::string::npos;
        const int error = (searched ? posix_spawnp : posix_spawn)(
            &pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), envp.data());
        if (error != 0)
            fail(error, "posix_spawn");
        out = std::move(outPipe.read);
        err = std::move(errPipe.read);
        endSignal = Fd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    }

    ~Child() {
        if (!ended) {
            ::kill(pid, SIGKILL);
            reap(true);
        }
    }

    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // True once it has ended; waits for that when `block`. Until it is reaped here its pid stays
    // its own, so a signal sent to pid never reaches another process.
    bool reap(bool block) {
        while (!ended) {
            int got = 0;
            const pid_t reaped = ::waitpid(pid, &got, block ? 0 : WNOHANG);
            if (reaped == pid) {
                status = got;
                ended = true;
            } else if (reaped < 0 && errno != EINTR) {
                ended = true; // not ours to wait for any more: how it ended is unknown
            } else if (reaped == 0) {
                break;
            }
        }
        if (ended)
            endSignal.reset();
        return ended;
    }

    void drain(std::string& output, std::string& errors) {
        readAvailable(out, output);
        readAvailable(err, errors);
    }

    // Waits up to timeoutMs (negative: no limit) for output or its end, then takes what came. Once
    // it has ended, what it wrote is all in the pipes; a program it started may hold them open, so
    // nothing waits for their end.
    void collect(std::string& output, std::string& errors, int timeoutMs) {
        constexpr int kSliceMs = 10; // how often to look for its end without a pidfd
        pollfd fds[3];
        nfds_t count = 0;
        for (const Fd* fd : {&out, &err, &endSignal})
            if (*fd)
                fds[count++] = pollfd{fd->get(), POLLIN, 0};
        if (!endSignal && !ended)
            timeoutMs = timeoutMs < 0 ? kSliceMs : std::min(timeoutMs, kSliceMs);
        if (count > 0)
            ::poll(fds, count, timeoutMs); // an interruption only ends this look early
        else if (timeoutMs > 0)
            ::usleep(static_cast<useconds_t>(timeoutMs) * 1000);
        reap(false);
        drain(output, errors);
    }
};

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const EnvironmentChanges& environment, ProcessErrors errors)
    : program_(program) {
    startedAtMs_ = nowMs();
    try {
        child_ = std::make_unique<Child>(program, args, environment, errors);
        started_ = true;
    } catch (const std::system_error& e) {
        errors_ = e.code().message();
    }
}

Process::~Process() = default;
Process::Process(Process&&) noexcept = default;
Process& Process::operator=(Process&&) noexcept = default;

bool Process::running() const {
    return child_ && !child_->reap(false);
}

long long Process::pid() const {
    return running() ? child_->pid : 0;
}

const std::string& Process::output(int waitMs) {
    if (!child_)
        return output_;
    const std::size_t before = output_.size();
    const long long deadline = nowMs() + waitMs;
    child_->collect(output_, errors_, 0);
    while (output_.size() == before && !child_->ended) {
        const long long remaining = deadline - nowMs();
        if (remaining <= 0)
            break;
        child_->collect(output_, errors_, static_cast<int>(remaining));
    }
    return output_;
}

void Process::kill() {
    if (running()) {
        ::kill(child_->pid, SIGKILL);
        child_->reap(true);
        child_->drain(output_, errors_);
    }
}

ProcessResult Process::wait(int timeoutMs) {
    ProcessResult result;
    if (!started_) {
        result.errors = "could not start " + program_ + ": " + errors_;
        return result;
    }
    const long long deadline = nowMs() + timeoutMs;
    while (!child_->reap(false)) {
        int slice = -1;
        if (timeoutMs >= 0) {
            const long long remaining = deadline - nowMs();
            if (remaining <= 0)
                break;
            slice = static_cast<int>(remaining);
        }
        child_->collect(output_, errors_, slice);
    }
    result.finished = child_->ended;
    if (!result.finished) {
        kill();
        result.errors = "timed out after " + std::to_string(timeoutMs) + " ms: " + program_ + "\n";
    }
    child_->drain(output_, errors_);
    result.elapsedMs = nowMs() - startedAtMs_;
    result.output = output_;
    result.errors += std::exchange(errors_, {});
    result.signalled = WIFSIGNALED(child_->status);
    result.exitCode = WIFEXITED(child_->status) ? WEXITSTATUS(child_->status) : -1;
    return result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds,
                         const EnvironmentChanges& environment) {
    return Process(program, args, environment).wait(timeoutSeconds * 1000);
}

} // namespace qc::test
