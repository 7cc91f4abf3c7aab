// Whole-conversion speed through the real path: BigTable of the SQL Server stand-in (200,000 rows)
// read through FreeTDS and converted into a new FoxPro folder, against a bare FreeTDS fetch loop
// (SQLFetch and SQLGetData) over the same table in the same run, with the stand-in sending its
// packets at a network's pace. The stand-in keeps the table's encoded rows after the first read
// and sends those: a server on a machine of its own costs the client's processors nothing, while
// the stand-in's Python encoding would take one of the two cores the converter's threads share. The same
// conversion with each row read only after the one before has been written (the rows not read ahead) shows
// what the overlap gains at that pace ("ahead/turns", the median of five rounds that alternate
// which goes first). Then the converter's peak resident size for a small and a large table,
// each measured in a process of its own (this program run again as a child, which reports its own getrusage
// maximum and the peak of its anonymous memory), so neither run's memory hides in the other's.
//
//   bench_convert_tds [--latency-ms N] [--rows N] [--big]
//     --latency-ms N  the stand-in's delay per 4 KiB packet (default 0.2: about 20 MB/s, a link of
//                     100 to 200 Mbit/s)
//     --rows N        rows of the speed comparison (default 200,000)
//     --big           peak sizes for 100,000 and 1,000,000 rows (default 100,000 and 200,000)
//
// The last line is "ratio: X.XX" (conversion / bare read).
#include "data/mssql_source.h"
#include "engine/conversion_run.h"
#include "quiet_run.h"
#include "read_fixture.h"
#include "support/odbc_setup.h"
#include "support/run_inputs.h"
#include "support/tds_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using qc::bench::QuietUi;
using qc::bench::recordCount;
using qc::bench::secondsSince;

// The processor time this process has used so far, all its threads together, in seconds.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Converts BigTable alone into a new folder; the rows per second. `cpu`, when given, gets the
// processor time the conversion took per row, in microseconds.
double convertBigTable(int port, long rows, bool readAhead = true, double* cpu = nullptr) {
    QTemporaryDir target;
    QuietUi ui;
    qc::engine::ConversionRun run(ui);
    run.setTableFilter(QStringList{QStringLiteral("BigTable")});
    run.setReadAhead(readAhead);
    const double cpuBefore = processorSeconds();
    const auto start = std::chrono::steady_clock::now();
    run.run(qc::test::tdsLogin(port), qc::test::folderTarget(target.path().toStdString()), {});
    const double elapsed = secondsSince(start);
    if (cpu)
        *cpu = (processorSeconds() - cpuBefore) * 1e6 / static_cast<double>(rows);
    const long written = recordCount(target.filePath(QStringLiteral("bigtable.dbf")).toStdString());
    if (written != rows)
        throw std::runtime_error("the conversion wrote " + std::to_string(written) + " rows");
    return static_cast<double>(rows) / elapsed;
}

// The child's own memory, from /proc/self/status: "RssAnon" in KiB.
long anonymousKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("RssAnon:", 0) == 0)
            return std::stol(line.substr(8));
    return 0;
}

