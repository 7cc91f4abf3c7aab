// Tables in code pages other than 1252: written by each table's own mark, read back by readers
// that decode by that mark on their own.
#include "foxpro/codepage.h"
#include "foxpro/dbc_names.h"
#include "foxpro/new_container.h"
#include "test_dbc_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using qc::foxpro::test::dbfreadRecords;
using qc::foxpro::test::failureOf;
using qc::foxpro::test::readBytes;
using qc::foxpro::test::ScratchFolder;
using qc::foxpro::test::vfpDump;

namespace {

struct Page {
    int codePage;
    std::uint8_t mark;
    const char* text; // UTF-8, every character in the page and at least one outside 1252
};

const Page kPages[] = {
    {1250, 0xC8, "Łódź Gdańsk"}, {1251, 0xC9, "Москва"}, {1253, 0xCB, "Αθήνα"}, {1254, 0xCA, "İzmir Şişli"},
    {1255, 0x7D, "ירושלים"},     {932, 0x7B, "東京 ｶﾅ"}, {936, 0x7A, "北京市"}, {866, 0x65, "Київ"},
};

void setMark(const std::filesystem::path& dbf, char mark) {
    std::string bytes = readBytes(dbf);
    bytes[29] = mark;
    std::FILE* out = std::fopen(dbf.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

TEST(CodePages, NewTablesCarryTheRunsPageAndHoldTheirTextInIt) {
    for (const Page& page : kPages) {
        SCOPED_TRACE(page.codePage);
        ScratchFolder folder;
        auto db = qc::foxpro::Database::open(folder.str(), {}, page.codePage);
        db->execute("CREATE TABLE t (c CHAR(40), m MEMO, v VARCHAR(40))");
        db->execute("CREATE TABLE b (w BLOB)");
        const std::string text = page.text;
        db->execute("INSERT INTO t VALUES ('" + text + "', '" + text + "', '" + text + "')");
        db->execute("INSERT INTO b VALUES ('" + text + "')");
        db->close();
        const auto dbf = folder.file("t.dbf");
        EXPECT_EQ(static_cast<std::uint8_t>(readBytes(dbf)[29]), page.mark);
        // dbfread decodes by the mark (and reads a V field's padding too, hence the dumper for
        // it); the blob keeps the UTF-8 bytes as they came.
        const std::string python = "'" + text + "'";
        EXPECT_EQ(dbfreadRecords(dbf).rfind(
                      "C=" + python + " | M=" + python + " | V=" + python.substr(0, python.size() - 1), 0),
                  0u);
        EXPECT_NE(readBytes(folder.file("b.fpt")).find(text), std::string::npos);
        EXPECT_NE(vfpDump(dbf).find(" | V=" + python), std::string::npos);
    }
}

TEST(CodePages, AnExistingTableIsWrittenInThePageItsMarkNames) {
    ScratchFolder folder;
    qc::foxpro::Database::open(folder.str())->execute("CREATE TABLE western (c CHAR(12))");
    qc::foxpro::Database::open(folder.str())->execute("CREATE TABLE unmarked (c CHAR(12))");
    qc::foxpro::Database::open(folder.str())->execute("CREATE TABLE mazovia (c CHAR(12), n INT)");
    setMark(folder.file("unmarked.dbf"), '\x00');
    setMark(folder.file("mazovia.dbf"), '\x69');

    auto polish = qc::foxpro::Database::open(folder.str(), {}, 1250);
    polish->execute("INSERT INTO western VALUES ('Kraków')");
    EXPECT_EQ(failureOf(*polish, "INSERT INTO western VALUES ('Łódź')"),
              "SQL error: Character U+0141 cannot be stored in field C: code page 1252 has no such "
              "character. (table western)");
    // A table without a mark is taken to be in the run's page, and keeps having none.
    polish->execute("INSERT INTO unmarked VALUES ('Łódź')");
    // A page the engine has no converter for is never written as another one.
    EXPECT_EQ(
        failureOf(*polish, "INSERT INTO mazovia VALUES ('Kraków', 1)"),
        "SQL error: Table 'mazovia.dbf' uses code page 620, which this engine cannot write; text cannot "
        "be added to it. (table mazovia)");
    polish->execute("INSERT INTO mazovia VALUES (NULL, 2)");
    polish->close();

    EXPECT_EQ(readBytes(folder.file("western.dbf"))[29], '\x03');
    EXPECT_EQ(dbfreadRecords(folder.file("western.dbf")), "C='Kraków'\n");
    const std::string unmarked = readBytes(folder.file("unmarked.dbf"));
    EXPECT_EQ(unmarked[29], '\x00');
    EXPECT_NE(unmarked.find("\xA3\xF3\x64\x9F"), std::string::npos); // Łódź in 1250
    EXPECT_EQ(dbfreadRecords(folder.file("mazovia.dbf")), "C=NULL | N=2\n");
}

TEST(CodePages, DoubleByteTextCountsBytesAgainstTheWidth) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str(), {}, 932);
    db->execute("CREATE TABLE t (c CHAR(4), v VARCHAR(4))");
    db->execute("INSERT INTO t VALUES ('東京', 'ab京')");
    // One byte too many: refused whole, never cut inside a character.
    EXPECT_EQ(failureOf(*db, "INSERT INTO t VALUES ('東京a', NULL)"),
              "SQL error: String is too long to fit in field C. (table t)");
    EXPECT_EQ(failureOf(*db, "INSERT INTO t VALUES (NULL, 'abc京')"),
              "SQL error: String is too long to fit in field V. (table t)");
    db->close();
    EXPECT_EQ(dbfreadRecords(folder.file("t.dbf")), "C='東京' | V='ab京'\n");
}

TEST(CodePages, CreateTableTakesFoxProsCodepageClause) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE t CODEPAGE = 1250 (c CHAR(10))");
    db->execute("INSERT INTO t VALUES ('Łódź')");
    EXPECT_EQ(failureOf(*db, "CREATE TABLE u CODEPAGE=1257 (c CHAR(10))"),
              "SQL error: Code page 1257 cannot be written by this engine. (table u)");
    EXPECT_THROW(qc::foxpro::Database::check("CREATE TABLE u CODEPAGE = 620 (c CHAR(10))"),
                 qc::foxpro::Error);
    db->close();
    EXPECT_EQ(readBytes(folder.file("t.dbf"))[29], '\xC8');
    EXPECT_EQ(dbfreadRecords(folder.file("t.dbf")), "C='Łódź'\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("u.dbf")));
}

// A container holds its names in its own page, whatever the run's, and finds them again in any
// letter case through keys lower-cased by that page; a name the page cannot hold is refused
// before anything is written.
TEST(CodePages, AContainerHoldsItsNamesInItsOwnPage) {
    ScratchFolder folder;
    qc::foxpro::createContainer(folder.file("rossija.dbc").string(), 1251);
    EXPECT_EQ(readBytes(folder.file("rossija.dbc"))[29], '\xC9');
    const auto dbc = folder.file("polska.dbc");
    qc::foxpro::createContainer(dbc.string(), 1250);
    EXPECT_EQ(readBytes(dbc)[29], '\xC8');

    qc::foxpro::Database::open(dbc.string(), {}, 1252)->execute("CREATE TABLE Miasta_Łódź (nazwa CHAR(20))");
    auto db = qc::foxpro::Database::open(dbc.string(), {}, 1252);
    db->execute("INSERT INTO MIASTA_ŁÓDŹ VALUES ('Kraków')");
    const auto before = qc::test::snapshot(folder.path());
    EXPECT_EQ(failureOf(*db, "CREATE TABLE Αθήνα (x INT)"),
              "SQL error: The name of table 'Αθήνα' cannot be written in code page 1250, which database "
              "container 'polska.dbc' uses; give the table a name that code page can hold. (table Αθήνα)");
    EXPECT_EQ(qc::test::snapshot(folder.path()), before);
    db->close();

    const std::string records = vfpDump(dbc);
    EXPECT_NE(records.find("OBJECTNAME='miasta_Łódź'"), std::string::npos) << records;
    EXPECT_NE(readBytes(folder.file("polska.dct"))
                  .find("miasta_\xA3\xF3"
                        "d\x9F.dbf"),
              std::string::npos);
    std::string key = "         1Table     miasta_\xB3\xF3"
                      "d\x9F";
    key.resize(148, ' ');
    const auto keys = qc::test::dumpIndexKeys(folder.file("polska.dcx")).at("OBJECTNAME");
    EXPECT_NE(std::find(keys.begin(), keys.end(), std::pair<std::uint32_t, std::string>{6, key}), keys.end());
    EXPECT_EQ(qc::foxpro::Database::open(dbc.string())->tableNames(),
              std::vector<std::string>{"miasta_łódź"});
    EXPECT_EQ(dbfreadRecords(folder.file("miasta_Łódź.dbf")), "NAZWA='Kraków'\n");
}

TEST(CodePages, ContainerNamesAreLowerCasedByTheirPage) {
    // 1252 keeps the keys of the containers written before: A-Z, À-Þ but ×, Š Œ Ž and Ÿ.
    std::string bytes, before;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
        const bool shifted = (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7);
        const bool latinA = b == 0x8A || b == 0x8C || b == 0x8E;
        before += static_cast<char>(shifted ? b + 0x20 : latinA ? b + 0x10 : b == 0x9F ? 0xFF : b);
    }
    EXPECT_EQ(qc::foxpro::DbcNames(1252, "d.dbc").lower(bytes), before);
    struct Case {
        int codePage;
        const char* name;
        const char* lower;
    };
    // In 932 the second byte of ア is the byte of "A", and stays.
    const Case cases[] = {{1250, "ŁÓDŹ Ab", "łódź ab"},
                          {1251, "МОСКВА", "москва"},
                          {1253, "ΆΘΗΝΑ", "άθηνα"},
                          {932, "アA", "アa"}};
    for (const Case& c : cases) {
        qc::foxpro::CodePageText text(c.codePage);
        EXPECT_EQ(qc::foxpro::DbcNames(c.codePage, "d.dbc").lower(text.fromUtf8(c.name, "")),
                  text.fromUtf8(c.lower, ""))
            << c.codePage;
    }
}

TEST(CodePages, EveryWritablePageHasAMarkAndAConverter) {
    EXPECT_EQ(qc::foxpro::writableCodePages().front(), 437);
    for (const int page : qc::foxpro::writableCodePages()) {
        EXPECT_NE(qc::foxpro::markOfCodePage(page), 0) << page;
        EXPECT_EQ(qc::foxpro::codePageOfMark(qc::foxpro::markOfCodePage(page)), page);
        EXPECT_EQ(qc::foxpro::CodePageText(page).fromUtf8("plain ASCII", "F"), "plain ASCII") << page;
    }
    for (const int page : {620, 895, 1257, 1258, 65001})
        EXPECT_FALSE(qc::foxpro::isWritableCodePage(page)) << page;
    EXPECT_THROW(qc::foxpro::Database::open(ScratchFolder().str(), {}, 65001), qc::foxpro::Error);
}

} // namespace
