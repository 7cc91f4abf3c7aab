// Values the source cannot hand over and targets that refuse: through FreeTDS and the SQL Server
// stand-in into real FoxPro folders, every table read back with the independent dumper.
#include "conversion_support.h"

#include "engine/conversion_run.h"
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

struct RefusalRun {
    QTemporaryDir fixtureDir;
    test::TdsServer server;
    std::string target;
    ScriptedUi ui;

    RefusalRun(const std::string& tables, std::string target)
        : server(writeFixture(fixtureDir, tables)), target(std::move(target)) {}
    void convert() {
        ConversionRun run(ui);
        run.run(test::tdsLogin(server.port(), QStringLiteral("u"), QStringLiteral("p")),
                test::folderTarget(target), PreviewChoice());
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
}

TEST(ConversionRefusals, ATableAnotherProgramHoldsIsLeftAloneWithOneReport) {
    QTemporaryDir target;
    const std::string folder = target.path().toStdString();
    // Another program has Held open: it keeps appending to it while the run goes on.
    auto other = foxpro::Database::open(folder);
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