// The child: converts the fixture's BigTable (served without delay, so the reader is never held
// back by the network) and prints its peak resident size in KiB, then the peak of its anonymous
// part, sampled every 10 ms. The first counts whatever pages of the table files are mapped at the
// time; the second is what the converter itself holds.
int peakChild(const std::string& fixture, long rows) {
    qc::test::TdsServer server(fixture);
    std::atomic<bool> done = false;
    std::atomic<long> anonymousPeak = 0;
    std::thread sampler([&] {
        while (!done) {
            anonymousPeak = std::max(anonymousPeak.load(), anonymousKiB());
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    convertBigTable(server.port(), rows);
    done = true;
    sampler.join();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld %ld\n", usage.ru_maxrss, anonymousPeak.load());
    return 0;
}

struct Peak {
    long total = 0;     // KiB
    long anonymous = 0; // KiB
};

Peak peakKiB(const char* self, long rows) {
    const std::string fixture = qc::test::TdsServer::standardFixture(static_cast<int>(rows));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromLocal8Bit(self),
                {QStringLiteral("--peak-child"), QString::fromStdString(fixture), QString::number(rows)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        throw std::runtime_error("the peak-size run of " + std::to_string(rows) + " rows failed");
    const QStringList figures = QString::fromLocal8Bit(child.readAllStandardOutput()).split(QLatin1Char(' '));
    if (figures.size() != 2)
        throw std::runtime_error("the peak-size run of " + std::to_string(rows) + " rows printed no figures");
    return {figures[0].trimmed().toLong(), figures[1].trimmed().toLong()};
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    // FreeTDS registered as "SQL Server" in a place of our own.
    qc::bench::mapSqlServer(dir.path().toStdString(), qc::test::kFreeTdsDriver);
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 3 && args[0] == "--peak-child")
            return peakChild(args[1], std::stol(args[2]));
        std::string latency = "0.2";
        long rows = 200000;
        long bigRows = 200000;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--latency-ms" && i + 1 < args.size())
                latency = args[++i];
            else if (args[i] == "--rows" && i + 1 < args.size())
                rows = std::stol(args[++i]);
            else if (args[i] == "--big")
                bigRows = 1000000;
            else
                throw std::runtime_error("unknown option " + args[i]);
        }
        double read = 0, convert = 0, inTurns = 0;
        {
            qc::test::TdsServer server(qc::test::TdsServer::standardFixture(static_cast<int>(rows)), 0,
                                       {"--latency-ms", latency, "--cache-results"});
            std::printf("latency: %s ms per packet\n", latency.c_str());
            const std::string source = qc::data::mssqlConnectionString(qc::test::tdsLogin(server.port()));
            // The first read has the stand-in encode the rows, which it then keeps.
            qc::bench::bareOdbcRead(source, "BigTable");
            // Five rounds, the rows read ahead first in one round and in turns first in the next, and
            // the best of each: a machine shared with other work slows whichever happens to run
            // while it is busy. The two ways are compared round by round (the median of the five),
            // as neighbouring runs see the same load.
            std::vector<double> aheadOverTurns;
            // What each way costs the client's processors per row (the least of the five): where
            // the network sets the pace, the stand-in shares the two cores with the converter.
            double leastCpuAhead = 1e9, leastCpuTurns = 1e9;
            for (int round = 0; round < 5; ++round) {
                const auto bare = qc::bench::bareOdbcRead(source, "BigTable");
                if (bare.rows != rows)
                    throw std::runtime_error("the bare read saw " + std::to_string(bare.rows) + " rows");
                read = std::max(read, static_cast<double>(bare.rows) / bare.seconds);
                double ahead = 0, turns = 0, aheadCpu = 0, turnsCpu = 0;
                if (round % 2 == 0) {
                    ahead = convertBigTable(server.port(), rows, true, &aheadCpu);
                    turns = convertBigTable(server.port(), rows, false, &turnsCpu);
                } else {
                    turns = convertBigTable(server.port(), rows, false, &turnsCpu);
                    ahead = convertBigTable(server.port(), rows, true, &aheadCpu);
                }
                leastCpuAhead = std::min(leastCpuAhead, aheadCpu);
                leastCpuTurns = std::min(leastCpuTurns, turnsCpu);
                convert = std::max(convert, ahead);
                inTurns = std::max(inTurns, turns);
                aheadOverTurns.push_back(ahead / turns);
                std::printf("round %d: bare %.0f, ahead %.0f, in turns %.0f rows/s\n", round + 1,
                            static_cast<double>(bare.rows) / bare.seconds, ahead, turns);
            }
            std::nth_element(aheadOverTurns.begin(), aheadOverTurns.begin() + 2, aheadOverTurns.end());
            std::printf("bare FreeTDS read: %.0f rows/s\n", read);
            std::printf("convert, reading and writing in turns: %.0f rows/s (ratio %.2f)\n", inTurns,
                        inTurns / read);
            std::printf("convert: %.0f rows/s\n", convert);
            std::printf("processor time per row: %.2f us reading ahead, %.2f us in turns\n", leastCpuAhead,
                        leastCpuTurns);
            std::printf("ahead/turns: %.2f\n", aheadOverTurns[2]);
        }
        {
            const Peak small = peakKiB(argv[0], 100000);
            const Peak big = peakKiB(argv[0], bigRows);
            std::printf("peak resident size: %ld KiB for 100000 rows, %ld KiB for %ld rows (%.2fx)\n",
                        small.total, big.total, bigRows,
                        static_cast<double>(big.total) / static_cast<double>(small.total));
            std::printf("  of it anonymous (not the table files' mapped pages): %ld KiB, %ld KiB (%.2fx)\n",
                        small.anonymous, big.anonymous,
                        static_cast<double>(big.anonymous) / static_cast<double>(small.anonymous));
            std::printf("ratio: %.2f\n", convert / read);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_convert_tds: %s\n", e.what());
        return 1;
    }
    return 0;
}
