// The conversion run end to end with the SQLite ODBC driver as the source (reached through the
// driver name the run uses) and a FoxPro folder as the target, read back independently.
#include "conversion_support.h"

#include "engine/conversion_run.h"
#include "support/environment.h"
#include "support/scripted_ui.h"
#include "support/sqlite_source_fields.h"

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
    MainForm form;
    ScriptedUi ui;

    explicit Conversion(const std::string& script = kSource) {
        std::filesystem::create_directory(target);
        if (!script.empty())
            test::makeSqliteDatabase(source, script);
        test::fillSqliteSourceFields(form.fields, source, target);
    }
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
    std::vector<QString> list1Reversed() const {
        auto entries = form.List1.stringList();
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

TEST(ConversionSqlite, ConvertsEveryTableAndAsksBeforeOverwriting) {
    if (!test::inSqliteChild())
        return;
    Conversion c;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)", "INSERT INTO existing VALUES (99)"});
    c.ui.expectQuestion(QStringLiteral("Would you like to overwrite Existing?"), Answer::Yes);
    ConversionRun run(c.form, c.ui);
    run.PushButton7_Click();

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
    EXPECT_TRUE(c.ui.modals.empty());

    // Bottom entry of List1 first; each table's progress text is cleared after it.
    QStringList listed = c.form.List1.stringList();
    listed.sort(Qt::CaseInsensitive);
    EXPECT_EQ(listed, (QStringList{"Empty", "Existing", "People", "Two Words"}));
    EXPECT_EQ(c.processed(), c.list1Reversed());
    std::vector<QString> texts;
    std::vector<double> values;
    for (const QString& table : c.list1Reversed()) {
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
    // The dropped table left List2.
    EXPECT_FALSE(c.form.List2.stringList().contains(QStringLiteral("existing")));

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
    EXPECT_EQ(c.form.datatypeRows.count(), 2 + 8 + 2 + 2);
}

TEST(ConversionSqlite, NoToTheOverwriteQuestionLeavesTheTableAlone) {
    if (!test::inSqliteChild())
        return;
    Conversion c;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)", "INSERT INTO existing VALUES (99)"});
    c.ui.expectQuestion(QStringLiteral("overwrite Existing?"), Answer::No);
    // Without SQL Preview mode no preview is shown, whichever option is selected.
    c.form.fields.Option1 = false;
    c.form.fields.Option2 = true;
    ConversionRun run(c.form, c.ui);
    run.PushButton7_Click();

    EXPECT_TRUE(c.ui.errorReports().empty());
    const auto existing = test::dumpTable(c.dbf("existing"));
    ASSERT_EQ(existing.records.size(), 1u);
    EXPECT_EQ(existing.records[0].at("K"), text("99"));
    auto processed = c.processed();
    EXPECT_EQ(std::count(processed.begin(), processed.end(), QStringLiteral("Existing")), 0);
    EXPECT_EQ(processed.size(), 3u);
    EXPECT_TRUE(c.form.List2.stringList().contains(QStringLiteral("existing")));
    EXPECT_TRUE(std::filesystem::exists(c.dbf("people")));
    EXPECT_TRUE(c.ui.modals.empty());
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
}

