// Table and field names, the 2 GB ceiling and failing writes.
#include "foxpro_test_helpers.h"

#include "foxpro/dbf_file.h"
#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sys/resource.h>

using qc::foxpro::test::failureOf;
using qc::foxpro::test::ScratchFolder;

namespace {

std::vector<std::string> listing(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TableNames, NamesThatCouldLeaveTheFolderAreRefused) {
    ScratchFolder folder;
    std::filesystem::create_directories(folder.file("inner"));
    auto db = qc::foxpro::Database::open(folder.file("inner").string());
    const std::vector<std::string> names{
        "[]", "[.]", "[..]", "[../x]", "[a/b]", "[a\\b]", "[c:x]", "\"/tmp/x\"", std::string("[a\0b]", 5)};
    for (const std::string& name : names) {
        for (const std::string& statement : {"CREATE TABLE " + name + " (a C(1))", "DROP TABLE " + name,
                                             "INSERT INTO " + name + " VALUES ('a')"}) {
            const std::string error = failureOf(*db, statement);
            EXPECT_EQ(error.rfind("SQL error: Invalid table name", 0), 0u) << statement << " -> " << error;
        }
    }
    EXPECT_EQ(listing(folder.path()), std::vector<std::string>{"inner"});
    EXPECT_TRUE(listing(folder.file("inner")).empty());
}

TEST(TableNames, FilesAreLowerCaseAndFoundWhateverTheirCase) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE [My Orders] (n M)");
    db->execute("CREATE TABLE \"Quote\"\"d\" (n I)");
    EXPECT_EQ(listing(folder.path()),
              (std::vector<std::string>{"my orders.dbf", "my orders.fpt", "quote\"d.dbf"}));
    db->execute("INSERT INTO [MY ORDERS] VALUES ('x')");
    db = qc::foxpro::Database::open(folder.str());
    // Tables others wrote with upper-case files are found, listed and dropped with their memo.
    std::filesystem::rename(folder.file("my orders.dbf"), folder.file("OTHER.DBF"));
    std::filesystem::rename(folder.file("my orders.fpt"), folder.file("OTHER.FPT"));
    std::ofstream(folder.file("notes.txt")) << "not a table";
    std::filesystem::create_directories(folder.file("dir.dbf"));
    EXPECT_EQ(db->tableNames(), (std::vector<std::string>{"other", "quote\"d"}));
    db->execute("INSERT INTO other VALUES ('y')");
    EXPECT_EQ(qc::foxpro::test::dumpedRecords(qc::foxpro::test::vfpDump(folder.file("OTHER.DBF"))).size(),
              2u);
    EXPECT_EQ(failureOf(*db, "CREATE TABLE Other (a C(1))"),
              "SQL error: File 'other.dbf' already exists. (table Other)");
    db->execute("DROP TABLE OTHER");
    EXPECT_EQ(listing(folder.path()), (std::vector<std::string>{"dir.dbf", "notes.txt", "quote\"d.dbf"}));
}

// A connection keeps the folder's names from statement to statement; what another connection or
// program makes or takes away after it read them is seen all the same, in any letter case.
TEST(TableNames, FilesOthersChangeAfterTheFolderWasReadAreSeen) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    auto other = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE first (n I)");
    other->execute("CREATE TABLE Later (n I)");
    EXPECT_EQ(failureOf(*db, "CREATE TABLE LATER (n I)"),
              "SQL error: File 'later.dbf' already exists. (table LATER)");
    other.reset();
    std::filesystem::copy_file(folder.file("later.dbf"), folder.file("ORDERS.DBF"));
    std::ofstream(folder.file("NOTES.FPT")) << "not ours";
    EXPECT_EQ(failureOf(*db, "CREATE TABLE orders (n I)"),
              "SQL error: File 'orders.dbf' already exists. (table orders)");
    EXPECT_EQ(failureOf(*db, "CREATE TABLE notes (m M)"),
              "SQL error: File 'notes.fpt' already exists. (table notes)");
    db->execute("INSERT INTO Orders VALUES (7)");
    db->execute("DROP TABLE orders");
    // Taken away by another program, a table is missing here too, and its name free again.
    std::filesystem::rename(folder.file("later.dbf"), folder.file("later.bak"));
    EXPECT_EQ(failureOf(*db, "INSERT INTO later VALUES (1)"),
              "SQL error: File 'later.dbf' does not exist. (table later)");
    db->execute("CREATE TABLE later (n I)");
    db.reset();
    EXPECT_EQ(listing(folder.path()),
              (std::vector<std::string>{"NOTES.FPT", "first.dbf", "later.bak", "later.dbf"}));
}

TEST(TableNames, OpeningAMissingFolderOrContainerFails) {
    ScratchFolder folder;
    EXPECT_THROW(qc::foxpro::Database::open(folder.file("missing").string()), qc::foxpro::Error);
    std::ofstream(folder.file("plain.txt")) << "x";
    EXPECT_THROW(qc::foxpro::Database::open(folder.file("plain.txt").string()), qc::foxpro::Error);
    EXPECT_THROW(qc::foxpro::Database::open(folder.file("missing.DBC").string()), qc::foxpro::Error);
}

