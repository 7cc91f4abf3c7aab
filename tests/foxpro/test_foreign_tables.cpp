// Tables that FoxPro wrote: appended to and dropped like our own.
#include "foxpro_test_helpers.h"

#include <gtest/gtest.h>

using qc::foxpro::test::dumpedRecords;
using qc::foxpro::test::failureOf;
using qc::foxpro::test::fixture;
using qc::foxpro::test::ScratchFolder;
using qc::foxpro::test::vfpDump;

namespace {

void copyInto(const ScratchFolder& folder, const std::string& relative) {
    const std::filesystem::path source = fixture(relative);
    std::filesystem::copy_file(source, folder.file(source.filename().string()));
}

TEST(ForeignTables, AppendToAFoxProTableWithMemos) {
    ScratchFolder folder;
    copyInto(folder, "vfp/dbase_30.dbf");
    copyInto(folder, "vfp/dbase_30.fpt");
    const auto before = dumpedRecords(vfpDump(folder.file("dbase_30.dbf")));
    auto db = qc::foxpro::Database::open(folder.str());
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"dbase_30"});
    db->execute("INSERT INTO dbase_30 (accessno, acqvalue, classes, catdate, flagdate) VALUES "
                "('2024.1', 12.5, 'Added\r\nby us', '03/01/2024', {^2024-03-01 10:00:00})");
    const std::string dump = vfpDump(folder.file("dbase_30.dbf"));
    const auto after = dumpedRecords(dump);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i], before[i]);
    EXPECT_NE(after.back().find("ACCESSNO='2024.1' | ACQVALUE='12.50' | APPNOTES='blk=0'"), std::string::npos)
        << after.back();
    EXPECT_NE(after.back().find("CLASSES=\"blk=730 type=1 len=12 data=b'Added\\\\r\\\\nby us'\""),
              std::string::npos)
        << after.back();
    EXPECT_NE(after.back().find("CATDATE='20240301'"), std::string::npos);
    EXPECT_NE(dump.find("memo: nextfree=731 blocksize=64"), std::string::npos);
    EXPECT_NE(dump.find("after last record: 1a"), std::string::npos);
    // Room the memo file took ahead is given back when the connection closes.
    db.reset();
    EXPECT_EQ(std::filesystem::file_size(folder.file("dbase_30.fpt")), 731u * 64);
}

TEST(ForeignTables, AutoincrementFieldsNumberNewRows) {
    ScratchFolder folder;
    copyInto(folder, "vfp/dbase_31.dbf");
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("INSERT INTO dbase_31 VALUES ('Tea', 1, 2, '10 tins', 4.5, 10, 0, 5, .F.)");
    db->execute("INSERT INTO dbase_31 (productnam, unitprice) VALUES ('Coffee', NULL)");
    EXPECT_EQ(failureOf(*db, "INSERT INTO dbase_31 (productid, productnam) VALUES (5, 'x')"),
              "SQL error: Field PRODUCTID is read-only: it is numbered automatically. (table dbase_31)");
    const std::string dump = vfpDump(folder.file("dbase_31.dbf"));
    EXPECT_NE(
        dump.find("field 'PRODUCTID'    type=I disp=   1 len=  4 dec= 0 flags=0x0c autoinc_next=80 step=1"),
        std::string::npos)
        << dump;
    const auto records = dumpedRecords(dump);
    ASSERT_EQ(records.size(), 79u);
    EXPECT_NE(records[77].find("PRODUCTID=78 | PRODUCTNAM='Tea' | SUPPLIERID=1 | CATEGORYID=2 | "
                               "QUANTITYPE='10 tins' | UNITPRICE=4.5"),
              std::string::npos)
        << records[77];
    EXPECT_NE(records[78].find("PRODUCTID=79 | PRODUCTNAM='Coffee' | SUPPLIERID=NULL"), std::string::npos)
        << records[78];
}

TEST(ForeignTables, VarcharTableTakesShortAndFullValues) {
    ScratchFolder folder;
    copyInto(folder, "vfp/dbase_32.dbf");
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("INSERT INTO dbase_32 VALUES ('short')");
    db->execute("INSERT INTO dbase_32 VALUES ('" + std::string(250, 'x') + "')");
    const auto records = dumpedRecords(vfpDump(folder.file("dbase_32.dbf")));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_NE(records[1].find("NAME='short' | _NullFlags=<01>"), std::string::npos) << records[1];
    EXPECT_NE(records[2].find("NAME='" + std::string(250, 'x') + "' | _NullFlags=<00>"), std::string::npos);
}

TEST(ForeignTables, IndexedTablesAreDroppedWithTheirFilesButNotAppendedTo) {
    ScratchFolder folder;
    for (const char* file : {"calls.dbf", "calls.FPT", "calls.CDX", "setup.dbf", "setup.CDX"})
        copyInto(folder, std::string("vfp/foxprodb/") + file);
    auto db = qc::foxpro::Database::open(folder.str());
    const std::string before = qc::foxpro::test::readBytes(folder.file("setup.dbf"));
    EXPECT_NE(failureOf(*db, "INSERT INTO setup VALUES ('KEY', 1)").find("has a structural index (.cdx)"),
              std::string::npos);
    EXPECT_EQ(qc::foxpro::test::readBytes(folder.file("setup.dbf")), before);
    db->execute("DROP TABLE calls");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"setup.CDX", "setup.dbf"}));
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"setup"});
}

} // namespace