TEST(ConversionSqlite, PreviewPerTable) {
    if (!test::inSqliteChild())
        return;
    Conversion c;
    c.form.fields.Check1 = true;
    c.form.fields.Option1 = false;
    c.form.fields.Option2 = true;
    std::vector<std::vector<std::string>> shown;
    c.ui.onModal = [&](ModalWindow window) {
        EXPECT_EQ(window, ModalWindow::SqlPreview);
        EXPECT_TRUE(c.form.FoxPro_conn && c.form.FoxPro_conn->isOpen());
        std::vector<std::string> lines;
        for (int i = 1; i <= c.form.sqlLines.count(); ++i)
            lines.push_back(c.form.sqlLines.text(i));
        shown.push_back(lines);
        // Each table's datatype rows start afresh, like its lines.
        EXPECT_EQ(c.form.datatypeRows.count(),
                  c.form.sqlLines.text(1).find("[People]") != std::string::npos ? 8 : 2);
        // "Skip Table / Do Not Execute SQL" for the first table, "< Back" for the second.
        if (shown.size() == 1)
            ExecuteTableSQL = false;
    };
    ConversionRun run(c.form, c.ui);
    run.PushButton7_Click();

    EXPECT_TRUE(c.ui.errorReports().empty());
    ASSERT_EQ(shown.size(), 2u);
    const auto order = c.list1Reversed();
    ASSERT_EQ(c.processed().size(), 2u);
    EXPECT_EQ(shown[0], linesOf(order[0]));
    EXPECT_EQ(shown[1], linesOf(order[1]));
    // Nothing was executed: the preview window does that.
    EXPECT_TRUE(std::filesystem::is_empty(c.target));
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_FALSE(c.form.FoxPro_conn->isOpen());
}

TEST(ConversionSqlite, NoPreviewForATableTheUserKeeps) {
    if (!test::inSqliteChild())
        return;
    Conversion c;
    c.form.fields.Check1 = true;
    c.form.fields.Option1 = false;
    c.form.fields.Option2 = true;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)"});
    c.ui.expectQuestion(QStringLiteral("overwrite Existing?"), Answer::No);
    std::vector<std::string> firstLines;
    c.ui.onModal = [&](ModalWindow) {
        firstLines.push_back(c.form.sqlLines.text(1));
        ExecuteTableSQL = false;
    };
    ConversionRun run(c.form, c.ui);
    run.PushButton7_Click();
    EXPECT_EQ(c.ui.modals.size(), 3u);
    for (const auto& line : firstLines)
        EXPECT_EQ(line.find("Existing"), std::string::npos) << line;
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
}

TEST(ConversionSqlite, PreviewPerFileHoldsEveryTable) {
    if (!test::inSqliteChild())
        return;
    Conversion c;
    c.form.fields.Check1 = true;
    test::executeOnFoxPro(c.target, {"CREATE TABLE existing (k INT)"});
    c.ui.expectQuestion(QStringLiteral("overwrite Existing?"), Answer::Yes);
    std::vector<std::string> lines;
    c.ui.onModal = [&](ModalWindow) {
        EXPECT_FALSE(c.form.SQLFormOK);
        for (int i = 1; i <= c.form.sqlLines.count(); ++i)
            lines.push_back(c.form.sqlLines.text(i));
    };
    ConversionRun run(c.form, c.ui);
    run.PushButton7_Click();

    EXPECT_TRUE(c.ui.errorReports().empty());
    EXPECT_EQ(c.ui.modals.size(), 1u);
    // All tables in processing order; DROP only for the table the target already had.
    std::vector<std::string> expected;
    for (const auto& t : c.list1Reversed()) {
        if (t == QStringLiteral("Existing"))
            expected.push_back("DROP TABLE [Existing];");
        for (auto& line : linesOf(t))
            expected.push_back(line);
    }
    EXPECT_EQ(lines, expected);
    // SQLFormOK stayed False: the connections were closed and the progress text cleared.
    EXPECT_FALSE(c.form.mssql_conn->isOpen());
    EXPECT_FALSE(c.form.FoxPro_conn->isOpen());
    EXPECT_EQ(c.ui.progressTexts.end()[-2], QString());
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));
}

TEST(ConversionSqlite, EmptySourceShowsAnEmptyPreview) {
    if (!test::inSqliteChild())
        return;
    Conversion c("CREATE VIEW v AS SELECT 1 AS one;");
    c.form.fields.Check1 = true;
    int lines = -1;
    c.ui.onModal = [&](ModalWindow) { lines = c.form.sqlLines.count(); };
    ConversionRun run(c.form, c.ui);
    run.PushButton7_Click();
    EXPECT_EQ(lines, 0);
    EXPECT_TRUE(c.processed().empty());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].text, QStringLiteral("Done."));
}

