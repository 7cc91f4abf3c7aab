// Changes to a database container through statements: tables created, filled and dropped, the
// index after each change, long field names, and what a damaged or read-only container does.
#include "test_dbc_support.h"

#include "foxpro/container.h"
#include "foxpro/container_catalog.h"
#include "foxpro/database.h"
#include "foxpro/dbc_index.h"
#include "support/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

namespace fs = std::filesystem;
using qc::test::readBytes;
using qc::test::ScratchFolder;
using qc::test::snapshot;
using Keys = std::vector<std::pair<std::uint32_t, std::string>>;

std::string dump(const fs::path& dbf, const fs::path& memo = {}) {
    std::vector<std::string> args{qc::test::testFilesDir() + "/tools/vfp-oracle/vfpdump.py", dbf.string()};
    if (!memo.empty())
        args.insert(args.end(), {"--memo", memo.string()});
    const auto result = qc::test::runPython(args);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.output;
}

std::string pad(std::string s, std::size_t n) {
    s.resize(n, ' ');
    return s;
}

// The keys both tags must hold for the live records, sorted as the index sorts them.
std::map<std::string, Keys> expectedKeys(const fs::path& dbc) {
    const auto c = qc::foxpro::Container::open(dbc);
    std::map<std::string, Keys> out;
    for (std::size_t i = 0; i < c.records().size(); ++i) {
        const auto& r = c.records()[i];
        if (r.deleted)
            continue;
        char id[16];
        std::snprintf(id, sizeof id, "%10d", r.parentId);
        const std::string type = id + pad(r.objectType, 10);
        std::string name = r.objectName;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char ch) { return std::tolower(ch); });
        out["OBJECTTYPE"].emplace_back(static_cast<std::uint32_t>(i + 1), type);
        out["OBJECTNAME"].emplace_back(static_cast<std::uint32_t>(i + 1), type + pad(name, 128));
    }
    for (auto& [tag, keys] : out)
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second < b.second : a.first < b.first;
        });
    return out;
}

void expectIndexCurrent(const fs::path& dbc, const fs::path& dcx) {
    const auto keys = qc::test::dumpIndexKeys(dcx);
    const auto want = expectedKeys(dbc);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys.at("OBJECTNAME"), want.at("OBJECTNAME"));
    EXPECT_EQ(keys.at("OBJECTTYPE"), want.at("OBJECTTYPE"));
    EXPECT_EQ(qc::test::checkIndexTree(dcx), "");
}

std::string sqlError(qc::foxpro::Database& db, const std::string& statement) {
    try {
        db.execute(statement);
    } catch (const qc::foxpro::Error& e) {
        return e.what();
    }
    return "no error";
}

class ContainerChanges : public ::testing::Test {
  protected:
    void SetUp() override {
        qc::foxpro::Container::create(dbc);
        db = qc::foxpro::Database::open(dbc.string());
    }
    ScratchFolder folder;
    fs::path dbc = folder / "shop.dbc";
    std::unique_ptr<qc::foxpro::Database> db;
};

TEST_F(ContainerChanges, CreateAndInsertBindTheTableToTheContainer) {
    db->execute("CREATE TABLE [Orders] (OrderID INT NOT NULL, [Customer Name] VARCHAR(40), Notes MEMO, "
                "a_field_name_that_is_longer_than_ten CHAR(5));");
    db->execute("INSERT INTO Orders VALUES (1, 'Alice', 'first', 'abc')");
    db->execute("INSERT INTO orders (orderid, a_field_name_that_is_longer_than_ten, customer_name) "
                "VALUES (2, 'xyz', 'Bob')");
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"orders"});

    const std::string table = dump(folder / "orders.dbf", folder / "orders.fpt");
    EXPECT_NE(table.find("backlink=b'shop.dbc'"), std::string::npos) << table;
    EXPECT_NE(table.find("'A_FIELD_NA'"), std::string::npos) << table;
    EXPECT_NE(table.find("CUSTOMER_N='Bob'"), std::string::npos) << table;
    EXPECT_NE(table.find("A_FIELD_NA='xyz'"), std::string::npos) << table;
    EXPECT_NE(table.find("records=2"), std::string::npos) << table;

    const std::string container = dump(dbc, folder / "shop.dct");
    EXPECT_NE(container.find("records=10"), std::string::npos) << container;
    EXPECT_NE(container.find("OBJECTTYPE='Table' | OBJECTNAME='orders'"), std::string::npos);
    EXPECT_NE(container.find("x01orders.dbf\\\\x00"), std::string::npos) << container;
    EXPECT_NE(container.find("OBJECTID=10 | PARENTID=6 | OBJECTTYPE='Field' | "
                             "OBJECTNAME='a_field_name_that_is_longer_than_ten'"),
              std::string::npos);
    expectIndexCurrent(dbc, folder / "shop.dcx");
}

