// Every statement that cannot be carried out fails with "SQL error: " and a message naming the
// cause, and leaves the table as it was.
#include "foxpro/file_io.h"
#include "foxpro_test_helpers.h"
#include "support/small_disk.h"

#include <gtest/gtest.h>

#include <fstream>

using qc::foxpro::test::failureOf;
using qc::foxpro::test::ScratchFolder;

namespace {

class StatementErrors : public ::testing::Test {
  protected:
    void SetUp() override {
        db = qc::foxpro::Database::open(folder.str());
        db->execute("CREATE TABLE t (name C(5) NOT NULL, n N(6,2), i INT, y Y, d DATE, ts T, l L, m M, b B, "
                    "v V(4), q Q(3), g G)");
    }
    std::string dumpAfter() { return qc::foxpro::test::vfpDump(folder.file("t.dbf")); }
    ScratchFolder folder;
    std::unique_ptr<qc::foxpro::Database> db;
};

TEST_F(StatementErrors, MalformedStatementsAreSyntaxErrors) {
    for (const char* statement : {"CREATE TABLE",
                                  "CREATE TABLE x",
                                  "CREATE TABLE x ()",
                                  "CREATE TABLE x (a)",
                                  "CREATE TABLE x (a C(5)",
                                  "CREATE TABLE x (a C(5),)",
                                  "CREATE TABLE x (a C(5)) extra",
                                  "CREATE TABLE x (a C(5)) ;;",
                                  "CREATE TABLE x (a C(5, ))",
                                  "CREATE TABLE x (a C(-5))",
                                  "CREATE TABLE x (a C NOT)",
                                  "CREATE TABLE x CODEPAGE 1250 (a C)",
                                  "CREATE TABLE x (a C) CODEPAGE = 1250",
                                  "CREATE TABLE [x (a C)",
                                  "CREATE TABLE \"x (a C)",
                                  "CREATE x (a C)",
                                  "DROP t",
                                  "DROP TABLE",
                                  "DROP TABLE t u",
                                  "INSERT t VALUES (1)",
                                  "INSERT INTO t (name VALUES ('a')",
                                  "INSERT INTO t VALUES ('a'",
                                  "INSERT INTO t VALUES ('a)",
                                  "INSERT INTO t VALUES (1 2)",
                                  "INSERT INTO t VALUES (abc)",
                                  "INSERT INTO t VALUES (.X.)",
                                  "INSERT INTO t VALUES (1.2.3)",
                                  "INSERT INTO t VALUES (1e)",
                                  "INSERT INTO t VALUES (--1)",
                                  "INSERT INTO t VALUES ({^2021-01-01)",
                                  "INSERT INTO t VALUES ({2021-01-01})",
                                  "INSERT INTO t VALUES (\"text\")",
                                  "INSERT INTO t VALUES ()",
                                  "INSERT INTO t VALUES ('a') x",
                                  "INSERT INTO t SELECT 1"}) {
        EXPECT_EQ(failureOf(*db, statement), "SQL error: Syntax error.") << statement;
    }
}

TEST_F(StatementErrors, UnknownVerbs) {
    for (const char* statement :
         {"", "   ", ";", "SELECT * FROM t", "UPDATE t SET a = 1", "1", "'x'", "ALTER TABLE t"})
        EXPECT_EQ(failureOf(*db, statement), "SQL error: Unrecognized command verb.") << statement;
}

TEST_F(StatementErrors, MissingAndExistingTables) {
    EXPECT_EQ(failureOf(*db, "INSERT INTO [Orders] VALUES (1)"),
              "SQL error: File 'orders.dbf' does not exist. (table Orders)");
    EXPECT_EQ(failureOf(*db, "DROP TABLE Orders"),
              "SQL error: File 'orders.dbf' does not exist. (table Orders)");
    EXPECT_EQ(failureOf(*db, "CREATE TABLE T (a C(1))"), "SQL error: File 't.dbf' already exists. (table T)");
    EXPECT_EQ(failureOf(*db, "INSERT INTO t (nosuch) VALUES (1)"),
              "SQL error: Column 'nosuch' is not found. (table t)");
    EXPECT_EQ(failureOf(*db, "INSERT INTO t (name, NAME) VALUES ('a', 'b')"),
              "SQL error: Field NAME is named twice. (table t)");
    EXPECT_EQ(failureOf(*db, "INSERT INTO t VALUES ('a')"),
              "SQL error: Not enough values for the fields of the table. (table t)");
    EXPECT_EQ(failureOf(*db, "INSERT INTO t (name) VALUES ('a', 1)"),
              "SQL error: Too many values for the fields of the table. (table t)");
}

TEST_F(StatementErrors, ValuesThatDoNotFitWriteNothing) {
    const std::string before = qc::foxpro::test::readBytes(folder.file("t.dbf"));
    const std::string memoBefore = qc::foxpro::test::readBytes(folder.file("t.fpt"));
    const std::pair<const char*, const char*> cases[] = {
        {"INSERT INTO t (m, name) VALUES ('memo first', 'sixsix')",
         "String is too long to fit in field NAME."},
        {"INSERT INTO t (name) VALUES ('\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9')",
         "String is too long to fit in field NAME."},
        {"INSERT INTO t (name, v) VALUES ('a', 'abcde')", "String is too long to fit in field V."},
        {"INSERT INTO t (name, q) VALUES ('a', 'abcd')", "String is too long to fit in field Q."},
        {"INSERT INTO t (name, n) VALUES ('a', 1000)", "Numeric overflow in field N."},
        {"INSERT INTO t (name, n) VALUES ('a', -100.5)", "Numeric overflow in field N."},
        {"INSERT INTO t (name, n) VALUES ('a', 999.995)", "Numeric overflow in field N."},
        {"INSERT INTO t (name, i) VALUES ('a', 2147483648)", "Numeric overflow in field I."},
        {"INSERT INTO t (name, i) VALUES ('a', -2147483649)", "Numeric overflow in field I."},
        {"INSERT INTO t (name, i) VALUES ('a', 1e300)", "Numeric overflow in field I."},
        {"INSERT INTO t (name, i) VALUES ('a', 12.5)", "Field I holds whole numbers only; 12.5 is not one."},
        {"INSERT INTO t (name, y) VALUES ('a', 922337203685478)", "Numeric overflow in field Y."},
        {"INSERT INTO t (name, b) VALUES ('a', 1e999)", "Numeric overflow in field B."},
        {"INSERT INTO t (name, d) VALUES ('a', '02/30/2021')",
         "Field D: '02/30/2021' is not a valid date or time."},
        {"INSERT INTO t (name, d) VALUES ('a', {^2021-02-29})",
         "Field D: '2021-02-29' is not a valid date or time."},
        {"INSERT INTO t (name, d) VALUES ('a', '2021-08-31 14:05:00')", "Field D holds dates only;"},
        {"INSERT INTO t (name, ts) VALUES ('a', '08/31/2021 24:00:00')", "is not a valid date or time."},
        {"INSERT INTO t (name, ts) VALUES ('a', 'yesterday')", "Field TS: 'yesterday' is not a date."},
        {"INSERT INTO t (name, ts) VALUES ('a', '14:05:30')", "Field TS: '14:05:30' is not a date."},
        // One separator between all clock parts, whichever the locale uses.
        {"INSERT INTO t (name, ts) VALUES ('a', '08.31.2021 14:05.30')",
         "Field TS: '08.31.2021 14:05.30' is not a date."},
        {"INSERT INTO t (name, ts) VALUES ('a', '08.31.2021 14.05.60')", "is not a valid date or time."},
        {"INSERT INTO t (name, ts) VALUES ('a', {^08/31/2021})", "Field TS: '08/31/2021' is not a date."},
        {"INSERT INTO t (name) VALUES ('\xE4\xB8\xAD')", "Character U+4E2D cannot be stored in field NAME"},
        {"INSERT INTO t (name, m) VALUES ('a', 'ok \xF0\x9F\x98\x80')",
         "Character U+1F600 cannot be stored in field M"},
        {"INSERT INTO t (name) VALUES ('\xFF')", "The text for field NAME is not valid UTF-8."},
        {"INSERT INTO t (name) VALUES (NULL)", "Field NAME does not accept null values."},
        {"INSERT INTO t (name, n) VALUES ('a', '12')", "Data type mismatch: field N"},
        {"INSERT INTO t (name) VALUES (12)", "Data type mismatch: field NAME"},
        {"INSERT INTO t (name, l) VALUES ('a', 2)", "Data type mismatch: field L"},
        {"INSERT INTO t (name, l) VALUES ('a', 'yes')", "Data type mismatch: field L"},
        {"INSERT INTO t (name, d) VALUES ('a', 5)", "Data type mismatch: field D"},
        {"INSERT INTO t (name, g) VALUES ('a', 'x')", "Data type mismatch: field G"},
        {"INSERT INTO t (name, i) VALUES ('a', .T.)", "Data type mismatch: field I"},
    };
    for (const auto& [statement, message] : cases) {
        const std::string error = failureOf(*db, statement);
        EXPECT_EQ(error.rfind("SQL error: ", 0), 0u) << statement << " -> " << error;
        EXPECT_NE(error.find(message), std::string::npos) << statement << " -> " << error;
    }
    EXPECT_EQ(qc::foxpro::test::readBytes(folder.file("t.dbf")), before);
    EXPECT_EQ(qc::foxpro::test::readBytes(folder.file("t.fpt")), memoBefore);
    // A field left out takes its empty value, NULL where the field allows it.
    db->execute("INSERT INTO t (n) VALUES (1)");
    // The table stays usable.
    db->execute("INSERT INTO t (name, n, i, y, d, ts, l) VALUES ('abcde', 999.99, -2147483648, "
                "-922337203685477.5808, "
                "'2/29/2024', '12.31.1999 23:59:59.999', 't')");
    const auto records = qc::foxpro::test::dumpedRecords(dumpAfter());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0].find("NAME='' | N='1.00' | I=NULL"), std::string::npos) << records[0];
    EXPECT_NE(
        records[1].find("NAME='abcde' | N='999.99' | I=-2147483648 | Y=-922337203685477.6 | D='20240229' | "
                        "TS='jd=2451544 ms=86399999 (1999-12-31 23:59:59.999)' | L='T' | M=NULL"),
        std::string::npos)
        << records[1];
}

