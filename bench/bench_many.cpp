// What a table costs beyond its rows: 200 tables of 1,000 rows each, served by the SQL Server
// stand-in and read through FreeTDS, converted into a new FoxPro folder by the real conversion run,
// against a bare FreeTDS fetch loop (SQLFetch and SQLGetData) over the same 200 tables; and one
// table of the same 200,000 rows converted alone, whose time the many tables would take if a table
// cost nothing but its rows. The stand-in keeps each table's encoded rows after the first read
// (--cache-results) and every table is read once before timing, so its Python costs the converter's
// two cores next to nothing. Five rounds, the three runs taking turns, and the median of each.
//
//   bench_many [--rounds N]
//
// The per-table cost is (the 200 tables' conversion - the one table's conversion) / 200. The bare
// loop's time leaves out its logins (one per table); the conversion's includes its one login.
// The last line is "ratio: X.XX" (bare read / conversion of the 200 tables).
#include "data/mssql_source.h"
#include "engine/conversion_run.h"
#include "quiet_run.h"
#include "read_fixture.h"
#include "support/environment.h"
#include "support/odbc_setup.h"
#include "support/run_inputs.h"
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

namespace {

using qc::bench::QuietUi;
using qc::bench::recordCount;
using qc::bench::secondsSince;

constexpr int kTables = 200;
constexpr int kRowsPerTable = 1000;
constexpr long kBigRows = static_cast<long>(kTables) * kRowsPerTable;

std::string tableName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "T%03d", number);
    return name;
}

// A SQLite fixture of the stand-in: tables T001 to T200 of 1,000 rows and BigTable of 200,000,
// all with BigTable's columns and rows of the standard fixture.
std::string writeFixture(const std::string& folder) {
    const std::string out = folder + "/many.sqlite";
    std::vector<std::pair<std::string, int>> tables;
    for (int t = 1; t <= kTables; ++t)
        tables.emplace_back(tableName(t), kRowsPerTable);
    tables.emplace_back("BigTable", static_cast<int>(kBigRows));
    qc::test::TdsServer::writeBigRowTables(out, tables);
    return out;
}

// Converts the tables named into a new folder; the seconds it took.
double convert(int port, const QStringList& tables, long rowsEach) {
    QTemporaryDir target;
    QuietUi ui;
    qc::engine::ConversionRun run(ui);
    run.setTableFilter(tables);
    const auto start = std::chrono::steady_clock::now();
    run.run(qc::test::tdsLogin(port), qc::test::folderTarget(target.path().toStdString()), {});
    const double elapsed = secondsSince(start);
    for (const auto& table : tables) {
        const std::string dbf = target.filePath(table.toLower() + QStringLiteral(".dbf")).toStdString();
        if (recordCount(dbf) != rowsEach)
            throw std::runtime_error("the conversion wrote " + std::to_string(recordCount(dbf)) +
                                     " rows into " + dbf);
    }
    return elapsed;
}

// The bare loop's seconds over the tables named, without its logins.
double bareRead(const std::string& source, const QStringList& tables, long rowsEach) {
    double seconds = 0;
    for (const auto& table : tables) {
        const auto read = qc::bench::bareOdbcRead(source, table.toStdString());
        if (read.rows != rowsEach)
            throw std::runtime_error("the bare read saw " + std::to_string(read.rows) + " rows");
        seconds += read.seconds;
    }
    return seconds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printLoad() {
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("load average: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    // FreeTDS registered as "SQL Server" in a place of our own.
    qc::bench::mapSqlServer(dir.path().toStdString(), qc::test::kFreeTdsDriver);
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const int rounds = qc::bench::roundsOption(args, 5);
        QStringList many;
        for (int t = 1; t <= kTables; ++t)
            many << QString::fromStdString(tableName(t));
        const QStringList big{QStringLiteral("BigTable")};

        qc::test::TdsServer server(writeFixture(dir.path().toStdString()), 0, {"--cache-results"});
        const std::string source = qc::data::mssqlConnectionString(qc::test::tdsLogin(server.port()));
        // The first read has the stand-in encode each table's rows, which it then keeps.
        bareRead(source, many, kRowsPerTable);
        bareRead(source, big, kBigRows);
        printLoad();

        std::vector<double> bare, converted, alone;
        for (int round = 0; round < rounds; ++round) {
            bare.push_back(bareRead(source, many, kRowsPerTable));
            converted.push_back(convert(server.port(), many, kRowsPerTable));
            alone.push_back(convert(server.port(), big, kBigRows));
            std::printf("round %d: bare %.3f s, %d tables %.3f s, one table %.3f s\n", round + 1, bare.back(),
                        kTables, converted.back(), alone.back());
        }
        printLoad();
        const double bareTime = median(bare);
        const double manyTime = median(converted);
        const double aloneTime = median(alone);
        std::printf("bare read of %d tables of %d rows: %.3f s (median of %d)\n", kTables, kRowsPerTable,
                    bareTime, rounds);
        std::printf("conversion of %d tables of %d rows: %.3f s\n", kTables, kRowsPerTable, manyTime);
        std::printf("conversion of one table of %ld rows: %.3f s\n", kBigRows, aloneTime);
        std::printf("per-table cost: %.2f ms\n", (manyTime - aloneTime) / kTables * 1000.0);
        std::printf("ratio: %.2f\n", bareTime / manyTime);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_many: %s\n", e.what());
        return 1;
    }
    return 0;
}