TEST_F(ContainerChanges, DropMarksTheRecordsAndRemovesTheFiles) {
    db->execute("CREATE TABLE a (x INT, m MEMO)");
    db->execute("CREATE TABLE b (y INT)");
    db->execute("INSERT INTO a VALUES (1, 'memo')");
    db->execute("DROP TABLE A");
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"b"});
    EXPECT_FALSE(fs::exists(folder / "a.dbf"));
    EXPECT_FALSE(fs::exists(folder / "a.fpt"));
    EXPECT_TRUE(fs::exists(folder / "b.dbf"));
    const std::string container = dump(dbc);
    EXPECT_NE(container.find("rec 6 del='*' OBJECTID=6 | PARENTID=1 | OBJECTTYPE='Table' | OBJECTNAME='a'"),
              std::string::npos)
        << container;
    EXPECT_NE(container.find("rec 8 del='*'"), std::string::npos);
    EXPECT_NE(container.find("rec 9 del=' ' OBJECTID=9 | PARENTID=1 | OBJECTTYPE='Table'"),
              std::string::npos);
    expectIndexCurrent(dbc, folder / "shop.dcx");

    // The name is free again, and the new records get new ids.
    db->execute("CREATE TABLE a (z CHAR(3))");
    db->execute("INSERT INTO a VALUES ('new')");
    EXPECT_NE(dump(dbc).find("OBJECTID=11 | PARENTID=1 | OBJECTTYPE='Table' | OBJECTNAME='a'"),
              std::string::npos);
    EXPECT_NE(dump(folder / "a.dbf").find("Z='new'"), std::string::npos);
    expectIndexCurrent(dbc, folder / "shop.dcx");
    EXPECT_NE(sqlError(*db, "DROP TABLE nothere").find("SQL error: "), std::string::npos);
}

TEST_F(ContainerChanges, LongFieldNamesStayInTheContainer) {
    const std::string name128 = "n" + std::string(127, 'x');
    const std::string name129 = "m" + std::string(128, 'y');
    db->execute("CREATE TABLE t (contact_type_id INT, contact_type INT, " + name128 + " INT, " + name129 +
                " INT, [2nd] INT, [Größe] INT)");
    db->execute("INSERT INTO t (" + name128 + ", " + name129.substr(0, 128) + ") VALUES (7, 8)");
    qc::foxpro::ContainerCatalog catalog(qc::foxpro::Container::open(dbc));
    const auto table = dump(folder / "t.dbf");
    for (const char* shortName : {"'CONTACT_TY'", "'CONTACT_T2'", "'NXXXXXXXXX'", "'MYYYYYYYYY'", "'_2ND'"})
        EXPECT_NE(table.find(shortName), std::string::npos) << shortName << table;
    EXPECT_NE(table.find("NXXXXXXXXX=7 | MYYYYYYYYY=8"), std::string::npos) << table;
    const auto c = qc::foxpro::Container::open(dbc);
    EXPECT_EQ(c.fieldNames(*c.findTable("T")),
              (std::vector<std::string>{"contact_type_id", "contact_type", name128, name129.substr(0, 128),
                                        "_2nd", "gr__e"}));
    EXPECT_EQ(qc::foxpro::dbcLongFieldNames({"Id", "ID_", "id"}),
              (std::vector<std::string>{"id", "id_", "id2"}));

    // A table name the container cannot hold leaves no file behind.
    const auto before = snapshot(folder.path());
    EXPECT_NE(sqlError(*db, "CREATE TABLE " + std::string(129, 't') + " (x INT)").find("too long"),
              std::string::npos);
    EXPECT_EQ(snapshot(folder.path()), before);
    db->execute("CREATE TABLE " + std::string(128, 't') + " (x INT)");
    EXPECT_EQ(db->tableNames().back(), std::string(128, 't'));
}

