// Values the source cannot hand over and targets that refuse: through FreeTDS and the SQL Server
// stand-in into real FoxPro folders, every table read back with the independent dumper.
#include "conversion_support.h"

#include "engine/conversion_run.h"
#include "foxpro/container.h"
#include "foxpro/database.h"
#include "support/run_inputs.h"
#include "support/scripted_ui.h"
#include "support/small_disk.h"
#include "support/tds_server.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>

using namespace qc;
using namespace qc::engine;
using qc::test::ScriptedUi;

namespace {

// A fixture of the stand-in written into `dir`: the tables as JSON text.
std::string writeFixture(const QTemporaryDir& dir, const std::string& tables) {
    const QString path = dir.filePath(QStringLiteral("fixture.json"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        ("{\"users\": {\"u\": \"p\"}, \"databases\": {\"TestDB\": {\"tables\": [" + tables + "]}}}").c_str());
    return path.toStdString();
}

// A table of `rows` rows of an id and a 200-character text.
std::string wideTable(const std::string& name, int rows) {
    std::string out = "{\"name\": \"" + name +
                      "\", \"columns\": [[\"id\", \"int\"], [\"body\", \"varchar(200)\"]], \"rows\": [";
    for (int i = 1; i <= rows; ++i)
        out += (i > 1 ? "," : "") + std::string("[") + std::to_string(i) + ", \"" + std::string(200, 'x') +
               "\"]";
    return out + "]}";
}

// `columns` int columns named c1, c2, ... and one row of their numbers.
std::string tableOfColumns(const std::string& name, int columns) {
    std::string names, values;
    for (int i = 1; i <= columns; ++i) {
        names += (i > 1 ? "," : "") + std::string("[\"c") + std::to_string(i) + "\", \"int\"]";
        values += (i > 1 ? "," : "") + std::to_string(i);
    }
    return "{\"name\": \"" + name + "\", \"columns\": [" + names + "], \"rows\": [[" + values + "]]}";
}

struct RefusalRun {
    QTemporaryDir fixtureDir;
    std::optional<test::TdsServer> server;
    std::string target; // a folder, or a container when it ends in ".dbc"
    ScriptedUi ui;
    int port = 0;
    std::optional<std::uint64_t> fileSizeLimit;
    RunResult result;
    // The rows the target refused, as the command line's summary counts them.
    std::int64_t refusedRows() const {
        std::int64_t count = 0;
        for (const auto& table : result.tables)
            count += table.refused;
        return count;
    }

    RefusalRun(const std::string& tables, std::string target)
        : server(std::in_place, writeFixture(fixtureDir, tables)), target(std::move(target)),
          port(server->port()) {}
    // Converts, and returns the statements collected for the preview.
    std::vector<std::string> convert(PreviewChoice preview = {}, std::optional<QStringList> tables = {}) {
        ConversionRun run(ui);
        run.setTableFilter(std::move(tables));
        if (fileSizeLimit)
            run.setTargetFileSizeLimit(*fileSizeLimit);
        result = run.run(
            test::tdsLogin(port, QStringLiteral("u"), QStringLiteral("p")),
            target.ends_with(".dbc") ? test::containerTarget(target) : test::folderTarget(target), preview);
        std::vector<std::string> lines;
        for (int line = 1; line <= run.sqlLines().count(); ++line)
            lines.push_back(run.sqlLines().text(line));
        return lines;
    }
    std::vector<int> reportLines() const {
        std::vector<int> lines;
        for (const auto& r : ui.errorReports())
            lines.push_back(
                r.text.section(QStringLiteral("at line "), 1).section(QLatin1Char('\r'), 0, 0).toInt());
        return lines;
    }
};

std::optional<std::string> text(const std::string& s) {
    return s;
}

// A table of the target with one row, written before the run.
void existingTable(const std::string& folder, const std::string& name) {
    qc::foxpro::Database::open(folder)->execute("CREATE TABLE " + name + " (id INT)");
    qc::foxpro::Database::open(folder)->execute("INSERT INTO " + name + " VALUES (99)");
}

std::size_t records(const std::string& folder, const std::string& table) {
    return test::dumpTable(folder + "/" + table + ".dbf").records.size();
}

} // namespace

TEST(ConversionRefusals, AValueThatCannotBeReadCostsOnlyThatValue) {
    // Dates whose days lie past 9999-12-31: FreeTDS hands them over as a year no calendar has.
    const std::string bad = "{\"wire\": \"03ffffff\"}";
    QTemporaryDir target;
    RefusalRun r(
        "{\"name\": \"Readings\", \"columns\": [[\"id\", \"int\"], [\"taken\", \"date\"], [\"amount\", "
        "\"real\"], [\"tag\", \"uniqueidentifier\"]], \"rows\": [[1, " +
            bad + ", 0.1, \"6F9619FF-8B86-D011-B42D-00C04FC964FF\"], [2, \"2021-08-31\", 19.99, null], [3, " +
            bad + ", 1.5, null], [4, \"2021-09-01\", 16777216.0, null]]}",
        target.path().toStdString());
    r.convert();

    // Each unreadable value is reported where the value is read; the row goes on, so does the table.
    EXPECT_EQ(r.reportLines(), (std::vector<int>{344, 344}));
    for (const auto& report : r.ui.errorReports())
        EXPECT_TRUE(report.text.contains(QStringLiteral("Column \"taken\""))) << report.text.toStdString();
    EXPECT_TRUE(r.ui.errorReports()[0].text.contains(QStringLiteral("(table Readings, source row 1)")));
    EXPECT_TRUE(r.ui.errorReports()[1].text.contains(QStringLiteral("(table Readings, source row 3)")));
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));

    const auto t = test::dumpTable(target.path().toStdString() + "/readings.dbf");
    ASSERT_EQ(t.records.size(), 4u);
    const std::vector<std::optional<std::string>> taken{std::nullopt, "20210831", std::nullopt, "20210901"};
    // A real arrives as the number it was written as, not with the noise of its widening.
    const std::vector<std::optional<std::string>> amount{"0.1", "19.99", "1.5", "16777216"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(t.records[i].at("ID"), text(std::to_string(i + 1)));
        EXPECT_EQ(t.records[i].at("TAKEN"), taken[i]) << i;
        EXPECT_EQ(t.records[i].at("AMOUNT"), amount[i]) << i;
    }
    EXPECT_EQ(t.records[0].at("TAG"), text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
}

