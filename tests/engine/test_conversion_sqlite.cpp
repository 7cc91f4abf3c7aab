// The conversion run end to end with the SQLite ODBC driver as the source (reached through the
// driver name the run uses) and a FoxPro folder as the target, read back independently.
#include "conversion_support.h"

#include "engine/conversion_run.h"
#include "preview/preview_session.h"
#include "support/environment.h"
#include "support/run_inputs.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace qc;
using namespace qc::engine;
using qc::test::ScriptedUi;

namespace {

const char* const kSource = R"sql(
CREATE TABLE People (id INTEGER, name VARCHAR(40), score DOUBLE, born DATE, seen TIMESTAMP, active BIT,
                     price NUMERIC(10,2), note TEXT);
INSERT INTO People VALUES (1, 'O''Brien', 12.5, '2021-08-31', '2021-08-31 14:05:00', 1, 12.5, 'line1' || char(10) || 'line2');
INSERT INTO People VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
INSERT INTO People VALUES (3, '12-10', -0.1, '1900-01-01', '2000-01-01 00:00:00', 0, -3.25, '1,234');
CREATE TABLE Empty (id INTEGER, label VARCHAR(10));
CREATE TABLE Existing (k INTEGER, v VARCHAR(5));
INSERT INTO Existing VALUES (1, 'new');
CREATE TABLE "Two Words" ("first col" VARCHAR(10), "x]y" INTEGER);
INSERT INTO "Two Words" VALUES ('a]b', 7);
)sql";

struct Conversion {
    QTemporaryDir dir;
    std::string source = dir.filePath(QStringLiteral("source.db")).toStdString();
    std::string target = dir.filePath(QStringLiteral("target")).toStdString();
    data::SqlServerLogin login = test::sqliteLogin(source);
    data::FoxProTarget foxpro = test::folderTarget(target);
    PreviewChoice preview = PreviewChoice::Off;
    ScriptedUi ui;

    explicit Conversion(const std::string& script = kSource) {
        std::filesystem::create_directory(target);
        if (!script.empty())
            test::makeSqliteDatabase(source, script);
    }
    void convert(ConversionRun& run) const { run.run(login, foxpro, preview); }
    std::string dbf(const std::string& name) const { return target + "/" + name + ".dbf"; }

    // The tables in the order the run took them, as its progress texts name them.
    std::vector<QString> processed() const {
        std::vector<QString> tables;
        const QString prefix = QStringLiteral("Please wait.. Processing table ");
        for (const auto& t : ui.progressTexts)
            if (t.startsWith(prefix))
                tables.push_back(t.mid(prefix.size()));
        return tables;
    }
    static std::vector<QString> sourceTablesReversed(const ConversionRun& run) {
        auto entries = test::listedNames(run);
        std::reverse(entries.begin(), entries.end());
        return {entries.begin(), entries.end()};
    }
    std::vector<int> reportLines() const {
        std::vector<int> lines;
        for (const auto& r : ui.errorReports()) {
            const auto at = r.text.indexOf(QStringLiteral(" at line "));
            lines.push_back(r.text.mid(at + 9).section(QLatin1Char('\r'), 0, 0).toInt());
        }
        return lines;
    }
};

std::optional<std::string> text(const char* s) {
    return std::string(s);
}

// The statements of each source table, as the preview lists them.
std::vector<std::string> linesOf(const QString& table) {
    if (table == QStringLiteral("People"))
        return {
            "CREATE TABLE [People] (\"id\" INT, \"name\" CHAR, \"score\" DOUBLE, \"born\" DATE, \"seen\" "
            "TIMESTAMP, \"active\" SMALLINT, \"price\" DOUBLE, \"note\" long);",
            "INSERT INTO [People] VALUES (1, 'O''Brien', 12.5, '08/31/2021', '08/31/2021 14:05:00', 1, 12.5, "
            "'line1\nline2');",
            "INSERT INTO [People] VALUES (2,NULL,NULL,NULL,NULL,NULL,NULL,NULL);",
            "INSERT INTO [People] VALUES (3, '12-10', -0.1, '01/01/1900', '01/01/2000', 0, -3.25, '1,234');"};
    if (table == QStringLiteral("Empty"))
        return {"CREATE TABLE [Empty] (\"id\" INT, \"label\" CHAR);"};
    if (table == QStringLiteral("Existing"))
        return {"CREATE TABLE [Existing] (\"k\" INT, \"v\" CHAR);",
                "INSERT INTO [Existing] VALUES (1, 'new');"};
    return {"CREATE TABLE [Two Words] (\"first col\" CHAR, \"x]y\" INT);",
            "INSERT INTO [Two Words] VALUES ('a]b', 7);"};
}

} // namespace