TEST_F(ContainerChanges, TableFileBesideTheContainerIsRefused) {
    qc::test::writeBytes(folder / "Stray.DBF", "not ours");
    qc::test::writeBytes(folder / "other.fpt", "not ours either");
    const auto before = snapshot(folder.path());
    EXPECT_NE(sqlError(*db, "CREATE TABLE stray (x INT)").find("already exists"), std::string::npos);
    EXPECT_NE(sqlError(*db, "CREATE TABLE other (x INT)").find("already exists"), std::string::npos);
    EXPECT_NE(sqlError(*db, "DROP TABLE stray").find("SQL error: "), std::string::npos);
    EXPECT_EQ(snapshot(folder.path()), before);
    EXPECT_TRUE(db->tableNames().empty());
    // Written after the connection read the folder, such a file is refused just the same.
    db->execute("CREATE TABLE mine (x INT)");
    qc::test::writeBytes(folder / "LATE.CDX", "not ours");
    EXPECT_NE(sqlError(*db, "CREATE TABLE late (x INT)").find("'late.cdx' already exists"),
              std::string::npos);
}

TEST_F(ContainerChanges, ReadOnlyContainerRefusesChanges) {
    db->execute("CREATE TABLE kept (x INT)");
    db.reset();
    fs::permissions(dbc, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const auto before = snapshot(folder.path());
    auto readOnly = qc::foxpro::Database::open(dbc.string());
    EXPECT_EQ(readOnly->tableNames(), std::vector<std::string>{"kept"});
    EXPECT_NE(sqlError(*readOnly, "CREATE TABLE t (x INT)").find("read-only"), std::string::npos);
    EXPECT_NE(sqlError(*readOnly, "DROP TABLE kept").find("read-only"), std::string::npos);
    EXPECT_EQ(snapshot(folder.path()), before);
}

TEST(ContainerOpen, MissingOrDamagedContainersFailAndStayUntouched) {
    ScratchFolder folder;
    const auto dbc = folder / "d.dbc";
    qc::foxpro::Container::create(dbc);
    auto opens = [&](const fs::path& path) -> std::string {
        const auto before = snapshot(folder.path());
        try {
            qc::foxpro::Database::open(path.string());
        } catch (const qc::foxpro::Error& e) {
            EXPECT_EQ(snapshot(folder.path()), before) << path;
            return e.what();
        }
        return "opened";
    };
    EXPECT_EQ(opens(dbc), "opened");
    EXPECT_EQ(opens(folder / "D.DBC"), "opened"); // names match in any case
    EXPECT_NE(opens(folder / "none.dbc").find("does not exist"), std::string::npos);

    const std::string memo = readBytes(folder / "d.dct");
    fs::remove(folder / "d.dct");
    EXPECT_NE(opens(dbc).find("'d.dct' is missing"), std::string::npos);
    qc::test::writeBytes(folder / "d.dct", memo);

    const std::string index = readBytes(folder / "d.dcx");
    qc::test::writeBytes(folder / "d.dcx", "");
    EXPECT_NE(opens(dbc).find("'d.dcx'"), std::string::npos);
    qc::test::writeBytes(folder / "d.dcx", index);

    // A table that is not a container, and a container that lost its last records.
    const std::string table = readBytes(dbc);
    qc::test::writeBytes(dbc, readBytes(fs::path(qc::test::testFilesDir()) / "fixtures/vfp9/table1.dbf"));
    EXPECT_NE(opens(dbc).find("not a database container"), std::string::npos);
    qc::test::writeBytes(dbc, table.substr(0, table.size() - 200));
    EXPECT_NE(opens(dbc), "opened");
    qc::test::writeBytes(dbc, table);
    EXPECT_EQ(opens(dbc), "opened");
}

// An index left beside the container by a change that did not finish: the next open rebuilds
// the index from the committed records, unless the container is read-only.
TEST_F(ContainerChanges, InterruptedIndexIsRebuiltOnOpen) {
    const std::string fresh = readBytes(folder / "shop.dcx");
    db->execute("CREATE TABLE t (x INT, y CHAR(2))");
    db.reset();
    const std::string current = readBytes(folder / "shop.dcx");
    qc::test::writeBytes(folder / "shop.dcx", fresh);
    qc::test::writeBytes(qc::foxpro::pendingIndexPath(folder / "shop.dcx"), "half");

    fs::permissions(dbc, fs::perms::owner_write, fs::perm_options::remove);
    qc::foxpro::Container::open(dbc);
    EXPECT_TRUE(readBytes(folder / "shop.dcx") == fresh);
    fs::permissions(dbc, fs::perms::owner_write, fs::perm_options::add);

    qc::foxpro::Container::open(dbc);
    EXPECT_TRUE(readBytes(folder / "shop.dcx") == current);
    EXPECT_FALSE(fs::exists(qc::foxpro::pendingIndexPath(folder / "shop.dcx")));
}

// Records written past the count by a change that did not commit are not part of the
// container, and the next change writes over them.
TEST_F(ContainerChanges, UncommittedRecordsAreIgnoredAndOverwritten) {
    db.reset();
    std::string bytes = readBytes(dbc);
    bytes.pop_back(); // the end-of-file mark, overwritten by the first record written
    qc::foxpro::DbcRecord stray;
    stray.objectId = 6;
    stray.parentId = 1;
    stray.objectType = "Table";
    stray.objectName = "ghost";
    qc::test::writeBytes(dbc, bytes + stray.encode());
    db = qc::foxpro::Database::open(dbc.string());
    EXPECT_TRUE(db->tableNames().empty());
    db->execute("CREATE TABLE real (x INT)");
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"real"});
    const std::string container = dump(dbc);
    EXPECT_EQ(container.find("ghost"), std::string::npos);
    EXPECT_NE(container.find("after last record: 1a"), std::string::npos) << container;
    expectIndexCurrent(dbc, folder / "shop.dcx");
}