TEST_F(StatementErrors, RoundingStaysWithinTheField) {
    // Decimals beyond the field's are rounded, as FoxPro rounds them; the whole part never is.
    db->execute("INSERT INTO t (name, n, y, v, q) VALUES ('a', 999.994, 1.00005, 'abcd', 'ab')");
    db->execute("INSERT INTO t (name, n, y, v, q, l, b) VALUES ('b', -9.995, 0.00004, '', '', 0, 1e-999)");
    const auto records = qc::foxpro::test::dumpedRecords(dumpAfter());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0].find("N='999.99' | I=NULL | Y=1.0001 |"), std::string::npos) << records[0];
    EXPECT_NE(records[0].find("V='abcd' | Q=b'ab' |"), std::string::npos) << records[0];
    EXPECT_NE(records[1].find("N='-10.00' | I=NULL | Y=0.0 |"), std::string::npos) << records[1];
    EXPECT_NE(records[1].find("L='F' | M=NULL | B=0.0 | V='' | Q=b'' |"), std::string::npos) << records[1];
}

TEST_F(StatementErrors, LimitsOfTheTableDefinition) {
    std::string fields;
    for (int i = 0; i < 254; ++i)
        fields += (i ? ", f" : "f") + std::to_string(i) + " L NOT NULL";
    db->execute("CREATE TABLE wide (" + fields + ", last L NOT NULL)"); // 255 fields, no _NullFlags
    EXPECT_NE(
        failureOf(*db, "CREATE TABLE wider (" + fields + ", a L, b L NOT NULL)").find("Too many fields"),
        std::string::npos);
    EXPECT_NE(failureOf(*db, "CREATE TABLE nullwide (" + fields + ", last L)").find("Too many fields"),
              std::string::npos);
    // The widest record the types allow (255 x 254 bytes) stays under the 65,500-byte limit.
    std::string wideRecord;
    for (int i = 0; i < 255; ++i)
        wideRecord += (i ? ", c" : "c") + std::to_string(i) + " C(254) NOT NULL";
    db->execute("CREATE TABLE long (" + wideRecord + ")");
    for (const char* bad : {"C(0)", "C(255)", "N(21)", "N(5,4)", "F(0)", "V(255)", "Q(0)", "B(8,19)"})
        EXPECT_NE(failureOf(*db, std::string("CREATE TABLE bad (a ") + bad + ")")
                      .find("width or number of decimals"),
                  std::string::npos)
            << bad;
    EXPECT_NE(failureOf(*db, "CREATE TABLE bad (a STRING)").find("'STRING' is not a field type"),
              std::string::npos);
    EXPECT_EQ(db->tableNames(), (std::vector<std::string>{"long", "t", "wide"}));
}

