// What our engine writes, read back by readers that share no code with it.
#include "foxpro_test_helpers.h"

#include <gtest/gtest.h>

using qc::foxpro::test::dbfreadRecords;
using qc::foxpro::test::dumpedRecords;
using qc::foxpro::test::failureOf;
using qc::foxpro::test::ScratchFolder;
using qc::foxpro::test::vfpDump;

namespace {

TEST(RoundTrip, ConverterStatementsReadBackByTheDumper) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute(
        R"(CREATE TABLE [Orders] ("OrderID" INT, "Customer" BLOB, "Placed" TIMESTAMP, "Amount" DOUBLE, "Note" long, "Paid" SMALLINT);)");
    db->execute("INSERT INTO [Orders] VALUES (7, 'O''Brien', '08/31/2021 14:05:00', 12.5,NULL, 1);");
    db->execute("INSERT INTO [Orders] VALUES (NULL, 'Zoë \xE2\x82\xAC \xE4\xB8\xAD', '2021-02-28', "
                "-0.25,'line 1\r\nline 2, \"quoted\" it''s', 0);");
    db->execute("INSERT INTO [Orders] VALUES (NULL,NULL,NULL,NULL,NULL,NULL);");

    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"orders"});
    ASSERT_TRUE(std::filesystem::exists(folder.file("orders.dbf")));
    ASSERT_TRUE(std::filesystem::exists(folder.file("orders.fpt")));

    const std::string dump = vfpDump(folder.file("orders.dbf"));
    EXPECT_NE(dump.find("version=0x32"), std::string::npos) << dump;
    EXPECT_NE(dump.find("records=3"), std::string::npos);
    EXPECT_NE(dump.find("flags=0x02 codepage=0x03"), std::string::npos);
    EXPECT_NE(dump.find("field 'ORDERID'      type=I disp=   1 len=  4 dec= 0 flags=0x06"), std::string::npos)
        << dump;
    EXPECT_NE(dump.find("field 'CUSTOMER'     type=W disp=   5 len=  4 dec= 0 flags=0x06"),
              std::string::npos);
    EXPECT_NE(dump.find("field 'AMOUNT'       type=B disp=  17 len=  8 dec= 4 flags=0x06"),
              std::string::npos);
    EXPECT_NE(dump.find("field 'NOTE'         type=M disp=  25 len=  4 dec= 0 flags=0x02"),
              std::string::npos);
    EXPECT_NE(dump.find("field 'PAID'         type=I"), std::string::npos);
    EXPECT_NE(dump.find("field '_NullFlags'   type=0 disp=  33 len=  1 dec= 0 flags=0x05"),
              std::string::npos);
    EXPECT_NE(dump.find("memo: nextfree="), std::string::npos);

    const auto records = dumpedRecords(dump);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_NE(records[0].find("ORDERID=7 |"), std::string::npos) << records[0];
    EXPECT_NE(records[0].find(R"(type=0 len=7 data=b"O\'Brien")"), std::string::npos) << records[0];
    EXPECT_NE(records[0].find("(2021-08-31 14:05:00.000)"), std::string::npos);
    EXPECT_NE(records[0].find("AMOUNT=12.5 |"), std::string::npos);
    EXPECT_NE(records[0].find("NOTE=NULL"), std::string::npos);
    EXPECT_NE(records[0].find("PAID=1 |"), std::string::npos);
    // The blob keeps the UTF-8 bytes as they came.
    EXPECT_NE(records[1].find("ORDERID=NULL"), std::string::npos) << records[1];
    EXPECT_NE(records[1].find(R"(type=0 len=12 data=b'Zo\\xc3\\xab \\xe2\\x82\\xac \\xe4\\xb8\\xad')"),
              std::string::npos)
        << records[1];
    EXPECT_NE(records[1].find("(2021-02-28 00:00:00.000)"), std::string::npos);
    EXPECT_NE(records[1].find("AMOUNT=-0.25"), std::string::npos);
    EXPECT_NE(records[1].find("type=1 len=29"), std::string::npos) << records[1];
    EXPECT_NE(records[1].find("PAID=0"), std::string::npos);
    for (const char* field : {"ORDERID", "CUSTOMER", "PLACED", "AMOUNT", "NOTE", "PAID"})
        EXPECT_NE(records[2].find(std::string(field) + "=NULL"), std::string::npos) << field << records[2];
    EXPECT_NE(dump.find("after last record: 1a"), std::string::npos);
}

// A 0x30 table (no V, Q or W field) that python3-dbfread and pgdbf can read.
class PlainTable : public ::testing::Test {
  protected:
    void SetUp() override {
        db = qc::foxpro::Database::open(folder.str());
        db->execute(
            "CREATE TABLE people (name C(30), amount N(10,2), ratio B, qty I NOT NULL, price Y, born D, "
            "stamp T, flag L, notes M, f F(8,3))");
        db->execute(
            "INSERT INTO people VALUES ('Ann, \"the\" first', 1234.56, 3.25, 42, 19.99, {^2000-01-01}, "
            "{^2000-01-01 12:34:56}, .T., 'It''s\r\nmulti-line, caf\xC3\xA9', -1.5)");
        db->execute("INSERT INTO people VALUES (NULL, NULL, NULL, -7, NULL, NULL, NULL, NULL, NULL, NULL)");
        db->execute("INSERT INTO people (qty, name, flag, born) VALUES (0, '\xE2\x82\xAC\xC3\xA0\xC3\xBF', "
                    "'F', '12/31/1999')");
    }
    ScratchFolder folder;
    std::unique_ptr<qc::foxpro::Database> db;
};

TEST_F(PlainTable, DbfreadSeesEveryValueAndNull) {
    const std::string out = dbfreadRecords(folder.file("people.dbf"));
    std::istringstream lines(out);
    std::string one, two, three;
    std::getline(lines, one);
    std::getline(lines, two);
    std::getline(lines, three);
    EXPECT_EQ(one, "NAME='Ann, \"the\" first' | AMOUNT=1234.56 | RATIO=3.25 | QTY=42 | "
                   "PRICE=Decimal('19.99') | BORN=datetime.date(2000, 1, 1) | "
                   "STAMP=datetime.datetime(2000, 1, 1, 12, 34, 56) | FLAG=True | "
                   "NOTES=\"It's\\r\\nmulti-line, café\" | F=-1.5")
        << out;
    EXPECT_EQ(two, "NAME=NULL | AMOUNT=NULL | RATIO=NULL | QTY=-7 | PRICE=NULL | BORN=NULL | STAMP=NULL | "
                   "FLAG=NULL | NOTES=NULL | F=NULL");
    EXPECT_EQ(three, "NAME='€àÿ' | AMOUNT=NULL | RATIO=NULL | QTY=0 | PRICE=NULL | "
                     "BORN=datetime.date(1999, 12, 31) | STAMP=NULL | FLAG=False | NOTES=NULL | F=NULL");
}

TEST_F(PlainTable, PgdbfAcceptsHeaderAndMemoPointers) {
    bool ok = false;
    const std::string out = qc::foxpro::test::pgdbfOutput(folder.file("people.dbf"), ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_NE(out.find("Ann, \"the\" first\t1234.56"), std::string::npos) << out;
    EXPECT_NE(out.find("It's\\r\\nmulti-line, caf"), std::string::npos) << out;
}

TEST_F(PlainTable, AppendingAfterReopenKeepsEarlierRows) {
    db.reset();
    db = qc::foxpro::Database::open(folder.str());
    db->execute("INSERT INTO PEOPLE (qty, notes) VALUES (5, 'again')");
    const auto records = dumpedRecords(vfpDump(folder.file("people.dbf")));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_NE(records[0].find("NOTES='blk=8 type=1"), std::string::npos) << records[0];
    EXPECT_NE(records[3].find("QTY=5"), std::string::npos);
    EXPECT_NE(records[3].find("data=b'again'"), std::string::npos) << records[3];
}

} // namespace

namespace {

// Two connections to one folder: a table one of them writes is its own until it closes; the
// other neither writes into it, nor drops or re-creates it meanwhile, and then takes over
// without writing over a row or a memo.
TEST(RoundTrip, ATableInUseIsRefusedToTheOtherConnection) {
    ScratchFolder folder;
    auto first = qc::foxpro::Database::open(folder.str());
    auto second = qc::foxpro::Database::open(folder.str());
    first->execute("CREATE TABLE shared (n I, m M)");
    for (int i = 0; i < 3; ++i)
        first->execute("INSERT INTO shared VALUES (" + std::to_string(i) + ", 'memo " + std::to_string(i) +
                       "')");
    const std::string dbfBefore = qc::foxpro::test::readBytes(folder.file("shared.dbf"));
    EXPECT_EQ(failureOf(*second, "INSERT INTO shared VALUES (9, 'not mine')"),
              "SQL error: File 'shared.dbf' is in use. (table shared)");
    EXPECT_EQ(failureOf(*second, "DROP TABLE shared"),
              "SQL error: File 'shared.dbf' is in use. (table shared)");
    EXPECT_EQ(failureOf(*second, "CREATE TABLE shared (x I)"),
              "SQL error: File 'shared.dbf' already exists. (table shared)");
    EXPECT_EQ(qc::foxpro::test::readBytes(folder.file("shared.dbf")), dbfBefore);
    // The first to close lets go; the one that takes over gives back the memo file's room.
    first.reset();
    for (int i = 3; i < 40; ++i)
        second->execute("INSERT INTO shared VALUES (" + std::to_string(i) + ", 'memo " + std::to_string(i) +
                        " " + std::string(3000, 'm') + "')");
    second.reset();
    const std::string dump = vfpDump(folder.file("shared.dbf"));
    const auto records = dumpedRecords(dump);
    ASSERT_EQ(records.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_NE(records[static_cast<std::size_t>(i)].find("N=" + std::to_string(i) + " |"),
                  std::string::npos);
        EXPECT_NE(records[static_cast<std::size_t>(i)].find("data=b'memo " + std::to_string(i)),
                  std::string::npos)
            << records[static_cast<std::size_t>(i)];
    }
    const auto next = std::stoul(dump.substr(dump.find("memo: nextfree=") + 15));
    EXPECT_EQ(std::filesystem::file_size(folder.file("shared.fpt")), next * 64);
    second = qc::foxpro::Database::open(folder.str());
    second->execute("DROP TABLE shared");
    EXPECT_TRUE(second->tableNames().empty());
}

} // namespace