// A container of 200 tables of 40 fields: the index stays complete and ordered, and a few
// drops in the middle take exactly their records out.
TEST_F(ContainerChanges, IndexHoldsEveryLiveRecordOfManyTables) {
    for (int t = 0; t < 200; ++t) {
        std::string statement = "CREATE TABLE table_" + std::to_string(t) + " (";
        for (int f = 0; f < 40; ++f)
            statement +=
                (f ? ", " : "") + std::string("column_with_a_long_name_") + std::to_string(f) + " INT";
        db->execute(statement + ")");
    }
    for (int t : {0, 77, 199})
        db->execute("DROP TABLE table_" + std::to_string(t));
    EXPECT_EQ(db->tableNames().size(), 197u);
    expectIndexCurrent(dbc, folder / "shop.dcx");
}

} // namespace

namespace {

// Two connections on one container: the one that writes first uses it exclusively until it
// closes; the other then starts from what the first one wrote.
TEST_F(ContainerChanges, SecondConnectionWaitsForTheFirstAndKeepsItsChanges) {
    auto other = qc::foxpro::Database::open(dbc.string());
    db->execute("CREATE TABLE first (x INT, m MEMO)");
    EXPECT_EQ(sqlError(*other, "CREATE TABLE second (y INT)"),
              "SQL error: File 'shop.dbc' is in use. (table second)");
    EXPECT_EQ(sqlError(*other, "INSERT INTO first VALUES (2, 'not mine')"),
              "SQL error: File 'shop.dbc' is in use. (table first)");
    db->execute("CREATE TABLE second (y INT)");
    db->execute("DROP TABLE second");
    db->execute("INSERT INTO first VALUES (1, 'kept')");
    db.reset();
    other->execute("CREATE TABLE third (z INT)");
    EXPECT_EQ(other->tableNames(), (std::vector<std::string>{"first", "third"}));
    const auto c = qc::foxpro::Container::open(dbc);
    EXPECT_EQ(c.findTable("first")->objectId, 6);
    EXPECT_EQ(c.findTable("third")->objectId, 11);
    EXPECT_EQ(qc::foxpro::findProperty(c.properties(*c.findTable("third")), qc::foxpro::dbc_property::kPath)
                  ->asText(),
              "third.dbf");
    expectIndexCurrent(dbc, folder / "shop.dcx");
}

// The back-link is written in the table's code page, as FoxPro reads it; a container name that
// code page cannot hold is refused before anything is written.
TEST(ContainerBacklink, WrittenInTheTablesCodePage) {
    ScratchFolder folder;
    qc::foxpro::Container::create(folder / "données.dbc");
    auto db = qc::foxpro::Database::open((folder / "données.dbc").string());
    db->execute("CREATE TABLE t (x INT)");
    EXPECT_NE(dump(folder / "t.dbf").find("backlink=b'donn\\xe9es.dbc'"), std::string::npos)
        << dump(folder / "t.dbf");

    qc::foxpro::Container::create(folder / "数据.dbc");
    db = qc::foxpro::Database::open((folder / "数据.dbc").string());
    const auto before = snapshot(folder.path());
    EXPECT_EQ(
        sqlError(*db, "CREATE TABLE u (x INT)"),
        "SQL error: The name of database container '数据.dbc' cannot be written in code page 1252, which "
        "its tables use; give the container a name that code page can hold. (table u)");
    EXPECT_EQ(snapshot(folder.path()), before);
}

// A table bound to the container without being in it, and without a record of a change that
// made it so, is set free (never deleted) by the next writer and told once.
TEST_F(ContainerChanges, AStrayBoundTableIsFreedAndToldOnce) {
    db->execute("CREATE TABLE t (x INT, m MEMO)");
    db->execute("INSERT INTO t VALUES (1, 'kept')");
    db.reset();
    fs::copy_file(folder / "t.dbf", folder / "u.dbf");
    fs::copy_file(folder / "t.fpt", folder / "u.fpt");
    db = qc::foxpro::Database::open(dbc.string());
    EXPECT_TRUE(db->takeNotices().empty()); // reading changes nothing
    db->execute("CREATE TABLE v (y INT)");
    EXPECT_EQ(
        db->takeNotices(),
        std::vector<std::string>{"Table 'u.dbf' was bound to database container 'shop.dbc' without being in "
                                 "it; it is now a free table."});
    const std::string freed = dump(folder / "u.dbf", folder / "u.fpt");
    EXPECT_NE(freed.find("backlink=b''"), std::string::npos) << freed;
    EXPECT_NE(freed.find("data=b'kept'"), std::string::npos) << freed;
    EXPECT_NE(dump(folder / "t.dbf").find("backlink=b'shop.dbc'"), std::string::npos);
    db.reset();
    db = qc::foxpro::Database::open(dbc.string());
    db->execute("INSERT INTO v VALUES (1)");
    EXPECT_TRUE(db->takeNotices().empty());
    EXPECT_EQ(db->tableNames(), (std::vector<std::string>{"t", "v"}));
}

} // namespace

