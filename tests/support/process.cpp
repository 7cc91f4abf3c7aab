#include "support/process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <chrono>

namespace qc::test {

namespace {
long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const EnvironmentChanges& environment)
    : process_(std::make_unique<QProcess>()), program_(program) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) {
        if (value)
            env.insert(QString::fromStdString(name), QString::fromStdString(*value));
        else
            env.remove(QString::fromStdString(name));
    }
    process_->setProcessEnvironment(env);
    QStringList arguments;
    for (const auto& a : args)
        arguments << QString::fromStdString(a);
    startedAtMs_ = nowMs();
    process_->start(QString::fromStdString(program), arguments);
    started_ = process_->waitForStarted(10000);
    if (started_)
        process_->closeWriteChannel();
}

Process::~Process() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished();
    }
}

Process::Process(Process&&) noexcept = default;

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Process gone(std::move(*this));
        process_ = std::move(other.process_);
        program_ = std::move(other.program_);
        output_ = std::move(other.output_);
        started_ = other.started_;
        startedAtMs_ = other.startedAtMs_;
    }
    return *this;
}

bool Process::running() const {
    return process_->state() != QProcess::NotRunning;
}

long long Process::pid() const {
    return process_->processId();
}

const std::string& Process::output(int waitMs) {
    if (process_->bytesAvailable() == 0 && running())
        process_->waitForReadyRead(waitMs);
    output_ += process_->readAllStandardOutput().toStdString();
    return output_;
}

void Process::kill() {
    if (running()) {
        process_->kill();
        process_->waitForFinished();
    }
}

ProcessResult Process::wait(int timeoutMs) {
    ProcessResult result;
    if (!started_) {
        result.errors = "could not start " + program_;
        return result;
    }
    result.finished = process_->waitForFinished(timeoutMs) || !running();
    if (!result.finished) {
        kill();
        result.errors = "timed out after " + std::to_string(timeoutMs) + " ms: " + program_ + "\n";
    }
    result.elapsedMs = nowMs() - startedAtMs_;
    result.output = output_ + process_->readAllStandardOutput().toStdString();
    output_ = result.output;
    result.errors += process_->readAllStandardError().toStdString();
    result.signalled = process_->exitStatus() == QProcess::CrashExit;
    result.exitCode = result.signalled ? -1 : process_->exitCode();
    return result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds,
                         const EnvironmentChanges& environment) {
    return Process(program, args, environment).wait(timeoutSeconds * 1000);
}

} // namespace qc::test