QC_SQLITE_TEST(ConversionSqlite, ConvertsEveryTableAndAsksBeforeOverwriting) {
    Conversion c;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)", "INSERT INTO existing VALUES (99)"});
    c.ui.expectQuestion(QStringLiteral("Would you like to overwrite Existing?"), Answer::Yes);
    ConversionRun run(c.ui);
    c.convert(run);

    EXPECT_TRUE(c.ui.errorReports().empty()) << c.ui.errorReports().front().text.toStdString();
    ASSERT_FALSE(c.ui.messages.empty());
    const auto question = std::find_if(c.ui.messages.begin(), c.ui.messages.end(),
                                       [](const auto& m) { return m.buttons == Buttons::YesNo; });
    ASSERT_NE(question, c.ui.messages.end());
    EXPECT_EQ(question->text, QStringLiteral("Would you like to overwrite Existing?"));
    EXPECT_EQ(question->title, QStringLiteral("Overwrite?"));
    EXPECT_EQ(question->icon, Icon::None);
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_TRUE(c.ui.messages.back().title.isEmpty());
    EXPECT_EQ(c.ui.messages.back().icon, Icon::None);
    EXPECT_EQ(c.ui.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(run.converting());
    EXPECT_TRUE(c.ui.previews == 0);

    // The last listed source table first; each table's progress text is cleared after it.
    QStringList listed = test::listedNames(run);
    listed.sort(Qt::CaseInsensitive);
    EXPECT_EQ(listed, (QStringList{"Empty", "Existing", "People", "Two Words"}));
    EXPECT_EQ(c.processed(), c.sourceTablesReversed(run));
    std::vector<QString> texts;
    std::vector<double> values;
    for (const QString& table : c.sourceTablesReversed(run)) {
        texts.push_back(QStringLiteral("Please wait.. Processing table ") + table);
        texts.push_back(QString());
        if (table == QStringLiteral("People"))
            values.insert(values.end(), {50.0, 75.0, 100.0});
        else if (table != QStringLiteral("Empty"))
            values.push_back(100.0);
    }
    texts.push_back(QStringLiteral("Progress Bar"));
    values.push_back(0.0);
    EXPECT_EQ(c.ui.progressTexts, texts);
    EXPECT_EQ(c.ui.progressValues, values);
    // The dropped table left the list of target tables.
    EXPECT_FALSE(run.targetTables().contains(QStringLiteral("existing")));

    const auto people = test::dumpTable(c.dbf("people"));
    ASSERT_EQ(people.records.size(), 3u);
    const auto& r1 = people.records[0];
    EXPECT_EQ(r1.at("ID"), text("1"));
    EXPECT_EQ(r1.at("NAME"), text("O'Brien"));
    EXPECT_EQ(r1.at("SCORE"), text("12.5"));
    EXPECT_EQ(r1.at("BORN"), text("20210831"));
    EXPECT_EQ(r1.at("SEEN"), text("2021-08-31 14:05:00.000"));
    EXPECT_EQ(r1.at("ACTIVE"), text("1"));
    EXPECT_EQ(r1.at("PRICE"), text("12.5"));
    EXPECT_EQ(r1.at("NOTE"), text("line1\nline2"));
    const auto& r2 = people.records[1];
    EXPECT_EQ(r2.at("ID"), text("2"));
    for (const char* field : {"NAME", "SCORE", "BORN", "SEEN", "ACTIVE", "PRICE", "NOTE"})
        EXPECT_EQ(r2.at(field), std::nullopt) << field;
    const auto& r3 = people.records[2];
    EXPECT_EQ(r3.at("NAME"), text("12-10"));
    EXPECT_EQ(r3.at("SCORE"), text("-0.1"));
    EXPECT_EQ(r3.at("BORN"), text("19000101"));
    EXPECT_EQ(r3.at("SEEN"), text("2000-01-01 00:00:00.000"));
    EXPECT_EQ(r3.at("ACTIVE"), text("0"));
    EXPECT_EQ(r3.at("PRICE"), text("-3.25"));
    EXPECT_EQ(r3.at("NOTE"), text("1,234"));

    const auto existing = test::dumpTable(c.dbf("existing"));
    ASSERT_EQ(existing.records.size(), 1u);
    EXPECT_EQ(existing.records[0].at("K"), text("1"));
    EXPECT_EQ(existing.records[0].at("V"), text("new"));

    EXPECT_TRUE(test::dumpTable(c.dbf("empty")).records.empty());
    const auto twoWords = test::dumpTable(c.dbf("two words"));
    ASSERT_EQ(twoWords.records.size(), 1u);
    EXPECT_EQ(twoWords.records[0].at("FIRST_COL"), text("a]b"));
    EXPECT_EQ(twoWords.records[0].at("X_Y"), text("7"));

    // The datatype rows of the last table remain, one per column.
    EXPECT_EQ(run.datatypeRows().count(), 2 + 8 + 2 + 2);
}