namespace {

// A container that lists a table outside its folder (as containers moved between machines do)
// refuses that table only; every other table takes its writes.
TEST_F(ContainerChanges, ATableListedOutsideTheFolderStopsOnlyItself) {
    db->execute("CREATE TABLE abcdefgh (x INT)");
    db.reset();
    std::string memo = readBytes(folder / "shop.dct");
    const auto at = memo.find("abcdefgh.dbf");
    ASSERT_NE(at, std::string::npos);
    memo.replace(at, 12, "..\\abcde.dbf");
    qc::test::writeBytes(folder / "shop.dct", memo);

    db = qc::foxpro::Database::open(dbc.string());
    db->execute("CREATE TABLE other (y INT)");
    db->execute("INSERT INTO other VALUES (1)");
    EXPECT_EQ(sqlError(*db, "INSERT INTO abcdefgh VALUES (1)"),
              "SQL error: Table 'abcdefgh' lies outside the folder of database container 'shop.dbc'. "
              "(table abcdefgh)");
    db.reset();
    EXPECT_NE(dump(folder / "other.dbf").find("Y=1"), std::string::npos);
}

} // namespace

namespace {

// A table file deleted by hand while the container still lists it: DROP takes the listing away,
// so the table can be made again.
TEST_F(ContainerChanges, ATableWhoseFileIsGoneCanBeDroppedAndMadeAgain) {
    db->execute("CREATE TABLE t (x INT)");
    db.reset();
    fs::remove(folder / "t.dbf");
    db = qc::foxpro::Database::open(dbc.string());
    EXPECT_EQ(sqlError(*db, "CREATE TABLE t (x INT)"), "SQL error: File 't.dbf' already exists. (table t)");
    db->execute("DROP TABLE t");
    db->execute("CREATE TABLE t (y INT)");
    db->execute("INSERT INTO t VALUES (7)");
    db.reset();
    EXPECT_NE(dump(folder / "t.dbf").find("Y=7"), std::string::npos);
    EXPECT_EQ(qc::foxpro::Container::open(dbc).tableNames(), std::vector<std::string>{"t"});
}

} // namespace