// Far into a table longer than the rows read ahead, an unreadable value is still reported when
// the run reaches its row, after the rows before it were written and before those after it.
TEST(ConversionRefusals, UnreadableValuesFarIntoALongTableAreReportedAtTheirRowsInOrder) {
    constexpr int kRows = 6000;
    const std::vector<int> badRows{2500, 5999};
    std::string rows;
    for (int i = 1; i <= kRows; ++i) {
        const bool bad = std::find(badRows.begin(), badRows.end(), i) != badRows.end();
        rows += (i > 1 ? "," : "") + std::string("[") + std::to_string(i) + ", " +
                (bad ? "{\"wire\": \"03ffffff\"}" : "\"2021-08-31\"") + "]";
    }
    QTemporaryDir target;
    RefusalRun r("{\"name\": \"Readings\", \"columns\": [[\"id\", \"int\"], [\"taken\", \"date\"]], "
                 "\"rows\": [" +
                     rows + "]}",
                 target.path().toStdString());
    r.convert();

    EXPECT_EQ(r.reportLines(), (std::vector<int>{344, 344}));
    ASSERT_EQ(r.ui.errorReports().size(), 2u);
    EXPECT_TRUE(r.ui.errorReports()[0].text.contains(QStringLiteral("(table Readings, source row 2500)")));
    EXPECT_TRUE(r.ui.errorReports()[1].text.contains(QStringLiteral("(table Readings, source row 5999)")));
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));

    const auto t = test::dumpTable(target.path().toStdString() + "/readings.dbf");
    ASSERT_EQ(t.records.size(), static_cast<std::size_t>(kRows));
    for (int i = 1; i <= kRows; ++i) {
        const bool bad = std::find(badRows.begin(), badRows.end(), i) != badRows.end();
        ASSERT_EQ(t.records[static_cast<std::size_t>(i - 1)].at("ID"), text(std::to_string(i)));
        ASSERT_EQ(t.records[static_cast<std::size_t>(i - 1)].at("TAKEN"),
                  bad ? std::nullopt : text("20210831"))
            << i;
    }
}

