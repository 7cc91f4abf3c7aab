// Verification speed: the convert benchmark's 200,000-row table from the SQLite ODBC driver,
// converted once into a folder of free tables, then compared with its source by TableCheck,
// against what reading both sides costs at the least: the bare ODBC loop over the source plus a
// bare sequential read of the table's DBF file and its memo file. Rounds take turns and each
// side's median counts. The last line is "ratio: X.XX" (bare reading / verification); a verdict
// other than a clean Same fails the run.
#include "data/db_access.h"
#include "data/mssql_source.h"
#include "data/source_table.h"
#include "engine/conversion_run.h"
#include "quiet_run.h"
#include "read_fixture.h"
#include "shell/locale.h"
#include "support/odbc_setup.h"
#include "support/run_inputs.h"
#include "verify/table_check.h"
#include "verify/table_verdict.h"
#include "verify/verify_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using qc::bench::QuietUi;
using qc::bench::secondsSince;

constexpr int kRows = qc::bench::kReadRows;
constexpr int kRounds = 5;
// Large enough that the read costs one system call per many records, as a reader that only
// streams a file would do it.
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

const char* outcomeName(qc::verify::TableVerdict::Outcome outcome) {
    using Outcome = qc::verify::TableVerdict::Outcome;
    switch (outcome) {
    case Outcome::Same:
        return "Same";
    case Outcome::Differs:
        return "Differs";
    case Outcome::StructureDiffers:
        return "StructureDiffers";
    case Outcome::Missing:
        return "Missing";
    case Outcome::LinkBroken:
        return "LinkBroken";
    case Outcome::NotConverted:
        return "NotConverted";
    case Outcome::SourceUnreadable:
        return "SourceUnreadable";
    }
    return "?";
}

struct TableRead {
    long live = 0; // records not marked deleted
    double dbfSeconds = 0;
    double fptSeconds = 0;
    std::uintmax_t dbfBytes = 0;
    std::uintmax_t fptBytes = 0;
};

// Every record of the DBF file visited in blocks read straight from it; only each record's
// deletion flag is looked at, so nothing is decoded and nothing can be skipped.
void readRecords(const std::filesystem::path& dbf, TableRead& result) {
    const auto start = std::chrono::steady_clock::now();
    std::ifstream in(dbf, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + dbf.string());
    unsigned char header[12] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        throw std::runtime_error("cannot read the header of " + dbf.string());
    const std::uint32_t count = header[4] | header[5] << 8 | header[6] << 16 | std::uint32_t{header[7]} << 24;
    const std::size_t headerBytes = header[8] | header[9] << 8;
    const std::size_t recordBytes = header[10] | header[11] << 8;
    if (recordBytes == 0)
        throw std::runtime_error(dbf.string() + " gives records of no length");
    in.seekg(static_cast<std::streamoff>(headerBytes));

    const std::size_t perBlock = std::max<std::size_t>(1, kBlockBytes / recordBytes);
    std::vector<char> block(perBlock * recordBytes);
    for (std::uint32_t done = 0; done < count;) {
        const std::size_t records = std::min<std::size_t>(perBlock, count - done);
        if (!in.read(block.data(), static_cast<std::streamsize>(records * recordBytes)))
            throw std::runtime_error(dbf.string() + " ends before its last record");
        for (std::size_t r = 0; r < records; ++r)
            result.live += block[r * recordBytes] != '*';
        done += static_cast<std::uint32_t>(records);
    }
    result.dbfSeconds = secondsSince(start);
    result.dbfBytes = std::filesystem::file_size(dbf);
}

// The memo file read whole in the same blocks: the check reads every memo value, so the least
// reading of the table holds them too.
void readMemoFile(const std::filesystem::path& fpt, TableRead& result) {
    const auto start = std::chrono::steady_clock::now();
    std::ifstream in(fpt, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + fpt.string());
    std::vector<char> block(kBlockBytes);
    std::uintmax_t read = 0;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
        read += static_cast<std::uintmax_t>(in.gcount());
    result.fptSeconds = secondsSince(start);
    result.fptBytes = std::filesystem::file_size(fpt);
    if (read != result.fptBytes)
        throw std::runtime_error(fpt.string() + " read as " + std::to_string(read) + " bytes");
}

TableRead bareTableRead(const std::filesystem::path& dbf) {
    TableRead result;
    readRecords(dbf, result);
    if (auto fpt = std::filesystem::path(dbf).replace_extension(".fpt"); std::filesystem::exists(fpt))
        readMemoFile(fpt, result);
    return result;
}

// Processor time of all the program's threads so far: beside the time on the clock, it shows how
// much of the check's work its threads do at once.
double processorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Timed {
    double seconds = 0;
    double processor = 0;
};

void convertOnce(const std::string& source, const std::string& target, const qc::Locale& locale) {
    QDir().mkpath(QString::fromStdString(target));
    QuietUi ui;
    qc::engine::ConversionRun run(ui, locale);
    run.run(qc::test::sqliteLogin(source), qc::test::folderTarget(target), qc::engine::PreviewChoice::Off);
    const long written = qc::bench::recordCount(target + "/big.dbf");
    if (written != kRows)
        throw std::runtime_error("the conversion wrote " + std::to_string(written) + " rows");
}