namespace {

// A writer of free tables in the container's folder leaves the container's tables and their
// unfinished changes to the container's writers; a table whose container is gone is its own.
TEST_F(ContainerChanges, AFreeTableWriterLeavesTheContainersTablesAlone) {
    db->execute("CREATE TABLE t (x INT, m MEMO)");
    db->execute("INSERT INTO t VALUES (1, 'first')");
    db.reset();
    const fs::path gone = folder / "gone.dbc";
    qc::foxpro::Container::create(gone);
    qc::foxpro::Database::open(gone.string())->execute("CREATE TABLE g (x INT)");
    for (const char* ext : {".dbc", ".dct", ".dcx"})
        fs::remove(fs::path(gone).replace_extension(ext));

    auto free = qc::foxpro::Database::open(folder.str());
    const std::string refusal = "SQL error: Table 't.dbf' belongs to database container 'shop.dbc'; choose "
                                "the container as the target. (table t)";
    EXPECT_EQ(sqlError(*free, "DROP TABLE t"), refusal);
    EXPECT_EQ(sqlError(*free, "INSERT INTO t VALUES (2, 'free')"), refusal);
    free->execute("DROP TABLE g");
    // A drop of the container's that was cut short before its commit, as a kill leaves it.
    fs::rename(folder / "t.dbf", folder / ".t.dbf.old");
    free = qc::foxpro::Database::open(folder.str());
    free->execute("CREATE TABLE other (y INT)");
    EXPECT_EQ(sqlError(*free, "CREATE TABLE t (y INT)"), refusal);
    free.reset();
    EXPECT_TRUE(fs::exists(folder / ".t.dbf.old"));
    EXPECT_FALSE(fs::exists(folder / "g.dbf"));

    db = qc::foxpro::Database::open(dbc.string());
    db->execute("INSERT INTO t VALUES (2, 'second')");
    db.reset();
    const std::string table = dump(folder / "t.dbf", folder / "t.fpt");
    EXPECT_NE(table.find("records=2"), std::string::npos) << table;
    EXPECT_NE(table.find("data=b'first'"), std::string::npos) << table;
}

} // namespace
