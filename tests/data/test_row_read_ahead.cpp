// Rows read ahead on a thread of their own, through the real SQLite driver: more rows than the
// reader may hold arrive whole and in order, large rows are held back by their size, and a reader
// left in the middle of a table stops. The tests wait for the reader to fill what it may hold,
// never for a time.
#include "data/row_read_ahead.h"
#include "odbc/connection.h"
#include "odbc/statement.h"
#include "sqlite_database.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace qc::data;
using qc::test::SqliteDatabase;

namespace {

// Far more rows than the reader holds ahead, so it has to wait for room again and again.
constexpr std::int64_t kRows = 20000;
// Far longer than filling the ring takes on a loaded machine under a sanitizer.
constexpr std::chrono::milliseconds kFillLimit{60000};

const char* kScript = R"(
CREATE TABLE t(id INTEGER, label TEXT);
WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 20000)
INSERT INTO t SELECT i, 'row ' || i FROM c;
)";

std::unique_ptr<qc::odbc::Statement> selectAll(const qc::odbc::Connection& connection) {
    auto statement = std::make_unique<qc::odbc::Statement>(connection);
    statement->execute("SELECT id, label FROM t ORDER BY id");
    return statement;
}

} // namespace

TEST(ReadAhead, ATableLargerThanTheQueueArrivesWholeAndInOrder) {
    SqliteDatabase db(kScript);
    qc::odbc::Connection connection;
    connection.open(db.connectionString());
    WorkerThread reader;
    RowReadAhead rows(reader, selectAll(connection), [] {});
    // The reader fills its queue and waits for room before the first row is taken.
    ASSERT_TRUE(rows.waitUntilFull(kFillLimit));

    std::vector<qc::odbc::Value> row;
    std::int64_t expected = 1;
    while (rows.next(row)) {
        ASSERT_EQ(row.size(), 2u);
        ASSERT_EQ(std::get<std::int64_t>(row[0]), expected);
        ASSERT_EQ(std::get<std::string>(row[1]), "row " + std::to_string(expected));
        EXPECT_EQ(rows.valueFailure(0), nullptr);
        ++expected;
    }
    EXPECT_EQ(expected - 1, kRows);
    EXPECT_FALSE(rows.next(row)); // the end stays the end
    EXPECT_EQ(rows.mostRowsHeld(), RowReadAhead::Limits{}.rows);
}

TEST(ReadAhead, LargeRowsAreHeldBackByTheirSizeNotTheirNumber) {
    // 40 rows of 1 MiB each: the row limit alone would let the reader hold all of them.
    SqliteDatabase db(R"(
CREATE TABLE t(id INTEGER, label TEXT);
WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 40)
INSERT INTO t SELECT i, printf('%d%.*c', i, 1048576, 'x') FROM c;
)");
    qc::odbc::Connection connection;
    connection.open(db.connectionString());
    RowReadAhead::Limits limits;
    limits.bytes = 3u << 20;
    WorkerThread reader;
    RowReadAhead rows(
        reader, selectAll(connection), [] {}, limits);
    // Three rows reach the limit: the reader stops there, long before the row limit.
    ASSERT_TRUE(rows.waitUntilFull(kFillLimit));
    EXPECT_EQ(rows.mostRowsHeld(), 3u);
    std::vector<qc::odbc::Value> row;
    std::int64_t expected = 1;
    while (rows.next(row)) {
        ASSERT_EQ(std::get<std::int64_t>(row[0]), expected);
        const auto& label = std::get<std::string>(row[1]);
        ASSERT_EQ(label.size(), std::to_string(expected).size() + 1048576);
        ASSERT_EQ(label.rfind(std::to_string(expected) + "xxx", 0), 0u);
        ++expected;
    }
    EXPECT_EQ(expected - 1, 40);
    // Each row counts once it is whole, so the last one may pass the limit: at most one row over.
    EXPECT_LE(rows.mostBytesHeld(), limits.bytes + 1048576 + 4096);
    EXPECT_LE(rows.mostRowsHeld(), 4u);
}

TEST(ReadAhead, LeavingInTheMiddleOfATableStopsTheReader) {
    SqliteDatabase db(kScript);
    qc::odbc::Connection connection;
    connection.open(db.connectionString());
    // One thread serves each reader in turn, as it serves each table of a run.
    WorkerThread reader;
    for (int taken : {0, 3, 5000}) {
        // While it closes, the read-ahead waits for its reader in slices, calling this between
        // them: a reader that goes on waiting for room nobody makes keeps it here for good.
        bool closing = false;
        std::chrono::steady_clock::time_point closeStarted;
        auto whileWaiting = [&] {
            if (closing && std::chrono::steady_clock::now() - closeStarted > kFillLimit) {
                std::fprintf(stderr, "the reader did not stop after %d rows taken\n", taken);
                std::abort();
            }
        };
        auto rows = std::make_unique<RowReadAhead>(reader, selectAll(connection), whileWaiting);
        std::vector<qc::odbc::Value> row;
        for (int i = 1; i <= taken; ++i) {
            ASSERT_TRUE(rows->next(row));
            ASSERT_EQ(std::get<std::int64_t>(row[0]), i);
        }
        // The rows taken made room, which the reader filled again: it now waits for more room.
        ASSERT_TRUE(rows->waitUntilFull(kFillLimit)) << taken;
        closing = true;
        closeStarted = std::chrono::steady_clock::now();
        rows.reset();
        // The connection serves the next statement: the reader let go of it.
        qc::odbc::Statement count(connection);
        count.execute("SELECT COUNT(*) FROM t");
        ASSERT_TRUE(count.next(row)) << taken;
        EXPECT_EQ(std::get<std::int64_t>(row[0]), kRows) << taken;
    }
}