TEST(FieldNames, FreeTableNamesAreShortUpperAndUnique) {
    using qc::foxpro::shortFieldNames;
    EXPECT_EQ(shortFieldNames({"OrderID", "order date", "1st", "Prénom", "contact_type_id", "contact_type",
                               "contact_typ", "_NullFlags", "a-b", "a_b"}),
              (std::vector<std::string>{"ORDERID", "ORDER_DATE", "_1ST", "PR_NOM", "CONTACT_TY", "CONTACT_T2",
                                        "CONTACT_T3", "_NULLFLAG2", "A_B", "A_B2"}));
    std::vector<std::string> many;
    for (int i = 0; i < 12; ++i)
        many.push_back("abcdefghijk" + std::to_string(i));
    const auto names = shortFieldNames(many);
    EXPECT_EQ(names[0], "ABCDEFGHIJ");
    EXPECT_EQ(names[9], "ABCDEFGH10");
    EXPECT_EQ(names[11], "ABCDEFGH12");
    EXPECT_THROW(shortFieldNames({"a", "A"}), qc::foxpro::Error);
    EXPECT_THROW(shortFieldNames({""}), qc::foxpro::Error);

    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE t ([Customer Name] C(5), [Customer Number] I)");
    db->execute("INSERT INTO t (customer_2, CUSTOMER_N) VALUES (5, 'x')");
    // A long name is not guessed at: cut to ten characters it would name the other field.
    EXPECT_EQ(failureOf(*db, "INSERT INTO t ([Customer Number]) VALUES (1)"),
              "SQL error: Column 'Customer Number' is not found. (table t)");
    const auto records = qc::foxpro::test::dumpedRecords(qc::foxpro::test::vfpDump(folder.file("t.dbf")));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("CUSTOMER_N='x' | CUSTOMER_2=5"), std::string::npos) << records[0];
    EXPECT_NE(failureOf(*db, "CREATE TABLE u (a C(1), [A] I)").find("duplicated"), std::string::npos);
}

// Neither file may pass the limit: the INSERT that would is refused, writes nothing, and the
// table takes further rows that fit.
TEST(SizeLimit, AnInsertPastTheLimitWritesNothing) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str(), qc::foxpro::Database::Limits{2000});
    db->execute("CREATE TABLE t (a C(100), m M)"); // header 360 bytes, records 106
    std::string error;
    int rows = 0;
    while ((error = failureOf(*db, "INSERT INTO t VALUES ('row', NULL)")).empty())
        ++rows;
    EXPECT_EQ(rows, (2000 - 360 - 1) / 105);
    EXPECT_EQ(error, "SQL error: File 't.dbf' is too large: it would pass 2,147,483,647 bytes. The row was "
                     "not written. (table t)");
    const std::string before = qc::foxpro::test::readBytes(folder.file("t.dbf"));
    EXPECT_LE(before.size(), 2000u);
    EXPECT_EQ(qc::foxpro::test::dumpedRecords(qc::foxpro::test::vfpDump(folder.file("t.dbf"))).size(),
              static_cast<std::size_t>(rows));

    auto memoDb = qc::foxpro::Database::open(folder.str(), qc::foxpro::Database::Limits{1000});
    memoDb->execute("CREATE TABLE u (m M)");
    memoDb->execute("INSERT INTO u VALUES ('" + std::string(400, 'x') + "')"); // 512 + 448 bytes
    EXPECT_NE(failureOf(*memoDb, "INSERT INTO u VALUES ('y')").find("File 'u.fpt' is too large"),
              std::string::npos);
    memoDb->execute("INSERT INTO u VALUES ('')");
    memoDb.reset(); // gives back the room the memo file took ahead
    EXPECT_EQ(std::filesystem::file_size(folder.file("u.fpt")), 960u);
    const auto records = qc::foxpro::test::dumpedRecords(qc::foxpro::test::vfpDump(folder.file("u.dbf")));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[1].find("M='blk=0'"), std::string::npos) << records[1];
}

// A write the system refuses half-way (here the file size limit of the process) is reported,
// and the table stays readable and usable.
TEST(FailingWrites, ARefusedWriteLeavesAUsableTable) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE t (a C(200), m M)");
    db->execute("INSERT INTO t VALUES ('first', 'memo')");
    // A connection of its own, so that the table holds no room taken ahead and the row must grow it.
    db = qc::foxpro::Database::open(folder.str());
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = std::filesystem::file_size(folder.file("t.dbf")) + 50;
    setrlimit(RLIMIT_FSIZE, &tight);
    const std::string error = failureOf(*db, "INSERT INTO t VALUES ('second', NULL)");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(error, "SQL error: File 't.dbf' is too large. (table t)");
    db->execute("INSERT INTO t VALUES ('third', 'again')");
    const auto records = qc::foxpro::test::dumpedRecords(qc::foxpro::test::vfpDump(folder.file("t.dbf")));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[1].find("A='third'"), std::string::npos);
    EXPECT_EQ(qc::foxpro::fileErrorMessage(ENOSPC, "t.dbf", "writing"), "Disk is full writing file 't.dbf'.");
}

} // namespace