QC_SQLITE_TEST(ConversionSqlite, NoToTheOverwriteQuestionLeavesTheTableAlone) {
    Conversion c;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)", "INSERT INTO existing VALUES (99)"});
    c.ui.expectQuestion(QStringLiteral("overwrite Existing?"), Answer::No);
    ConversionRun run(c.ui);
    c.convert(run);

    EXPECT_TRUE(c.ui.errorReports().empty());
    const auto& kept = run.result().tables;
    EXPECT_EQ(std::count_if(kept.begin(), kept.end(),
                            [](const TableResult& t) {
                                return t.fate == TableResult::Fate::Kept &&
                                       t.name() == QStringLiteral("Existing");
                            }),
              1);
    EXPECT_EQ(run.result().end, RunEnd::Completed);
    const auto existing = test::dumpTable(c.dbf("existing"));
    ASSERT_EQ(existing.records.size(), 1u);
    EXPECT_EQ(existing.records[0].at("K"), text("99"));
    auto processed = c.processed();
    EXPECT_EQ(std::count(processed.begin(), processed.end(), QStringLiteral("Existing")), 0);
    EXPECT_EQ(processed.size(), 3u);
    EXPECT_TRUE(run.targetTables().contains(QStringLiteral("existing")));
    EXPECT_TRUE(std::filesystem::exists(c.dbf("people")));
    EXPECT_TRUE(c.ui.previews == 0);
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
}

QC_SQLITE_TEST(ConversionSqlite, PreviewPerTable) {
    Conversion c;
    c.preview = PreviewChoice::PerTable;
    std::vector<std::vector<std::string>> shown;
    c.ui.onPreview = [&](preview::PreviewSession& session) {
        EXPECT_TRUE(session.target && session.target->isOpen());
        std::vector<std::string> lines;
        for (int i = 1; i <= session.lines.count(); ++i)
            lines.push_back(session.lines.text(i));
        shown.push_back(lines);
        // Each table's datatype rows start afresh, like its lines.
        EXPECT_EQ(session.datatypeRows.count(),
                  session.lines.text(1).find("[People]") != std::string::npos ? 8 : 2);
        // "Skip Table / Do Not Execute SQL" for the first table, "< Back" for the second.
        return shown.size() == 1 ? preview::PreviewExit::TableSkipped : preview::PreviewExit::WentBack;
    };
    ConversionRun run(c.ui);
    c.convert(run);

    EXPECT_TRUE(c.ui.errorReports().empty());
    ASSERT_EQ(shown.size(), 2u);
    const auto order = c.sourceTablesReversed(run);
    ASSERT_EQ(c.processed().size(), 2u);
    EXPECT_EQ(shown[0], linesOf(order[0]));
    EXPECT_EQ(shown[1], linesOf(order[1]));
    // Nothing was executed: the preview window does that.
    EXPECT_TRUE(std::filesystem::is_empty(c.target));
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_FALSE(run.targetConnection()->isOpen());
}

QC_SQLITE_TEST(ConversionSqlite, NoPreviewForATableTheUserKeeps) {
    Conversion c;
    c.preview = PreviewChoice::PerTable;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)"});
    c.ui.expectQuestion(QStringLiteral("overwrite Existing?"), Answer::No);
    std::vector<std::string> firstLines;
    c.ui.onPreview = [&](preview::PreviewSession& session) {
        firstLines.push_back(session.lines.text(1));
        return preview::PreviewExit::TableSkipped;
    };
    ConversionRun run(c.ui);
    c.convert(run);
    EXPECT_EQ(c.ui.previews, 3);
    for (const auto& line : firstLines)
        EXPECT_EQ(line.find("Existing"), std::string::npos) << line;
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
}

