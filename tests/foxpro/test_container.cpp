// Database containers: what a new container and a table added to it look like next to the files
// Visual FoxPro wrote, reading FoxPro's own container, and the index after every change.
#include "test_dbc_support.h"

#include "foxpro/container.h"
#include "foxpro/container_catalog.h"
#include "foxpro/database.h"
#include "foxpro/dbf_file.h"
#include "support/environment.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;
using qc::test::readBytes;
using qc::test::ScratchFolder;

fs::path fixtures() {
    return fs::path(qc::test::testFilesDir()) / "fixtures";
}

qc::foxpro::FieldSpec spec(const char* name, char type, int width = 0, bool binary = false) {
    qc::foxpro::FieldSpec f;
    f.name = name;
    f.type = type;
    f.width = width;
    f.binary = binary;
    return f;
}

// The fields of Visual FoxPro 9's table1: one of every type.
std::vector<qc::foxpro::FieldSpec> vfp9Fields() {
    auto autoinc = spec("integerautoinc", 'I', 4, true);
    autoinc.autoIncrement = true;
    return {spec("blob", 'W', 4),
            spec("character", 'C', 10),
            spec("characterbin", 'C', 10, true),
            spec("currency", 'Y', 8),
            spec("date", 'D', 8),
            spec("datetime", 'T', 8),
            spec("double", 'B', 8),
            spec("float", 'F', 10),
            spec("general", 'G', 4),
            spec("integer", 'I', 4),
            autoinc,
            spec("logical", 'L', 1),
            spec("memo", 'M', 4),
            spec("memobin", 'M', 4, true),
            spec("numeric", 'N', 10),
            spec("varbin", 'Q', 10),
            spec("varchar", 'V', 10),
            spec("varcharbin", 'V', 10, true)};
}

// Bytes equal but for the three "last update" bytes of a table header.
void expectSameTable(const std::string& ours, const std::string& theirs, const std::string& what) {
    ASSERT_EQ(ours.size(), theirs.size()) << what;
    ASSERT_GE(ours.size(), 4u);
    EXPECT_EQ(ours.substr(0, 1), theirs.substr(0, 1)) << what;
    EXPECT_TRUE(ours.substr(4) == theirs.substr(4)) << what << " differs";
}

TEST(Container, NewContainerAndTableMatchFoxProBytes) {
    ScratchFolder folder;
    const auto dbc = folder / "data1.dbc";
    qc::foxpro::Container::create(dbc);
    {
        qc::foxpro::ContainerCatalog catalog(qc::foxpro::Container::open(dbc));
        catalog.createTable("table1", vfp9Fields(), 1252);
    }
    const auto vfp9 = fixtures() / "vfp9";
    expectSameTable(readBytes(dbc), readBytes(vfp9 / "data1.dbc"), "data1.dbc");
    EXPECT_TRUE(readBytes(folder / "data1.dct") == readBytes(vfp9 / "data1.DCT"));
    std::string ourIndex = readBytes(folder / "data1.dcx");
    const std::string theirIndex = readBytes(vfp9 / "data1.DCX");
    ASSERT_EQ(ourIndex.size(), theirIndex.size());
    // The attribute of the OBJECTTYPE root leaf: FoxPro sets an undocumented bit there.
    EXPECT_EQ(ourIndex[0x1000], 3);
    ourIndex[0x1000] = 7;
    EXPECT_TRUE(ourIndex == theirIndex);
    // FoxPro's empty table1.dbf ends at its header; ours carries the end-of-file mark.
    std::string ourTable = readBytes(folder / "table1.dbf");
    const std::string theirTable = readBytes(vfp9 / "table1.dbf");
    if (ourTable.size() == theirTable.size() + 1 && ourTable.back() == '\x1a')
        ourTable.pop_back();
    expectSameTable(ourTable, theirTable, "table1.dbf");
    EXPECT_TRUE(readBytes(folder / "table1.fpt") == readBytes(vfp9 / "table1.FPT"));
}

// The first five records, and a fresh container is what the container API opens.
TEST(Container, NewContainerHoldsTheDatabaseRecords) {
    ScratchFolder folder;
    qc::foxpro::Container::create(folder / "Sales.DBC");
    EXPECT_TRUE(fs::exists(folder / "Sales.DCT"));
    EXPECT_TRUE(fs::exists(folder / "Sales.DCX"));
    EXPECT_TRUE(qc::foxpro::Database::open((folder / "Sales.DBC").string())->tableNames().empty());
    const auto c = qc::foxpro::Container::open(folder / "Sales.DBC");
    ASSERT_EQ(c.records().size(), 5u);
    EXPECT_EQ(c.records()[4].objectName, "StoredProceduresDependencies");
    EXPECT_EQ(c.backlink(1252), "sales.dbc");
    EXPECT_TRUE(c.tableNames().empty());
    EXPECT_EQ(
        qc::foxpro::findProperty(c.properties(c.records()[0]), qc::foxpro::dbc_property::kVersion)->value,
        (std::vector<std::uint8_t>{0, 0, 0, 10}));
    // A second container over the first one is refused and leaves it alone.
    const auto before = qc::test::snapshot(folder.path());
    EXPECT_THROW(qc::foxpro::Container::create(folder / "sales.dbc"), qc::foxpro::Error);
    EXPECT_EQ(qc::test::snapshot(folder.path()), before);
}

