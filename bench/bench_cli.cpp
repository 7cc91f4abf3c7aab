// The command line's cost: one 200,000-row table of 8 mixed columns from the SQLite ODBC driver
// converted by the conversion run inside this process, and by `marravex convert` as a separate
// program, off a terminal and then under a pseudo-terminal (`script -qc`), where the progress
// line is redrawn in place. Prints the time of each and the redraws a second; the last line is
// "ratio: X.XX", in-process time over the slower command-line time.
#include "engine/conversion_run.h"
#include "quiet_run.h"
#include "read_fixture.h"
#include "support/marravex_command.h"
#include "support/odbc_setup.h"
#include "support/run_inputs.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace {

using qc::bench::QuietUi;
using qc::bench::recordCount;
using qc::bench::secondsSince;

constexpr int kRows = qc::bench::kReadRows;
constexpr int kRounds = 2;

class Targets {
  public:
    explicit Targets(const QTemporaryDir& dir) : dir_(dir) {}
    std::string next() {
        const QString path = dir_.filePath(QStringLiteral("target%1").arg(++count_));
        QDir().mkpath(path);
        return path.toStdString();
    }

  private:
    const QTemporaryDir& dir_;
    int count_ = 0;
};

void checkRows(const std::string& target) {
    const long written = recordCount(target + "/big.dbf");
    if (written != kRows)
        throw std::runtime_error("the conversion wrote " + std::to_string(written) + " rows");
}

double inProcess(const std::string& source, const std::string& target) {
    QuietUi ui;
    qc::engine::ConversionRun run(ui);
    const auto start = std::chrono::steady_clock::now();
    run.run(qc::test::sqliteLogin(source), qc::test::folderTarget(target), qc::engine::PreviewChoice());
    const double elapsed = secondsSince(start);
    checkRows(target);
    return elapsed;
}

std::string quoted(const std::string& word) {
    std::string out = "'";
    for (const char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct CommandRun {
    double seconds = 0;
    long redraws = 0;
};

// The whole program, start to end, as a scheduled job would run it.
CommandRun commandLine(const std::string& source, const std::string& target, bool pty) {
    const std::string program = qc::test::marravex();
    std::vector<std::string> args{"convert",    "--server", "localhost", "--port", "1433",
                                  "--database", source,     "--user",    "user",   "--to",
                                  target,       "--tables", "Big"};
    const qc::test::EnvironmentChanges env = qc::test::headless("secret");
    if (pty) {
        std::string command = quoted(program);
        for (const auto& arg : args) {
            command += ' ';
            command += quoted(arg);
        }
        args = {"-qec", command, "/dev/null"};
    }
    const auto start = std::chrono::steady_clock::now();
    const auto result = qc::test::runProcess(pty ? "/usr/bin/script" : program, args, 600, env);
    CommandRun run{secondsSince(start)};
    if (result.exitCode != 0)
        throw std::runtime_error("marravex convert ended with " + std::to_string(result.exitCode) + ": " +
                                 result.errors + result.output);
    checkRows(target);
    // Each drawing of the progress line ends by erasing the rest of the line.
    for (std::size_t at = 0; (at = result.output.find("\x1b[K", at)) != std::string::npos; at += 3)
        ++run.redraws;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    // The run reaches its source through the driver name "SQL Server"; here that name leads to
    // the SQLite driver, for this process and the programs it starts.
    qc::bench::mapSqlServer(dir.path().toStdString(), qc::test::kSqliteDriver);
    QCoreApplication app(argc, argv);
    try {
        const std::string source = dir.filePath(QStringLiteral("source.db")).toStdString();
        qc::bench::buildReadTable(source);
        Targets targets(dir);
        // Best of a few rounds each, interleaved, so a busy moment of the machine hits all alike.
        double process = 1e9, command = 1e9, pty = 1e9;
        long redraws = 0;
        for (int round = 0; round < kRounds; ++round) {
            process = std::min(process, inProcess(source, targets.next()));
            command = std::min(command, commandLine(source, targets.next(), false).seconds);
            const CommandRun onPty = commandLine(source, targets.next(), true);
            if (onPty.seconds < pty) {
                pty = onPty.seconds;
                redraws = onPty.redraws;
            }
        }
        std::printf("in-process conversion: %.2f s (%.0f rows/s)\n", process, kRows / process);
        std::printf("command line, off a terminal: %.2f s (%.0f rows/s), ratio %.2f\n", command,
                    kRows / command, process / command);
        std::printf(
            "command line, on a pseudo-terminal: %.2f s (%.0f rows/s), ratio %.2f, %ld redraws (%.1f a "
            "second)\n",
            pty, kRows / pty, process / pty, redraws, redraws / pty);
        std::printf("ratio: %.2f\n", process / std::max(command, pty));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_cli: %s\n", e.what());
        return 1;
    }
    return 0;
}