QC_SQLITE_TEST(ConversionSqlite, PreviewPerFileHoldsEveryTable) {
    Conversion c;
    c.preview = PreviewChoice::PerFile;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)"});
    c.ui.expectQuestion(QStringLiteral("overwrite Existing?"), Answer::Yes);
    std::vector<std::string> lines;
    c.ui.onPreview = [&](preview::PreviewSession& session) {
        for (int i = 1; i <= session.lines.count(); ++i)
            lines.push_back(session.lines.text(i));
        return preview::PreviewExit::WentBack;
    };
    ConversionRun run(c.ui);
    c.convert(run);

    EXPECT_TRUE(c.ui.errorReports().empty());
    EXPECT_EQ(c.ui.previews, 1);
    // All tables in processing order; DROP only for the table the target already had.
    std::vector<std::string> expected;
    for (const auto& t : c.sourceTablesReversed(run)) {
        if (t == QStringLiteral("Existing"))
            expected.push_back("DROP TABLE [Existing];");
        for (auto& line : linesOf(t))
            expected.push_back(line);
    }
    EXPECT_EQ(lines, expected);
    // Not executed: the connections were closed and the progress text cleared.
    EXPECT_FALSE(run.sourceConnection()->isOpen());
    EXPECT_FALSE(run.targetConnection()->isOpen());
    EXPECT_EQ(c.ui.progressTexts.end()[-2], QString());
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
}

QC_SQLITE_TEST(ConversionSqlite, EmptySourceShowsAnEmptyPreview) {
    Conversion c("CREATE VIEW v AS SELECT 1 AS one;");
    c.preview = PreviewChoice::PerFile;
    int lines = -1;
    c.ui.onPreview = [&](preview::PreviewSession& session) {
        lines = session.lines.count();
        return preview::PreviewExit::WentBack;
    };
    ConversionRun run(c.ui);
    c.convert(run);
    EXPECT_EQ(lines, 0);
    EXPECT_TRUE(c.processed().empty());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].text, QStringLiteral("Done."));
}

QC_SQLITE_TEST(ConversionSqlite, RejectedRowsAreReportedOnceEach) {
    Conversion c("CREATE TABLE Mixed (id INTEGER, label VARCHAR(10));"
                 "INSERT INTO Mixed VALUES (1, 'ok');"
                 "INSERT INTO Mixed VALUES (2, '" +
                 std::string(300, 'x') +
                 "');"
                 "INSERT INTO Mixed VALUES (3000000000, 'too big');"
                 "INSERT INTO Mixed VALUES (4, 'ok too');"
                 "CREATE TABLE \"a/b\" (id INTEGER);"
                 "INSERT INTO \"a/b\" VALUES (1);"
                 "INSERT INTO \"a/b\" VALUES (2);");
    ConversionRun run(c.ui);
    c.convert(run);

    // "a/b" cannot be a FoxPro table: its CREATE TABLE fails and that one report stands for the
    // table, whose rows are not attempted. Rows refused for their own values are reported each.
    std::vector<int> expected;
    for (const auto& t : c.sourceTablesReversed(run))
        if (t == QStringLiteral("a/b"))
            expected.insert(expected.end(), {320});
        else
            expected.insert(expected.end(), {426, 426});
    EXPECT_EQ(c.reportLines(), expected);
    QStringList rowReports;
    for (const auto& r : c.ui.errorReports()) {
        EXPECT_TRUE(
            r.text.contains(QStringLiteral("in Ferroquill2021/08/31.Form1.PushButton7_Click at line ")));
        if (r.text.contains(QStringLiteral("at line 426")))
            rowReports << r.text.section(QLatin1Char('\r'), 0, 0);
    }
    // Each names its table and source row.
    ASSERT_EQ(rowReports.size(), 2);
    EXPECT_TRUE(rowReports[0].endsWith(QStringLiteral("(table Mixed, source row 2)")))
        << rowReports[0].toStdString();
    EXPECT_TRUE(rowReports[1].endsWith(QStringLiteral("(table Mixed, source row 3)")))
        << rowReports[1].toStdString();
    const auto mixed = test::dumpTable(c.dbf("mixed"));
    ASSERT_EQ(mixed.records.size(), 2u);
    EXPECT_EQ(mixed.records[0].at("ID"), text("1"));
    EXPECT_EQ(mixed.records[1].at("ID"), text("4"));
    EXPECT_EQ(mixed.records[1].at("LABEL"), text("ok too"));
    EXPECT_FALSE(std::filesystem::exists(c.target + "/a"));
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
}