TEST(ConversionSqlite, RejectedRowsAreReportedOnceEach) {
    if (!test::inSqliteChild())
        return;
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
    ConversionRun run(c.form, c.ui);
    run.PushButton7_Click();

    // "a/b" cannot be a FoxPro table: its CREATE TABLE fails and that one report stands for the
    // table, whose rows are not attempted. Rows refused for their own values are reported each.
    std::vector<int> expected;
    for (const auto& t : c.list1Reversed())
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

TEST(ConversionSqlite, UnreachableDatabasesEndTheRunWithTheReason) {
    if (!test::inSqliteChild())
        return;
    {
        Conversion c;
        c.form.fields.Text2 = QString::fromStdString(c.target + "/missing");
        ConversionRun run(c.form, c.ui);
        run.PushButton7_Click();
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
        c.form.fields.Text8 = QString::fromStdString(c.target + "/no/such/dir/source.db");
        ConversionRun run(c.form, c.ui);
        run.PushButton7_Click();
        ASSERT_EQ(c.ui.messages.size(), 1u);
        EXPECT_TRUE(c.ui.messages[0].text.startsWith(
            QStringLiteral("The SQL Server database cannot be reached:\r\n\r\n")));
        EXPECT_GT(c.ui.messages[0].text.size(), 50);
        EXPECT_TRUE(c.form.List1.stringList().isEmpty());
        EXPECT_TRUE(std::filesystem::is_empty(c.target));
    }
}

TEST(ConversionSqlite, ASecondClickDuringARunDoesNothing) {
    if (!test::inSqliteChild())
        return;
    Conversion c;
    ConversionRun run(c.form, c.ui);
    int clicks = 0;
    c.ui.onEvents = [&] {
        if (clicks++ == 5) {
            EXPECT_TRUE(run.converting());
            run.PushButton7_Click();
        }
    };
    run.PushButton7_Click();
    EXPECT_GT(clicks, 5);
    EXPECT_TRUE(c.ui.errorReports().empty());
    EXPECT_EQ(std::count_if(c.ui.messages.begin(), c.ui.messages.end(),
                            [](const auto& m) { return m.text == QStringLiteral("Done."); }),
              1);
    EXPECT_EQ(c.processed().size(), 4u);
    EXPECT_EQ(test::dumpTable(c.dbf("people")).records.size(), 3u);
    EXPECT_FALSE(run.converting());
}

TEST(ConversionSqlite, IntoADatabaseContainerAndAgain) {
    if (!test::inSqliteChild())
        return;
    Conversion c;
    // A container made by Visual FoxPro itself; the converted tables join it.
    for (const char* file : {"data1.dbc", "data1.DCT", "data1.DCX"}) {
        std::filesystem::copy_file(test::testFilesDir() + "/fixtures/vfp9/" + file, c.target + "/" + file);
        std::filesystem::permissions(c.target + "/" + file, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
    c.form.fields.OptionDBC1 = true;
    c.form.fields.DBCPath1 = QString::fromStdString(c.target + "/data1.dbc");
    c.form.fields.Text2 = QStringLiteral("/nonexistent/folder");
    {
        ConversionRun run(c.form, c.ui);
        run.PushButton7_Click();
    }
    EXPECT_TRUE(c.ui.errorReports().empty());
    EXPECT_EQ(test::dumpTable(c.dbf("people")).records.size(), 3u);

    // The second run finds every table in the container and replaces it after a Yes.
    ScriptedUi again;
    for (const auto& t : c.list1Reversed())
        again.expectQuestion(QStringLiteral("Would you like to overwrite ") + t + QStringLiteral("?"),
                             Answer::Yes);
    ConversionRun run(c.form, again);
    run.PushButton7_Click();
    EXPECT_TRUE(again.errorReports().empty()) << again.errorReports().front().text.toStdString();
    const auto people = test::dumpTable(c.dbf("people"));
    EXPECT_EQ(people.records.size(), 3u);
    EXPECT_EQ(people.records.at(0).at("NAME"), text("O'Brien"));
    EXPECT_EQ(again.messages.back().text, QStringLiteral("Done."));
}
