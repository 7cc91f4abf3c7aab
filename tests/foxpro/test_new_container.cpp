// A new, empty database container made through the engine's call, read back with the independent
// dumpers and set against the container Visual FoxPro 9 wrote (the same first five records,
// before its one table was added).
#include "test_dbc_support.h"

#include "foxpro/database.h"
#include "foxpro/new_container.h"
#include "support/environment.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

namespace fs = std::filesystem;
using qc::test::ScratchFolder;

fs::path vfp9() {
    return fs::path(qc::test::testFilesDir()) / "fixtures" / "vfp9";
}

struct Dump {
    std::vector<std::string> layout;  // field descriptors and the terminator line
    std::vector<std::string> records; // "rec N ..." lines
    std::string memo;                 // the memo header line
};

Dump dump(const fs::path& dbc, const fs::path& dct) {
    const auto result = qc::test::runPython(
        {qc::test::testFilesDir() + "/tools/vfp-oracle/vfpdump.py", dbc.string(), "--memo", dct.string()});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    Dump out;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("  ", 0) == 0)
            out.layout.push_back(line);
        else if (line.rfind("rec ", 0) == 0)
            out.records.push_back(line);
        else if (line.rfind("memo:", 0) == 0)
            out.memo = line;
    }
    return out;
}

TEST(NewContainer, HoldsWhatFoxProWritesForAnEmptyDatabase) {
    ScratchFolder folder;
    qc::foxpro::createContainer((folder / "data1.dbc").string(), 1252);

    const Dump ours = dump(folder / "data1.dbc", folder / "data1.dct");
    const Dump theirs = dump(vfp9() / "data1.dbc", vfp9() / "data1.DCT");
    EXPECT_EQ(ours.layout, theirs.layout);
    ASSERT_EQ(ours.records.size(), 5u);
    ASSERT_GT(theirs.records.size(), 5u);
    EXPECT_EQ(ours.records, std::vector<std::string>(theirs.records.begin(), theirs.records.begin() + 5));
    // One block of 64 bytes after the 512-byte header: the Database record's properties.
    EXPECT_EQ(ours.memo, "memo: nextfree=9 blocksize=64 size=576 bytes4_5=0000");
    const std::string theirMemo = qc::test::readBytes(vfp9() / "data1.DCT");
    EXPECT_TRUE(qc::test::readBytes(folder / "data1.dct").substr(4) == theirMemo.substr(4, 572));

    // The index FoxPro wrote holds the same keys for these five records as ours.
    const auto ourKeys = qc::test::dumpIndexKeys(folder / "data1.dcx");
    auto theirKeys = qc::test::dumpIndexKeys(vfp9() / "data1.DCX");
    for (auto& [tag, keys] : theirKeys)
        std::erase_if(keys, [](const auto& key) { return key.first > 5; });
    EXPECT_EQ(ourKeys, theirKeys);
    EXPECT_EQ(qc::test::checkIndexTree(folder / "data1.dcx"), "");

    // The engine opens it as a container with no table, and binds a new table to it.
    auto db = qc::foxpro::Database::open((folder / "data1.dbc").string());
    EXPECT_TRUE(db->tableNames().empty());
    db->execute("CREATE TABLE [Orders] ([Order Number] I)");
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"orders"});
}

TEST(NewContainer, RefusesWithoutWritingAnything) {
    ScratchFolder folder;
    qc::foxpro::createContainer((folder / "sales.dbc").string(), 1252);
    const auto before = qc::test::snapshot(folder.path());
    const auto refused = [](const fs::path& path, int codePage = 1252) {
        try {
            qc::foxpro::createContainer(path.string(), codePage);
        } catch (const qc::foxpro::Error& e) {
            return std::string(e.what());
        }
        return std::string("created");
    };
    EXPECT_EQ(refused(folder / "SALES.DBC"), "File 'SALES.DCT' already exists.");
    EXPECT_EQ(refused(folder / "sales.txt"),
              "A database container's file name must end in .dbc: 'sales.txt'.");
    EXPECT_EQ(refused(folder / ".dbc"), "A database container's file name must end in .dbc: '.dbc'.");
    EXPECT_EQ(refused(folder / "missing" / "new.dbc"),
              "Folder '" + (folder / "missing").string() + "' does not exist.");
    // A lone .dcx left over from elsewhere blocks the name too.
    qc::test::writeBytes(folder / "other.dcx", "x");
    EXPECT_EQ(refused(folder / "other.dbc"), "File 'other.dcx' already exists.");
    fs::remove(folder / "other.dcx");
    EXPECT_EQ(refused(folder / "baltic.dbc", 1257), "Code page 1257 cannot be written by this engine.");
    EXPECT_EQ(qc::test::snapshot(folder.path()), before);
}

} // namespace