QC_SQLITE_TEST(ConversionSqlite, UnreachableDatabasesEndTheRunWithTheReason) {
    {
        Conversion c;
        c.foxpro.folder = QString::fromStdString(c.target + "/missing");
        ConversionRun run(c.ui);
        c.convert(run);
        ASSERT_EQ(c.ui.messages.size(), 1u);
        EXPECT_TRUE(
            c.ui.messages[0].text.startsWith(QStringLiteral("The FoxPro target cannot be opened:\r\n\r\n")));
        EXPECT_TRUE(c.ui.messages[0].text.contains(QStringLiteral("missing")))
            << c.ui.messages[0].text.toStdString();
        EXPECT_TRUE(c.ui.errorReports().empty());
        EXPECT_TRUE(c.ui.busyChanges.empty());
        EXPECT_TRUE(c.ui.progressTexts.empty());
        EXPECT_FALSE(run.converting());
    }
    {
        Conversion c;
        c.login.database = QString::fromStdString(c.target + "/no/such/dir/source.db");
        ConversionRun run(c.ui);
        c.convert(run);
        ASSERT_EQ(c.ui.messages.size(), 1u);
        EXPECT_TRUE(c.ui.messages[0].text.startsWith(
            QStringLiteral("The SQL Server database cannot be reached:\r\n\r\n")));
        EXPECT_GT(c.ui.messages[0].text.size(), 50);
        EXPECT_TRUE(run.sourceTables().isEmpty());
        EXPECT_TRUE(std::filesystem::is_empty(c.target));
    }
}

QC_SQLITE_TEST(ConversionSqlite, ASecondClickDuringARunDoesNothing) {
    Conversion c;
    ConversionRun run(c.ui);
    int clicks = 0;
    c.ui.onEvents = [&] {
        if (clicks++ == 5) {
            EXPECT_TRUE(run.converting());
            c.convert(run);
        }
    };
    c.convert(run);
    EXPECT_GT(clicks, 5);
    EXPECT_TRUE(c.ui.errorReports().empty());
    EXPECT_EQ(std::count_if(c.ui.messages.begin(), c.ui.messages.end(),
                            [](const auto& m) { return m.text == QStringLiteral("Done."); }),
              1);
    EXPECT_EQ(c.processed().size(), 4u);
    EXPECT_EQ(test::dumpTable(c.dbf("people")).records.size(), 3u);
    EXPECT_FALSE(run.converting());
}

QC_SQLITE_TEST(ConversionSqlite, IntoADatabaseContainerAndAgain) {
    Conversion c;
    // A container made by Visual FoxPro itself; the converted tables join it.
    for (const char* file : {"data1.dbc", "data1.DCT", "data1.DCX"}) {
        std::filesystem::copy_file(test::testFilesDir() + "/fixtures/vfp9/" + file, c.target + "/" + file);
        std::filesystem::permissions(c.target + "/" + file, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
    c.foxpro.containerChosen = true;
    c.foxpro.container = QString::fromStdString(c.target + "/data1.dbc");
    c.foxpro.folder = QStringLiteral("/nonexistent/folder");
    std::vector<QString> tables;
    {
        ConversionRun run(c.ui);
        c.convert(run);
        tables = c.sourceTablesReversed(run);
    }
    EXPECT_TRUE(c.ui.errorReports().empty());
    EXPECT_EQ(test::dumpTable(c.dbf("people")).records.size(), 3u);

    // The second run finds every table in the container and replaces it after a Yes.
    ScriptedUi again;
    for (const auto& t : tables)
        again.expectQuestion(QStringLiteral("Would you like to overwrite ") + t + QStringLiteral("?"),
                             Answer::Yes);
    ConversionRun run(again);
    c.convert(run);
    EXPECT_TRUE(again.errorReports().empty()) << again.errorReports().front().text.toStdString();
    const auto people = test::dumpTable(c.dbf("people"));
    EXPECT_EQ(people.records.size(), 3u);
    EXPECT_EQ(people.records.at(0).at("NAME"), text("O'Brien"));
    EXPECT_EQ(again.messages.back().text, QStringLiteral("Done."));
}