// The whole check of the one table, from opening its source query to the verdict. The source's
// connection is opened before the clock starts, as the bare loop's is, and set up as the verify
// command sets up its own: letting events through is what has its rows read ahead on a thread.
Timed timeCheck(const std::string& source, const std::filesystem::path& dbf, const qc::Locale& locale) {
    QuietUi ui;
    qc::data::Connection connection;
    connection.setCommandTimeout(qc::verify::VerifyRequest{}.sourceTimeout);
    qc::data::letEventsThroughWhileOpening(connection, ui);
    connection.open(qc::bench::sqliteConnectionString(source));
    qc::verify::TableCheck check(connection, ui, locale, {});
    qc::verify::TableVerdict verdict;
    verdict.table = qc::data::SourceTable{QString(), QStringLiteral("Big")};
    const double processorBefore = processorSeconds();
    const auto start = std::chrono::steady_clock::now();
    check.check(verdict, dbf, {});
    const Timed timed{secondsSince(start), processorSeconds() - processorBefore};
    if (!verdict.clean() || verdict.sourceRows != kRows || verdict.records != kRows)
        throw std::runtime_error(std::string("the verdict is ") + outcomeName(verdict.outcome) + " (" +
                                 verdict.problem.toStdString() + "), " + std::to_string(verdict.sourceRows) +
                                 " source rows, " + std::to_string(verdict.records) + " records, " +
                                 std::to_string(verdict.notConvertible) + " not convertible, " +
                                 std::to_string(verdict.differences) + " differences");
    return timed;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    // The conversion reaches its source through the driver name "SQL Server"; here that name
    // leads to the SQLite driver.
    qc::bench::mapSqlServer(dir.path().toStdString(), qc::test::kSqliteDriver);
    QCoreApplication app(argc, argv);
    try {
        const std::string source = dir.filePath(QStringLiteral("source.db")).toStdString();
        qc::bench::buildReadTable(source);
        const std::string target = dir.filePath(QStringLiteral("target")).toStdString();
        // The conversion's locale is the check's: its separators and code page are those the
        // check expects the records to be written in.
        const qc::Locale locale = qc::Locale::fromSystem();
        convertOnce(source, target, locale);
        const std::filesystem::path dbf = target + "/big.dbf";

        // Rounds taking turns, and the median of each side: on a machine shared with other work
        // a figure swings with whatever else runs, and taking turns lets both sides meet it alike.
        std::vector<double> bareTimes, odbcTimes, fileTimes, verifyTimes, bareProcessor, verifyProcessor;
        TableRead file;
        for (int round = 0; round < kRounds; ++round) {
            const double processorBefore = processorSeconds();
            const auto odbc = qc::bench::bareOdbcRead(qc::bench::sqliteConnectionString(source), "Big");
            if (odbc.rows != kRows)
                throw std::runtime_error("the bare read saw " + std::to_string(odbc.rows) + " rows");
            file = bareTableRead(dbf);
            // Beside the reads this holds the loop's connecting, which its own clock leaves out.
            bareProcessor.push_back(processorSeconds() - processorBefore);
            if (file.live != kRows)
                throw std::runtime_error("the bare DBF read saw " + std::to_string(file.live) + " records");
            const double fileSeconds = file.dbfSeconds + file.fptSeconds;
            odbcTimes.push_back(odbc.seconds);
            fileTimes.push_back(fileSeconds);
            bareTimes.push_back(odbc.seconds + fileSeconds);
            const Timed verified = timeCheck(source, dbf, locale);
            verifyTimes.push_back(verified.seconds);
            verifyProcessor.push_back(verified.processor);
            std::printf("round %d: bare %.3f s (ODBC %.3f s + DBF %.3f s + FPT %.3f s), verify %.3f s; "
                        "processor time: bare %.3f s, verify %.3f s\n",
                        round + 1, bareTimes.back(), odbc.seconds, file.dbfSeconds, file.fptSeconds,
                        verified.seconds, bareProcessor.back(), verified.processor);
        }
        const double bare = median(bareTimes);
        const double verify = median(verifyTimes);
        std::printf("table files: DBF %.1f MB, FPT %.1f MB\n", file.dbfBytes / 1e6, file.fptBytes / 1e6);
        std::printf("median of %d rounds:\n", kRounds);
        std::printf("bare read: %.3f s, %.0f rows/s (ODBC loop %.3f s, table files %.3f s)\n", bare,
                    kRows / bare, median(odbcTimes), median(fileTimes));
        std::printf("verify: %.3f s, %.0f rows/s, verdict Same\n", verify, kRows / verify);
        std::printf("processor time, all threads: bare %.3f s, verify %.3f s\n", median(bareProcessor),
                    median(verifyProcessor));
        std::printf("ratio: %.2f\n", bare / verify);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_verify: %s\n", e.what());
        return 1;
    }
    return 0;
}