// Under a desktop whose C library locale writes decimals with a comma (Qt applies the desktop's
// locale at start), a real keeps its fraction.
TEST(ConversionRefusals, RealsKeepTheirFractionUnderACommaDecimalDesktop) {
    struct CLocale {
        std::string before = std::setlocale(LC_ALL, nullptr);
        ~CLocale() { std::setlocale(LC_ALL, before.c_str()); }
    } restore;
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locales-all is missing";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    QTemporaryDir target;
    RefusalRun r("{\"name\": \"Readings\", \"columns\": [[\"id\", \"int\"], [\"amount\", \"real\"]], "
                 "\"rows\": [[1, 0.1], [2, 12.5], [3, -19.99]]}",
                 target.path().toStdString());
    r.convert();
    EXPECT_TRUE(r.ui.errorReports().empty());
    const auto t = test::dumpTable(target.path().toStdString() + "/readings.dbf");
    ASSERT_EQ(t.records.size(), 3u);
    EXPECT_EQ(t.records[0].at("AMOUNT"), text("0.1"));
    EXPECT_EQ(t.records[1].at("AMOUNT"), text("12.5"));
    EXPECT_EQ(t.records[2].at("AMOUNT"), text("-19.99"));
}

TEST(ConversionRefusals, AFullDiskStopsTheTableAndTheRunWithOneReport) {
    test::SmallDisk disk;
    ASSERT_TRUE(disk.ok()) << disk.error();
    ASSERT_TRUE(disk.fillLeaving(40 * 1024));
    // Tables are taken from the bottom of the list: Second fills the disk, First is never tried.
    RefusalRun r("{\"name\": \"Tiny\", \"columns\": [[\"id\", \"int\"]], \"rows\": [[1]]}, " +
                     wideTable("Wide", 600),
                 disk.path());
    r.convert();

    ASSERT_EQ(r.ui.errorReports().size(), 1u);
    const QString report = r.ui.errorReports()[0].text;
    EXPECT_TRUE(report.contains(QStringLiteral("Disk is full"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("(table Wide, source row "))) << report.toStdString();
    EXPECT_EQ(r.reportLines(), (std::vector<int>{426}));
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));
    const auto wide = test::dumpTable(disk.path() + "/wide.dbf");
    EXPECT_GT(wide.records.size(), 10u);
    EXPECT_LT(wide.records.size(), 600u);
    EXPECT_FALSE(std::filesystem::exists(disk.path() + "/tiny.dbf"));
}

// At the memo file's limit one report stands for the table: the later rows with a memo value
// are refused without a report each but counted, the rows without one still land.
TEST(ConversionRefusals, TheMemoFilesLimitIsReportedOnceForTheTable) {
    std::string rows;
    for (int i = 1; i <= 20; ++i)
        rows += (i > 1 ? ", [" : "[") + std::to_string(i) + ", " +
                (i % 2 == 1 ? "\"" + std::string(200, 'm') + "\"" : std::string("null")) + "]";
    QTemporaryDir target;
    RefusalRun r("{\"name\": \"Notes\", \"columns\": [[\"id\", \"int\"], [\"body\", \"varchar(max)\"]], "
                 "\"rows\": [" +
                     rows + "]}",
                 target.path().toStdString());
    // 512 bytes of header and 256 per value: five values fit, the sixth would pass the limit.
    r.fileSizeLimit = 2000;
    r.convert();

    ASSERT_EQ(r.reportLines(), (std::vector<int>{426}));
    const QString report = r.ui.errorReports()[0].text;
    EXPECT_TRUE(report.contains(QStringLiteral("File 'notes.fpt' is too large"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("source row 11"))) << report.toStdString();
    EXPECT_EQ(r.refusedRows(), 5);
    const auto notes = test::dumpTable(target.path().toStdString() + "/notes.dbf");
    ASSERT_EQ(notes.records.size(), 15u);
    EXPECT_EQ(notes.records[14].at("ID"), text("20"));
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));
}