// A target the system will not let us write (a read-only mount: permissions do not bind root,
// which CI runs as) refuses each statement with the file's name, and changes nothing.
TEST(StatementErrorsOnDisk, FileSystemFailuresAreReported) {
    qc::test::SmallDisk disk;
    ASSERT_TRUE(disk.ok()) << disk.error();
    {
        auto writer = qc::foxpro::Database::open(disk.path());
        writer->execute("CREATE TABLE t (name C(5), m M)");
        writer->execute("INSERT INTO t VALUES ('a', 'memo')");
    }
    const std::string before = qc::foxpro::test::readBytes(std::filesystem::path(disk.path()) / "t.dbf");
    ASSERT_TRUE(disk.setReadOnly(true)) << disk.error();
    auto fresh = qc::foxpro::Database::open(disk.path());
    EXPECT_EQ(failureOf(*fresh, "INSERT INTO t (name) VALUES ('b')"),
              "SQL error: Access is denied to file 't.dbf'. (table t)");
    EXPECT_EQ(failureOf(*fresh, "CREATE TABLE u (a C(1))"),
              "SQL error: Access is denied to file 'u.dbf'. (table u)");
    EXPECT_EQ(failureOf(*fresh, "DROP TABLE t"), "SQL error: Access is denied to file 't.dbf'. (table t)");
    fresh.reset();
    ASSERT_TRUE(disk.setReadOnly(false)) << disk.error();
    EXPECT_EQ(qc::foxpro::test::readBytes(std::filesystem::path(disk.path()) / "t.dbf"), before);
}