TEST(Container, ReadsFoxProContainerAndItsTables) {
    const auto dbc = fixtures() / "vfp" / "foxprodb" / "FOXPRO-DB-TEST.DBC";
    auto db = qc::foxpro::Database::open(dbc.string());
    auto names = db->tableNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"calls", "contacts", "setup", "types"}));

    qc::foxpro::ContainerCatalog catalog(qc::foxpro::Container::open(dbc));
    std::size_t totalRecords = 0;
    for (const auto& name : names) {
        const auto path = catalog.findTable(name);
        ASSERT_TRUE(path && fs::exists(*path)) << name;
        auto table = qc::foxpro::DbfFile::open(*path, false);
        const auto fields = catalog.fieldNames(name, table.layout());
        ASSERT_EQ(fields.size(), table.layout().fields.size()) << name;
        // Every value of every record decodes.
        for (std::uint32_t r = 0; r < table.recordCount(); ++r) {
            const auto record = table.readRecord(r);
            for (int f = 0; f < static_cast<int>(fields.size()); ++f)
                EXPECT_NO_THROW(table.value(record, f)) << name << " record " << r << " field " << f;
        }
        totalRecords += table.recordCount();
        const auto dumped = qc::test::runPython(
            {qc::test::testFilesDir() + "/tools/vfp-oracle/vfpdump.py", path->string(), "--records", "0"});
        EXPECT_NE(dumped.output.find(" records=" + std::to_string(table.recordCount()) + " "),
                  std::string::npos)
            << name << dumped.output;
        EXPECT_EQ(table.backlink(), "foxpro-db-test.dbc");
    }
    EXPECT_GT(totalRecords, 0u);
    // Long names come from the container, in DBF order, where the DBF holds cut ones.
    auto types = qc::foxpro::DbfFile::open(*catalog.findTable("TYPES"), false);
    EXPECT_EQ(catalog.fieldNames("types", types.layout()),
              (std::vector<std::string>{"contact_type_id", "contact_type"}));
    EXPECT_EQ(types.layout().fields[1].name, "CONTACT_T2");
    EXPECT_EQ(types.value(types.readRecord(1), 1).text, "Seller");
}

} // namespace

namespace {

// Dropping a table of FoxPro's own container takes its fields, indexes and relations with it,
// and the relations of other tables that name it as their parent.
TEST(Container, DropFromFoxProContainerTakesDependentRecords) {
    ScratchFolder folder;
    for (const auto& entry : fs::directory_iterator(fixtures() / "vfp" / "foxprodb")) {
        fs::copy_file(entry.path(), folder / entry.path().filename().string());
        fs::permissions(folder / entry.path().filename().string(), fs::perms::owner_write,
                        fs::perm_options::add);
    }
    const auto dbc = folder / "FOXPRO-DB-TEST.DBC";
    auto db = qc::foxpro::Database::open(dbc.string());
    db->execute("DROP TABLE contacts");
    EXPECT_FALSE(fs::exists(folder / "contacts.dbf"));
    EXPECT_FALSE(fs::exists(folder / "contacts.FPT"));
    EXPECT_FALSE(fs::exists(folder / "contacts.CDX"));
    EXPECT_TRUE(fs::exists(folder / "calls.dbf"));

    const auto c = qc::foxpro::Container::open(dbc);
    std::vector<int> deleted;
    for (const auto& r : c.records())
        if (r.deleted)
            deleted.push_back(r.objectId);
    std::vector<int> want;
    for (int id = 12; id <= 41; ++id)
        want.push_back(id);
    for (int id : {51, 52, 54, 55, 56, 58}) // 52 and 54 were deleted already
        want.push_back(id);
    std::sort(want.begin(), want.end());
    EXPECT_EQ(deleted, want);
    EXPECT_EQ(c.tableNames(), (std::vector<std::string>{"types", "setup", "calls"}));

    // The index now holds exactly the live records; a new table gets the next id.
    db->execute("CREATE TABLE extra (x INT)");
    const auto keys = qc::test::dumpIndexKeys(folder / "FOXPRO-DB-TEST.DCX");
    std::size_t live = 0;
    const auto after = qc::foxpro::Container::open(dbc);
    for (const auto& r : after.records())
        live += r.deleted ? 0 : 1;
    EXPECT_EQ(keys.at("OBJECTTYPE").size(), live);
    EXPECT_EQ(keys.at("OBJECTNAME").size(), live);
    EXPECT_EQ(qc::test::checkIndexTree(folder / "FOXPRO-DB-TEST.DCX"), "");
    EXPECT_EQ(qc::foxpro::Container::open(dbc).findTable("EXTRA")->objectId, 59);
    EXPECT_EQ(qc::foxpro::DbfFile::open(folder / "extra.dbf", false).backlink(), "foxpro-db-test.dbc");
}

} // namespace