TEST(ConversionRefusals, AReadOnlyTargetGetsOneReportForTheWholeRun) {
    test::SmallDisk disk;
    ASSERT_TRUE(disk.ok()) << disk.error();
    ASSERT_TRUE(disk.setReadOnly(true));
    RefusalRun r(wideTable("One", 5) + ", " + wideTable("Two", 5), disk.path());
    r.convert();

    ASSERT_EQ(r.reportLines(), (std::vector<int>{320}));
    EXPECT_TRUE(r.ui.errorReports()[0].text.contains(QStringLiteral("Access is denied")))
        << r.ui.errorReports()[0].text.toStdString();
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_TRUE(std::filesystem::is_empty(disk.path()));

    // A container marked read-only takes nothing either: one report for the run too.
    QTemporaryDir dir;
    const std::string dbc = dir.filePath(QStringLiteral("shop.dbc")).toStdString();
    qc::foxpro::Container::create(dbc);
    std::filesystem::permissions(dbc, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    r.target = dbc;
    r.ui.messages.clear();
    r.convert();
    ASSERT_EQ(r.reportLines(), (std::vector<int>{320}));
    EXPECT_TRUE(r.ui.errorReports()[0].text.contains(QStringLiteral("is read-only")));
}

TEST(ConversionRefusals, ATableAnotherProgramHoldsIsLeftAloneWithOneReport) {
    QTemporaryDir target;
    const std::string folder = target.path().toStdString();
    // Another program has Held open: it keeps appending to it while the run goes on.
    auto other = qc::foxpro::Database::open(folder);
    other->execute("CREATE TABLE Held (id INT, body CHAR(200))");
    other->execute("INSERT INTO Held VALUES (99, 'theirs')");
    RefusalRun r(wideTable("Held", 20) + ", " + wideTable("Free", 3), folder);
    r.ui.expectQuestion(QStringLiteral("Held"), Answer::Yes);
    r.convert();

    // The refused DROP stands for the table: no CREATE, no rows into the other program's table.
    ASSERT_EQ(r.reportLines(), (std::vector<int>{184}));
    EXPECT_TRUE(r.ui.errorReports()[0].text.contains(QStringLiteral("is in use. (table Held)")))
        << r.ui.errorReports()[0].text.toStdString();
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));
    const auto held = test::dumpTable(folder + "/held.dbf");
    ASSERT_EQ(held.records.size(), 1u);
    EXPECT_EQ(held.records[0].at("ID"), text("99"));
    EXPECT_EQ(test::dumpTable(folder + "/free.dbf").records.size(), 3u);
}

