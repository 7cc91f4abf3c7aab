// A target on a small disk of its own: the memo file's growth falls back to what a row needs
// when its usual step cannot be had, and an INSERT the disk refuses leaves the table and its
// memo file exactly as they were, ready for the next row once there is room again.
#include "faults/fault_readers.h"
#include "faults/fault_summary.h"
#include "support/scratch_folder.h"

#include "support/small_disk.h"

#include "foxpro/database.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qc::test::faults {
namespace {

namespace fs = std::filesystem;

std::string memoText(int id, std::size_t length) {
    std::string text = "memo " + std::to_string(id) + " ";
    return text +
           std::string(length > text.size() ? length - text.size() : 0, static_cast<char>('a' + id % 26));
}

std::string failureOf(qc::foxpro::Database& db, const std::string& statement) {
    try {
        db.execute(statement);
    } catch (const qc::foxpro::Error& e) {
        return e.what();
    }
    return {};
}

struct Filled {
    int rows = 0;
    std::string error;
};

// Inserts rows until the disk refuses one; after the refusal both files must hold exactly the
// bytes they held before it.
Filled fillTable(qc::foxpro::Database& db, const fs::path& folder, const std::string& table,
                 std::size_t memoLength, const std::string& wide) {
    Filled filled;
    const fs::path dbf = folder / (table + ".dbf");
    const fs::path fpt = folder / (table + ".fpt");
    for (int id = 1; id < 100000; ++id) {
        const std::string dbfBefore = readBytes(dbf);
        const std::string fptBefore = readBytes(fpt);
        filled.error = failureOf(db, "INSERT INTO " + table + " VALUES (" + std::to_string(id) + ", '" +
                                         wide + "', '" + memoText(id, memoLength) + "')");
        if (!filled.error.empty()) {
            EXPECT_TRUE(readBytes(dbf) == dbfBefore) << table << ": the table changed under a failed INSERT";
            EXPECT_TRUE(readBytes(fpt) == fptBefore)
                << table << ": the memo file changed under a failed INSERT";
            countStateChecked();
            break;
        }
        ++filled.rows;
    }
    return filled;
}

// What independent readers find: every row written, each with its own memo text.
void expectRows(const fs::path& dbf, int rows, std::size_t memoLength, const std::string& wide) {
    bool ok = false;
    const std::string dump = vfpDump(dbf.string(), ok);
    ASSERT_TRUE(ok) << dump.substr(0, 2000);
    EXPECT_EQ(vfpRecordCount(dump), static_cast<std::size_t>(rows));
    EXPECT_NE(dump.find("after last record: 1a\n"), std::string::npos) << dump.substr(dump.size() - 200);
    const auto back = dbfread(dbf.string());
    ASSERT_TRUE(back.ok) << back.error;
    ASSERT_EQ(back.rows.size(), static_cast<std::size_t>(rows));
    for (int id = 1; id <= rows; ++id) {
        const std::string expected = "{\"ID\": " + std::to_string(id) + ", \"WIDE\": \"" + wide +
                                     "\", \"NOTES\": \"" + memoText(id, memoLength) + "\"";
        ASSERT_EQ(back.rows[static_cast<std::size_t>(id - 1)].substr(0, expected.size()), expected);
    }
    countRowsCompared(rows);
}

// With 864 KB free a table took no row at all: the memo file asked for its whole 1 MiB step.
// Now the disk is used up to the last rows that fit.
TEST(FullDisk, MemoGrowthFallsBackToWhatTheRowNeeds) {
    SmallDisk disk;
    ASSERT_TRUE(disk.ok()) << disk.error();
    auto db = qc::foxpro::Database::open(disk.path());
    db->execute("CREATE TABLE t (id I, wide C(254), notes M)");
    ASSERT_TRUE(disk.fillLeaving(864 * 1024)) << disk.error();
    const std::size_t memoLength = 1000;
    const Filled filled = fillTable(*db, disk.path(), "t", memoLength, "w");
    EXPECT_NE(filled.error.find("Disk is full writing file 't."), std::string::npos) << filled.error;
    // Each row takes a 264-byte record and 16 memo blocks (1,024 bytes): 687 fit in 864 KB.
    EXPECT_GE(filled.rows, 640) << filled.error;
    db.reset();
    expectRows(fs::path(disk.path()) / "t.dbf", filled.rows, memoLength, "w");
}

// The table file runs out while the memo file's step of room ahead is nearly unused: that room is
// given back and the row tried once more, so the disk is used up to the last rows that fit
// instead of being reported full a step early.
TEST(FullDisk, TheMemoFilesRoomIsGivenBackWhenTheTableFileRunsOut) {
    SmallDisk disk;
    ASSERT_TRUE(disk.ok()) << disk.error();
    auto db = qc::foxpro::Database::open(disk.path());
    db->execute("CREATE TABLE t (id I, a C(254), b C(254), c C(254), d C(254), notes M)");
    ASSERT_TRUE(disk.fillLeaving(1280 * 1024)) << disk.error();
    int rows = 0;
    std::string error;
    while ((error = failureOf(*db, "INSERT INTO t VALUES (" + std::to_string(rows + 1) +
                                       ", 'a', 'b', 'c', 'd', '" + memoText(rows + 1, 40) + "')"))
               .empty())
        ++rows;
    EXPECT_NE(error.find("Disk is full writing file 't."), std::string::npos) << error;
    db.reset();
    // A row takes a 1,022-byte record and one 64-byte memo block: 1,200 fit in 1.25 MiB, and 250
    // did while the memo file kept its step.
    EXPECT_GE(rows, 1150);
    EXPECT_LT(disk.freeBytes(), std::size_t{16} * 1024);
    bool ok = false;
    const std::string dump = vfpDump((fs::path(disk.path()) / "t.dbf").string(), ok);
    ASSERT_TRUE(ok) << dump.substr(0, 2000);
    EXPECT_EQ(vfpRecordCount(dump), static_cast<std::size_t>(rows));
    countRowsCompared(rows);
}

// Records that straddle the last free page: the record write fails half-way and is cut back,
// the memo file's blocks of that row are given back, and once there is room the table takes
// further rows through the same connection.
TEST(FullDisk, AFailedRecordWriteIsCutBackInBothFiles) {
    bool recordWriteFailed = false;
    for (std::size_t left : {std::size_t{24} * 1024, std::size_t{37} * 1024, std::size_t{50} * 1024}) {
        SmallDisk disk;
        ASSERT_TRUE(disk.ok()) << disk.error();
        auto db = qc::foxpro::Database::open(disk.path());
        db->execute("CREATE TABLE t (id I, wide C(254), wide2 C(254), wide3 C(254), notes M)");
        ASSERT_TRUE(disk.fillLeaving(left)) << disk.error();
        const std::string wide(250, 'x');
        // Three text fields: the statement repeats the same value.
        auto insert = [&](int id) {
            return "INSERT INTO t VALUES (" + std::to_string(id) + ", '" + wide + "', '" + wide + "', '" +
                   wide + "', '" + memoText(id, 300) + "')";
        };
        int rows = 0;
        std::string error;
        for (int id = 1; id < 10000 && error.empty(); ++id) {
            const std::string dbfBefore = readBytes(fs::path(disk.path()) / "t.dbf");
            const std::string fptBefore = readBytes(fs::path(disk.path()) / "t.fpt");
            error = failureOf(*db, insert(id));
            if (error.empty()) {
                ++rows;
                continue;
            }
            EXPECT_TRUE(readBytes(fs::path(disk.path()) / "t.dbf") == dbfBefore) << left;
            EXPECT_TRUE(readBytes(fs::path(disk.path()) / "t.fpt") == fptBefore) << left;
            countStateChecked();
        }
        EXPECT_NE(error.find("Disk is full"), std::string::npos) << error;
        recordWriteFailed = recordWriteFailed || error.find("'t.dbf'") != std::string::npos;
        EXPECT_GT(rows, 0);
        fs::remove(fs::path(disk.path()) / ".filler");
        db->execute(insert(rows + 1));
        db.reset();
        const auto back = dbfread((fs::path(disk.path()) / "t.dbf").string());
        ASSERT_TRUE(back.ok) << back.error;
        ASSERT_EQ(back.rows.size(), static_cast<std::size_t>(rows + 1));
        for (int id = 1; id <= rows + 1; ++id)
            ASSERT_NE(
                back.rows[static_cast<std::size_t>(id - 1)].find("\"NOTES\": \"" + memoText(id, 300) + "\""),
                std::string::npos)
                << id;
        countRowsCompared(rows + 1);
    }
    EXPECT_TRUE(recordWriteFailed) << "no fill level made the record write itself fail";
}

} // namespace
} // namespace qc::test::faults
