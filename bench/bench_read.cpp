// Whole-table read speed: rows per second through the access layer's Recordset against a bare
// SQLFetch/SQLGetData loop over the same 200,000-row SQLite table in the same run. The last line
// is "ratio: X.XX" (Recordset / bare loop).
#include "data/db_access.h"
#include "read_fixture.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace {

struct RecordsetRead {
    long rows = 0;
    double seconds = 0;
    unsigned long long checksum = 0;
};

RecordsetRead recordsetRead(const std::string& connectionString) {
    qc::data::Connection connection;
    connection.open(connectionString);
    qc::data::Recordset rs;
    RecordsetRead result;
    const auto start = std::chrono::steady_clock::now();
    rs.open("SELECT * FROM [Big]", connection);
    const int fields = rs.fieldCount();
    while (!rs.eof()) {
        ++result.rows;
        for (int i = 0; i < fields; ++i)
            result.checksum += rs.fieldValue(i).index();
        rs.moveNext();
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rs.close();
    connection.close();
    return result;
}

} // namespace

int main() {
    try {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("read.db")).toStdString();
        qc::bench::buildReadTable(path);
        const std::string connectionString = qc::bench::sqliteConnectionString(path);
        double bare = 0, ours = 0;
        // Alternate which of the two goes first, so both see the same machine load and heap
        // state; keep each one's best run.
        for (int round = 0; round < 6; ++round) {
            qc::bench::BareRead b;
            RecordsetRead r;
            if (round % 2 == 0) {
                b = qc::bench::bareOdbcRead(connectionString, "Big");
                r = recordsetRead(connectionString);
            } else {
                r = recordsetRead(connectionString);
                b = qc::bench::bareOdbcRead(connectionString, "Big");
            }
            if (b.rows != qc::bench::kReadRows || r.rows != qc::bench::kReadRows)
                throw std::runtime_error("a read saw the wrong number of rows");
            bare = std::max(bare, b.rows / b.seconds);
            ours = std::max(ours, r.rows / r.seconds);
        }
        std::printf("bare ODBC loop: %.0f rows/s\n", bare);
        std::printf("Recordset:      %.0f rows/s\n", ours);
        std::printf("ratio: %.2f\n", ours / bare);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_read: %s\n", e.what());
        return 1;
    }
}