// A file handed on (a table's is, from the statement that opens it to the connection that keeps
// it) takes along what undoes its last append: a statement failing after the hand-over still puts
// the bytes, the length and the room taken ahead back.
TEST(FileHandOver, AMovedFileStillUndoesItsLastAppend) {
    ScratchFolder folder;
    const auto path = folder.path() / "f";
    qc::foxpro::File file(path, qc::foxpro::File::Mode::CreateNew);
    file.writeAt(0, std::string(100, 'a'));
    file.writeGrowing(50, std::string(100, 'b'), std::uint64_t{1} << 30);
    qc::foxpro::File moved(std::move(file));
    qc::foxpro::File assigned;
    assigned = std::move(moved);
    assigned.undoLastAppend();
    assigned.close();
    EXPECT_EQ(qc::foxpro::test::readBytes(path), std::string(100, 'a'));
}

// Another program that ignores the lock cuts a file short under the mapping the rows are written
// through: the row fails with the file's name instead of ending the process with SIGBUS, and the
// file is not lengthened behind that program's back.
TEST(FileCutShort, ARowIntoAFileCutShortFailsWithoutACrash) {
    for (const char* cut : {"t.dbf", "t.fpt"}) {
        ScratchFolder folder;
        auto db = qc::foxpro::Database::open(folder.str());
        db->execute("CREATE TABLE t (name C(5), m M)");
        db->execute("INSERT INTO t VALUES ('a', 'memo')");
        std::filesystem::resize_file(folder.path() / cut, 0);
        EXPECT_EQ(failureOf(*db, "INSERT INTO t VALUES ('b', 'memo')"),
                  "SQL error: File '" + std::string(cut) +
                      "' was made shorter by another program while it was in use. (table t)");
        db.reset();
        EXPECT_EQ(std::filesystem::file_size(folder.path() / cut), 0u) << cut;
    }
}

TEST_F(StatementErrors, CorruptTablesAreRefused) {
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder.file(name), std::ios::binary) << bytes;
    };
    std::string header = qc::foxpro::test::readBytes(folder.file("t.dbf"));
    write("short.dbf", header.substr(0, 20));
    write("dbase.dbf", "\x03" + header.substr(1));
    std::string lying = header;
    lying[4] = 5; // five records claimed, none there
    write("lying.dbf", lying);
    std::string noMemo = header;
    write("nomemo.dbf", noMemo);
    std::string outside = header;
    outside[32 + 16] = static_cast<char>(200); // first field wider than the record
    write("outside.dbf", outside);
    for (const char* name : {"short", "dbase", "lying", "outside"}) {
        const std::string error = failureOf(*db, std::string("INSERT INTO ") + name + " (name) VALUES ('a')");
        EXPECT_NE(error.find(std::string("SQL error: File '") + name + ".dbf' is not a valid table"),
                  std::string::npos)
            << error;
    }
    EXPECT_EQ(failureOf(*db, "INSERT INTO nomemo (name) VALUES ('a')"),
              "SQL error: Memo file 'nomemo.fpt' is missing or is invalid. (table nomemo)");
}

} // namespace
