// Tables side by side over a slow link: 8 tables of 25,000 rows each, served by the SQL Server
// stand-in with 1 ms before each packet (a WAN link) and read through FreeTDS, converted by
// `marravex convert` with --jobs 4 and with --jobs 1, taking turns, best of the rounds of each.
// The stand-in keeps each table's encoded rows after the first read (--cache-results) and a first
// conversion reads every table before timing, so its Python costs the converter's two cores next
// to nothing. Then the same without the latency, where the two cores bound what jobs gain, and
// the peak resident size of the program with 4 jobs against 1.
//
//   bench_jobs [--rounds N]
//
// The last line is "ratio: X.XX" (time with 1 job / time with 4 jobs, with the latency).
#include "quiet_run.h"
#include "support/environment.h"
#include "support/marravex_command.h"
#include "support/odbc_setup.h"
#include "support/tds_server.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using qc::bench::recordCount;
using qc::bench::secondsSince;

constexpr int kTables = 8;
constexpr int kRowsPerTable = 25000;

// A SQLite fixture of the stand-in: tables J1 to J8 with BigTable's columns and rows.
std::string writeFixture(const std::string& folder) {
    const std::string out = folder + "/jobs.sqlite";
    std::vector<std::pair<std::string, int>> tables;
    for (int t = 1; t <= kTables; ++t)
        tables.emplace_back("J" + std::to_string(t), kRowsPerTable);
    qc::test::TdsServer::writeBigRowTables(out, tables);
    return out;
}

struct Converted {
    double seconds = 0;
    long peakKiB = 0; // the program's peak resident size
};

// `marravex convert --jobs N` of every table into a new folder, as its own process, whose peak
// resident size the system counts for it alone.
Converted convert(int port, int jobs, const std::string& scratch) {
    static int count = 0;
    const std::string target = scratch + "/target" + std::to_string(++count);
    const std::string errors = target + ".errors";
    if (mkdir(target.c_str(), 0700) != 0)
        throw std::runtime_error("cannot make " + target);
    const std::string program = qc::test::marravex();
    std::vector<std::string> args{program,      "convert",
                                  "--server",   qc::test::TdsServer::host(),
                                  "--port",     std::to_string(port),
                                  "--database", "TestDB",
                                  "--user",     "testuser",
                                  "--to",       target,
                                  "--jobs",     std::to_string(jobs)};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        throw std::runtime_error("lost " + program);
    Converted run{secondsSince(start), usage.ru_maxrss};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("marravex convert --jobs " + std::to_string(jobs) + " failed; see " +
                                 errors);
    for (int t = 1; t <= kTables; ++t) {
        const std::string dbf = target + "/j" + std::to_string(t) + ".dbf";
        if (recordCount(dbf) != kRowsPerTable)
            throw std::runtime_error("the conversion wrote " + std::to_string(recordCount(dbf)) +
                                     " rows into " + dbf);
    }
    return run;
}

struct Comparison {
    Converted one;  // best of the rounds with 1 job
    Converted four; // with 4 jobs
};

// Best of `rounds` each, the two taking turns at going first, so a busy moment hits both alike.
Comparison compare(int port, int rounds, const std::string& scratch) {
    Comparison best{{1e9, 0}, {1e9, 0}};
    const auto keep = [](Converted& best, const Converted& run) {
        best.seconds = std::min(best.seconds, run.seconds);
        best.peakKiB = std::max(best.peakKiB, run.peakKiB);
    };
    convert(port, 4, scratch); // the stand-in encodes and keeps every table's rows
    for (int round = 0; round < rounds; ++round) {
        const bool oneFirst = round % 2 == 0;
        const Converted first = convert(port, oneFirst ? 1 : 4, scratch);
        const Converted second = convert(port, oneFirst ? 4 : 1, scratch);
        keep(best.one, oneFirst ? first : second);
        keep(best.four, oneFirst ? second : first);
        std::printf("  round %d: 1 job %.3f s, 4 jobs %.3f s\n", round + 1,
                    (oneFirst ? first : second).seconds, (oneFirst ? second : first).seconds);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    // FreeTDS registered as "SQL Server" in a place of our own, for the programs started here.
    qc::bench::mapSqlServer(dir.path().toStdString(), qc::test::kFreeTdsDriver);
    setenv("MARRAVEX_PASSWORD", qc::test::kPassword.c_str(), 1);
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const int rounds = qc::bench::roundsOption(args, 3);
        const std::string scratch = dir.path().toStdString();
        const std::string fixture = writeFixture(scratch);
        const double rows = static_cast<double>(kTables) * kRowsPerTable;

        std::printf("%d tables of %d rows, no latency:\n", kTables, kRowsPerTable);
        Comparison near;
        {
            qc::test::TdsServer server(fixture, 0, {"--cache-results"});
            near = compare(server.port(), rounds, scratch);
        }
        std::printf("%d tables of %d rows, 1 ms per packet:\n", kTables, kRowsPerTable);
        Comparison far;
        {
            qc::test::TdsServer server(fixture, 0, {"--cache-results", "--latency-ms", "1"});
            far = compare(server.port(), rounds, scratch);
        }
        std::printf(
            "no latency: 1 job %.3f s (%.0f rows/s), 4 jobs %.3f s (%.0f rows/s), 1 job / 4 jobs %.2f\n",
            near.one.seconds, rows / near.one.seconds, near.four.seconds, rows / near.four.seconds,
            near.one.seconds / near.four.seconds);
        std::printf("1 ms per packet: 1 job %.3f s (%.0f rows/s), 4 jobs %.3f s (%.0f rows/s)\n",
                    far.one.seconds, rows / far.one.seconds, far.four.seconds, rows / far.four.seconds);
        const long peakOne = std::max(near.one.peakKiB, far.one.peakKiB);
        const long peakFour = std::max(near.four.peakKiB, far.four.peakKiB);
        std::printf("peak resident size: 1 job %.1f MiB, 4 jobs %.1f MiB, 4 jobs / 1 job %.2fx\n",
                    peakOne / 1024.0, peakFour / 1024.0,
                    static_cast<double>(peakFour) / static_cast<double>(peakOne));
        std::printf("ratio: %.2f\n", far.one.seconds / far.four.seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_jobs: %s\n", e.what());
        return 1;
    }
    return 0;
}
