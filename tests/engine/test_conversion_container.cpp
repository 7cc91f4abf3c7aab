// A conversion into a database container: the tables join the container, keep their long column
// names there, and are replaced after a Yes; in SQL Preview mode per file, the lines run through
// the script execution on the run's own connection.
#include "conversion_support.h"

#include "engine/conversion_run.h"
#include "foxpro/container.h"
#include "foxpro/database.h"
#include "preview/preview_session.h"
#include "preview/script_execution.h"
#include "support/run_inputs.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace qc;
using namespace qc::engine;
using qc::test::ScriptedUi;

namespace {

const char* const kContacts = R"sql(
CREATE TABLE Contacts ("Customer Name" VARCHAR(40), "Customer Identifier" INTEGER, "Last Contacted On" TIMESTAMP);
INSERT INTO Contacts VALUES ('O''Brien', 1, '2021-08-31 14:05:00');
INSERT INTO Contacts VALUES ('Zoë', 2, NULL);
)sql";

// Stands in for the user pressing "Execute SQL" in the preview window.
preview::PreviewExit executeTheLines(preview::PreviewSession& session, UiPort& ui) {
    int errorLine = 0;
    QString errorText;
    const auto outcome = preview::executeScript(
        {session.lines, session.target, errorLine, [&](const QString& e) { errorText = e; }}, ui);
    EXPECT_EQ(outcome, preview::ScriptOutcome::Completed) << errorText.toStdString();
    return outcome == preview::ScriptOutcome::Completed ? preview::PreviewExit::Executed
                                                        : preview::PreviewExit::WentBack;
}

} // namespace

QC_SQLITE_TEST(ConversionContainer, PerFilePreviewThenImmediateReplacementKeepLongNames) {
    QTemporaryDir dir;
    const std::string source = dir.filePath(QStringLiteral("source.db")).toStdString();
    const std::filesystem::path dbc = std::filesystem::path(dir.path().toStdString()) / "shop.dbc";
    test::makeSqliteDatabase(source, kContacts);
    qc::foxpro::Container::create(dbc);

    const data::SqlServerLogin login = test::sqliteLogin(source);
    const data::FoxProTarget target = test::containerTarget(dbc.string());
    const PreviewChoice perFile = PreviewChoice::PerFile;

    ScriptedUi preview;
    int lines = 0;
    preview::PreviewExit exit = preview::PreviewExit::WentBack;
    preview.onPreview = [&](preview::PreviewSession& session) {
        lines = session.lines.count();
        return exit = executeTheLines(session, preview);
    };
    ConversionRun(preview).run(login, target, perFile);
    EXPECT_TRUE(preview.errorReports().empty());
    EXPECT_EQ(lines, 3); // CREATE TABLE and two rows
    EXPECT_EQ(exit, preview::PreviewExit::Executed);

    const auto container = qc::foxpro::Container::open(dbc);
    EXPECT_EQ(container.tableNames(), std::vector<std::string>{"contacts"});
    const auto* table = container.findTable("contacts");
    ASSERT_NE(table, nullptr);
    const auto names = container.fieldNames(*table);
    ASSERT_EQ(names.size(), 3u);
    // The container keeps the long names; the table file holds the 10-character ones.
    EXPECT_EQ(names[1], "customer_identifier");
    EXPECT_EQ(names[2], "last_contacted_on");
    const auto dumped = test::dumpTable((dbc.parent_path() / "contacts.dbf").string());
    ASSERT_EQ(dumped.records.size(), 2u);
    EXPECT_EQ(dumped.records[0].at("CUSTOMER_N"), std::optional<std::string>("O'Brien"));

    // Immediate mode now: the table is in the container, so the run asks, drops and recreates it.
    ScriptedUi immediate;
    immediate.expectQuestion(QStringLiteral("Would you like to overwrite Contacts?"), Answer::Yes);
    ConversionRun(immediate).run(login, target, PreviewChoice());
    EXPECT_TRUE(immediate.errorReports().empty());
    EXPECT_EQ(immediate.previews, 0);
    const auto again = qc::foxpro::Container::open(dbc);
    EXPECT_EQ(again.tableNames(), std::vector<std::string>{"contacts"});
    EXPECT_EQ(test::dumpTable((dbc.parent_path() / "contacts.dbf").string()).records.size(), 2u);
    EXPECT_EQ(immediate.messages.back().text, QStringLiteral("Done."));
}

// A table file left bound to the container without being in it (a copy, or a change cut short
// long ago) is set free by the run's first write, and the user hears of it once.
QC_SQLITE_TEST(ConversionContainer, AStrayBoundTableIsToldOnceInTheRun) {
    QTemporaryDir dir;
    const std::string source = dir.filePath(QStringLiteral("source.db")).toStdString();
    const std::filesystem::path folder(dir.path().toStdString());
    const std::filesystem::path dbc = folder / "shop.dbc";
    test::makeSqliteDatabase(source, kContacts);
    qc::foxpro::Container::create(dbc);
    {
        auto db = qc::foxpro::Database::open(dbc.string());
        db->execute("CREATE TABLE kept (x INT)");
    }
    std::filesystem::copy_file(folder / "kept.dbf", folder / "stray.dbf");

    ScriptedUi ui;
    ConversionRun(ui).run(test::sqliteLogin(source), test::containerTarget(dbc.string()), PreviewChoice());
    EXPECT_TRUE(ui.errorReports().empty());
    std::vector<QString> texts;
    for (const auto& shown : ui.messages)
        texts.push_back(shown.text);
    EXPECT_EQ(texts, (std::vector<QString>{QStringLiteral("Table 'stray.dbf' was bound to database container "
                                                          "'shop.dbc' without being in it; it is now a free "
                                                          "table."),
                                           QStringLiteral("Done.")}));
    std::ifstream stray(folder / "stray.dbf", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(stray), {}};
    EXPECT_EQ(bytes.find("shop.dbc"), std::string::npos) << "its back-link is cleared";

    // A run of free tables into the container's folder is refused the container's table, with one
    // report naming the container, and the table keeps its rows.
    ScriptedUi freeRun;
    freeRun.expectQuestion(QStringLiteral("Contacts"), Answer::Yes);
    ConversionRun(freeRun).run(test::sqliteLogin(source), test::folderTarget(folder.string()),
                               PreviewChoice());
    ASSERT_EQ(freeRun.errorReports().size(), 1u);
    EXPECT_TRUE(freeRun.errorReports()[0].text.contains(
        QStringLiteral("Table 'contacts.dbf' belongs to database container 'shop.dbc'; choose the container "
                       "as the target. (table Contacts)")))
        << freeRun.errorReports()[0].text.toStdString();
    EXPECT_EQ(test::dumpTable((folder / "contacts.dbf").string()).records.size(), 2u);
    EXPECT_EQ(qc::foxpro::Container::open(dbc).tableNames(), (std::vector<std::string>{"kept", "contacts"}));
}