TEST(ConversionRefusals, EveryUserTableOfEverySchemaOnceUnderItsBareName) {
    QTemporaryDir target;
    const std::string folder = target.path().toStdString();
    const auto table = [](const std::string& schema, const std::string& name, int rows) {
        std::string out = "{\"name\": \"" + name + "\", \"schema\": \"" + schema +
                          "\", \"columns\": [[\"id\", \"int\"]], \"rows\": [";
        for (int i = 1; i <= rows; ++i)
            out += (i > 1 ? ",[" : "[") + std::to_string(i) + "]";
        return out + "]}";
    };
    // The other schema's Dup comes first in the run (the bottom entry): dbo's still keeps the name.
    RefusalRun r(table("dbo", "Dup", 1) + "," + table("dbo", "MySystemLog", 2) + "," +
                     table("sales", "Only", 3) + "," + table("dbo", "sysdiagrams", 1) + "," +
                     table("cdc", "dbo_Dup_CT", 1) + "," + table("zeta", "Dup", 5),
                 folder);
    r.convert();
    ASSERT_EQ(r.reportLines(), (std::vector<int>{190}));
    EXPECT_TRUE(r.ui.errorReports()[0].text.startsWith(
        QStringLiteral("Table zeta.Dup is not converted: a table of this name comes from schema dbo.\r\n")))
        << r.ui.errorReports()[0].text.toStdString();
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_EQ(records(folder, "dup"), 1u);
    EXPECT_EQ(records(folder, "mysystemlog"), 2u);
    EXPECT_EQ(records(folder, "only"), 3u);
    EXPECT_FALSE(std::filesystem::exists(folder + "/sysdiagrams.dbf"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/dbo_dup_ct.dbf"));

    // Named as schema.name, the other schema's table is the one converted.
    QTemporaryDir alone;
    r.target = alone.path().toStdString();
    r.ui.messages.clear();
    r.convert({}, QStringList{QStringLiteral("ZETA.dup")});
    EXPECT_TRUE(r.ui.errorReports().empty());
    EXPECT_EQ(records(r.target, "dup"), 5u);
}

TEST(ConversionRefusals, ATableThatCannotBeBuiltKeepsTheTargetsTableAndGetsNoStatement) {
    QTemporaryDir target;
    const std::string folder = target.path().toStdString();
    for (const char* name : {"Secret", "Wide", "Fine"})
        existingTable(folder, name);
    RefusalRun r("{\"name\": \"Fine\", \"columns\": [[\"id\", \"int\"]], \"rows\": [[1], [2]]}, " +
                     tableOfColumns("Wide", 300) +
                     ", {\"name\": \"Secret\", \"columns\": [[\"id\", \"int\"]], \"rows\": [[1]], "
                     "\"deny_select\": true}",
                 folder);
    // The stand-in lists by name; the run takes the last first.
    for (const char* name : {"Wide", "Secret", "Fine"})
        r.ui.expectQuestion(QString::fromLatin1(name), Answer::Yes);
    // Window events (and with them a Ctrl-C of the command line) never come between a DROP and
    // its CREATE.
    bool eventsWhileDropped = false;
    r.ui.onEvents = [&] { eventsWhileDropped |= !std::filesystem::exists(folder + "/fine.dbf"); };
    r.convert();
    EXPECT_FALSE(eventsWhileDropped);
    r.ui.onEvents = nullptr;
    ASSERT_EQ(r.reportLines(), (std::vector<int>{320, 190}));
    const auto reports = r.ui.errorReports();
    EXPECT_TRUE(reports[0].text.contains(QStringLiteral("Too many fields")) &&
                reports[0].text.contains(QStringLiteral("(table Wide)")))
        << reports[0].text.toStdString();
    EXPECT_TRUE(reports[1].text.contains(QStringLiteral("SELECT permission was denied")) &&
                reports[1].text.contains(QStringLiteral("(table Secret)")))
        << reports[1].text.toStdString();
    EXPECT_EQ(records(folder, "secret"), 1u);
    EXPECT_EQ(records(folder, "wide"), 1u);
    EXPECT_EQ(records(folder, "fine"), 2u);

    // Collected for the preview: only the table that can be built, its DROP first.
    // The stand-in lists by name; the run takes the last first.
    for (const char* name : {"Wide", "Secret", "Fine"})
        r.ui.expectQuestion(QString::fromLatin1(name), Answer::Yes);
    const auto lines = r.convert(PreviewChoice::PerFile);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "DROP TABLE [Fine];");
    EXPECT_EQ(lines[1].rfind("CREATE TABLE [Fine]", 0), 0u);
}

TEST(ConversionRefusals, ASourceLostMidRunIsReportedOnceAndDropsNothingMore) {
    QTemporaryDir target;
    const std::string folder = target.path().toStdString();
    for (const char* name : {"T1", "T2", "T3"})
        existingTable(folder, name);
    RefusalRun r(wideTable("T1", 3) + ", " + wideTable("T2", 3) + ", " + wideTable("T3", 3), folder);
    r.ui.expectQuestion(QStringLiteral("T3"), Answer::Yes);
    r.ui.expectQuestion(QStringLiteral("T2"), Answer::Yes);
    // The server goes away once the first table is done.
    r.ui.onEvents = [&] {
        if (r.server && !r.ui.progressTexts.empty() && r.ui.progressTexts.back().isEmpty())
            r.server.reset();
    };
    r.convert();
    ASSERT_EQ(r.reportLines(), (std::vector<int>{190})) << r.ui.errorReports()[0].text.toStdString();
    EXPECT_TRUE(r.ui.errorReports()[0].text.contains(QStringLiteral("(table T2)")));
    EXPECT_EQ(r.ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_EQ(records(folder, "t3"), 3u);
    EXPECT_EQ(records(folder, "t2"), 1u);
    EXPECT_EQ(records(folder, "t1"), 1u);

    // The result says the same without reading a text.
    EXPECT_EQ(r.result.end, RunEnd::SourceLost);
    EXPECT_EQ(r.result.reports, 1);
    ASSERT_EQ(r.result.tables.size(), 3u);
    const auto& [t3, t2, t1] = std::tie(r.result.tables[0], r.result.tables[1], r.result.tables[2]);
    EXPECT_EQ(
        std::tuple(t3.name(), t3.sourceRows, t3.read, t3.written, t3.allRead, t3.tableRefused),
        std::tuple(QStringLiteral("T3"), std::int64_t{3}, std::int64_t{3}, std::int64_t{3}, true, false));
    EXPECT_TRUE(t2.tableRefused);
    EXPECT_TRUE(t2.firstRefusal.endsWith(QStringLiteral("(table T2)")));
    EXPECT_EQ(t1.fate, TableResult::Fate::NotAttempted);
    EXPECT_TRUE(r.result.anyFailure());
}
