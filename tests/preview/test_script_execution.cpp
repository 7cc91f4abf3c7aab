#include "preview/script_execution.h"

#include "preview/foxpro_folder.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>

#include <filesystem>

using namespace qc;
using namespace qc::preview;

namespace {

struct ScriptRunTest : ::testing::Test {
    test::FoxProFolder target;
    SqlLineList lines;
    test::ScriptedUi ui;
    int errorLineIndex = 0;
    QString errorText;
    ResumePoint resume;

    void add(std::initializer_list<const char*> texts) {
        for (const char* text : texts)
            lines.append(text);
    }
    ScriptOutcome run(data::Connection* connection) {
        return executeScript({lines,
                              connection,
                              errorLineIndex,
                              [this](const QString& text) { errorText = text; },
                              &resume,
                              {}},
                             ui);
    }
    ScriptOutcome run() { return run(target.connection.get()); }
};

TEST(SqlErrorPhrases, MatchAnywhereInAnyLetterCase) {
    EXPECT_TRUE(isSqlError(QStringLiteral("SQL error: Syntax error.")));
    EXPECT_TRUE(isSqlError(QStringLiteral("Provider said: SQL ERROR in line")));
    EXPECT_TRUE(isSqlError(QStringLiteral("java.sql.sqlexception thrown")));
    EXPECT_TRUE(isSqlError(QStringLiteral("Unsuccessful Metadata update")));
    EXPECT_FALSE(isSqlError(QStringLiteral("Operation is not allowed when the object is closed.")));
    EXPECT_FALSE(isSqlError(QStringLiteral("SQL-error")));
    EXPECT_FALSE(isSqlError(QString()));
}

TEST_F(ScriptRunTest, BlankMiddleLineIsCountedButNotSent) {
    add({"CREATE TABLE t (a I)", "   ", "INSERT INTO t VALUES (7);"});
    EXPECT_EQ(run(), ScriptOutcome::Completed);
    // A blank line sent to the engine would have stopped the run with a syntax error.
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_GE(ui.progressTexts.size(), 2u);
    EXPECT_EQ(ui.progressTexts[ui.progressTexts.size() - 2],
              QStringLiteral("Please wait.. Processing row: 3 of 3"));
    EXPECT_EQ(ui.progressTexts.back(), QStringLiteral("Progress Bar"));
    const auto records = target.records("t");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("A=7"), std::string::npos) << records[0];
    EXPECT_EQ(ui.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(ScriptRunTest, SqlErrorStopsAtItsLineAndKeepsEarlierWork) {
    add({"CREATE TABLE t (a I)", "INSERT INTO missing VALUES (1)", "INSERT INTO t VALUES (3)",
         "INSERT INTO t VALUES (4)", "INSERT INTO t VALUES (5)"});
    EXPECT_EQ(run(), ScriptOutcome::StoppedAtError);
    EXPECT_EQ(errorLineIndex, 2);
    EXPECT_EQ(lines.selectedLine(), 2);
    EXPECT_TRUE(errorText.startsWith(QStringLiteral("SQL error")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Error found."));
    EXPECT_FALSE(ui.busy);
    EXPECT_EQ(ui.progressValues.back(), 0);
    EXPECT_EQ(ui.progressTexts.back(), QStringLiteral("Progress Bar"));
    // Line 1 ran, lines 3 to 5 were never sent.
    EXPECT_TRUE(std::filesystem::exists(target.dbf("t")));
    EXPECT_TRUE(target.records("t").empty());
}

// Sending line 1 again would fail ("already exists") and earlier INSERTs would add their rows twice.
TEST_F(ScriptRunTest, RunningAgainGoesOnAtTheLineThatStopped) {
    add({"CREATE TABLE t (a I)", "INSERT INTO t VALUES (1)", "INSERT INTO missing VALUES (2)",
         "INSERT INTO t VALUES (3)", "INSERT INTO missing VALUES (4)", "INSERT INTO t VALUES (5)"});
    ASSERT_EQ(run(), ScriptOutcome::StoppedAtError);
    lines.setText(3, "INSERT INTO t VALUES (2)");
    ui.progressTexts.clear();
    ASSERT_EQ(run(), ScriptOutcome::StoppedAtError);
    EXPECT_EQ(errorLineIndex, 5);
    // Progress keeps the list's numbering.
    EXPECT_EQ(ui.progressTexts.front(), QStringLiteral("Please wait.. Processing row: 3 of 6"));
    lines.setText(5, "INSERT INTO t VALUES (4)");
    EXPECT_EQ(run(), ScriptOutcome::Completed);
    const auto records = target.records("t");
    ASSERT_EQ(records.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_NE(records[i].find("A=" + std::to_string(i + 1)), std::string::npos) << records[i];
    // No question: nothing before a stop was changed.
    for (const auto& shown : ui.messages)
        EXPECT_EQ(shown.text, QStringLiteral("Error found."));
}

// A stop at line 1 leaves nothing executed: the next run starts there without a question; a list
// shorter than the stop starts over.
TEST_F(ScriptRunTest, StopAtTheFirstLineOrAShorterListStartsAtLineOne) {
    add({"CREATE TABLE (a I)", "CREATE TABLE t (a I)"});
    ASSERT_EQ(run(), ScriptOutcome::StoppedAtError);
    lines.setText(1, "   ");
    EXPECT_EQ(run(), ScriptOutcome::Completed);
    EXPECT_TRUE(std::filesystem::exists(target.dbf("t")));

    resume = {5, 0};
    lines.clear();
    add({"CREATE TABLE u (a I)"});
    EXPECT_EQ(run(), ScriptOutcome::Completed);
    EXPECT_TRUE(std::filesystem::exists(target.dbf("u")));
}

TEST_F(ScriptRunTest, OtherErrorsAreReportedAndTheRunGoesOn) {
    add({"CREATE TABLE t (a I)", "", "INSERT INTO t VALUES (1)"});
    data::Connection closed;
    EXPECT_EQ(run(&closed), ScriptOutcome::Completed);
    EXPECT_EQ(errorLineIndex, 0);
    const auto reports = ui.errorReports();
    ASSERT_EQ(reports.size(), 2u); // the two non-blank lines
    for (const auto& report : reports) {
        EXPECT_TRUE(
            report.text.startsWith(QStringLiteral("Operation is not allowed when the object is closed.")));
        EXPECT_TRUE(report.text.contains(
            QStringLiteral("in Ferroquill2021/08/31.Form2.PushButton1_Click at line 118")));
        EXPECT_EQ(report.icon, Icon::Exclamation);
    }
}

TEST_F(ScriptRunTest, EmptyListChangesNothing) {
    EXPECT_EQ(run(), ScriptOutcome::NothingToRun);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("No SQL to run."));
    EXPECT_EQ(ui.messages[0].title, QString());
    EXPECT_TRUE(ui.busyChanges.empty());
    EXPECT_TRUE(ui.progressValues.empty());
}

// A provider other than FoxPro, whose description carries a phrase in capitals.
TEST_F(ScriptRunTest, PhraseInCapitalsFromAnotherProviderStops) {
    QTemporaryDir dir;
    data::Connection sqlite;
    sqlite.open("Driver=SQLite3;Database=" + dir.filePath(QStringLiteral("t.db")).toStdString() + ";");
    add({"CREATE TABLE c (a, CONSTRAINT [PLAIN RULE] CHECK (a > 0))",
         "CREATE TABLE d (a, CONSTRAINT [SQL ERROR RULE] CHECK (a > 0))", "INSERT INTO c VALUES (0)",
         "INSERT INTO d VALUES (0)", "INSERT INTO c VALUES (5)"});
    EXPECT_EQ(run(&sqlite), ScriptOutcome::StoppedAtError);
    EXPECT_EQ(errorLineIndex, 4);
    EXPECT_TRUE(errorText.contains(QStringLiteral("SQL ERROR RULE"))) << errorText.toStdString();
    // Line 3's failure names no phrase: reported, and the run went on to line 4.
    ASSERT_EQ(ui.errorReports().size(), 1u);
    EXPECT_TRUE(ui.errorReports()[0].text.contains(QStringLiteral("PLAIN RULE")));
}

} // namespace
