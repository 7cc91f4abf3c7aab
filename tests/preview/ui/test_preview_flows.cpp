// The preview as a conversion run from "Start Converting" shows it: once for the whole database
// or once per table, and the way the user leaves it steering the rest of the run.
#include "app/main_window.h"
#include "preview/ui/preview_window.h"
#include "support/controls.h"
#include "support/environment.h"
#include "support/scripted_ui.h"
#include "support/tds_server.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using namespace qc;
using preview::ui::PreviewWindow;
using test::control;

namespace {

// Three small tables; the run takes the bottom entry of the source list first.
std::string writeFixture(const QTemporaryDir& dir) {
    const std::string path = dir.filePath(QStringLiteral("shop.json")).toStdString();
    std::ofstream(path) << R"json({"users": {"testuser": "Test#Pass1"}, "databases": {"TestDB": {"tables": [
        {"name": "Alpha", "columns": [["id", "int"], ["name", "nvarchar(20)"]], "rows": [[1, "a & b"], [2, "c"]]},
        {"name": "Beta", "columns": [["id", "int"]], "rows": [[1], [2], [3]]},
        {"name": "Gamma", "columns": [["id", "int"], ["note", "varchar(10)"]], "rows": [[7, "x"]]}]}}})json";
    return path;
}

class PreviewFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvenna"),
                  QStringLiteral("Marravex"))
            .clear();
        server = std::make_unique<test::TdsServer>(writeFixture(fixtureDir));
        window = std::make_unique<app::MainWindow>();
        window->seams().message = [this](const QString& text, const QString& title, Buttons b, Icon i) {
            return ui.message(text, title, b, i);
        };
        window->load();
        auto type = [&](const char* name, const QString& text) {
            auto& box = control<QLineEdit>(*window, name);
            box.clear();
            QTest::keyClicks(&box, text);
        };
        type(names::serverBox, QString::fromStdString(test::TdsServer::host()));
        type(names::portBox, QString::number(server->port()));
        type(names::userBox, QStringLiteral("testuser"));
        type(names::passwordBox, QStringLiteral("Test#Pass1"));
        type(names::databaseBox, QStringLiteral("TestDB"));
        type(names::folderBox, target.path());
        ASSERT_NE(window->previewChoice(), engine::PreviewChoice::Off);
    }

    // Starts the run; each preview window it shows goes to `user`, with its messages recorded.
    void convert(const std::function<void(PreviewWindow&, int shown)>& user) {
        window->seams().runModal = [&](QDialog& dialog) {
            auto& preview = dynamic_cast<PreviewWindow&>(dialog);
            preview.seams().message = [this](const QString& text, const QString& title, Buttons b, Icon i) {
                return ui.message(text, title, b, i);
            };
            previews.push_back({});
            const preview::SqlLineList& lines = preview.session().lines;
            for (int line = 1; line <= lines.count(); ++line)
                previews.back().push_back(lines.text(line));
            user(preview, static_cast<int>(previews.size()));
            exits.push_back(preview.exit());
        };
        control<QPushButton>(*window, names::startButton).click();
    }

    bool tableWritten(const char* name) const {
        return QFile::exists(target.filePath(QString::fromLatin1(name)));
    }

    std::size_t records(const char* table) const {
        const auto result =
            test::runPython({"-c",
                             "import re, subprocess, sys\n"
                             "out = subprocess.run([sys.executable, sys.argv[1], sys.argv[2]],\n"
                             "    check=True, capture_output=True, text=True).stdout\n"
                             "print(re.search(r'records=(\\d+)', out).group(1))\n",
                             test::testFilesDir() + "/tools/vfp-oracle/vfpdump.py",
                             target.filePath(QString::fromLatin1(table)).toStdString()});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return std::stoul(result.output);
    }

    QTemporaryDir fixtureDir;
    QTemporaryDir target;
    std::unique_ptr<test::TdsServer> server;
    std::unique_ptr<app::MainWindow> window;
    test::ScriptedUi ui;
    std::vector<std::vector<std::string>> previews;
    std::vector<preview::PreviewExit> exits;
};

TEST_F(PreviewFlow, PerFileShowsEveryTableOnceAndExecutesThem) {
    control<QRadioButton>(*window, names::previewPerFileOption).click();
    convert([&](PreviewWindow& preview, int) {
        preview.port().setEventInterval(std::chrono::microseconds(0));
        preview.executeButton.click();
        EXPECT_FALSE(preview.isVisible());
    });
    ASSERT_EQ(previews.size(), 1u);
    const auto& lines = previews[0];
    ASSERT_EQ(lines.size(), 9u); // three CREATE TABLE and six INSERT INTO lines
    EXPECT_EQ(lines[0].rfind("CREATE TABLE [Gamma]", 0), 0u) << lines[0];
    EXPECT_EQ(lines[2].rfind("CREATE TABLE [Beta]", 0), 0u) << lines[2];
    EXPECT_EQ(lines[6].rfind("CREATE TABLE [Alpha]", 0), 0u) << lines[6];
    EXPECT_EQ(exits, std::vector<preview::PreviewExit>{preview::PreviewExit::Executed});
    EXPECT_EQ(window->run().sqlLines().count(), 0);
    EXPECT_TRUE(ui.errorReports().empty());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_EQ(records("alpha.dbf"), 2u);
    EXPECT_EQ(records("beta.dbf"), 3u);
    EXPECT_EQ(records("gamma.dbf"), 1u);
}

TEST_F(PreviewFlow, PerTableSkipGoesOnAndBackEndsTheRun) {
    control<QRadioButton>(*window, names::previewPerTableOption).click();
    convert([&](PreviewWindow& preview, int shown) {
        if (shown == 1)
            preview.skipTableButton.click(); // "Skip Table / Do Not Execute SQL"
        else
            preview.backButton.click(); // "< Back"
    });
    ASSERT_EQ(previews.size(), 2u);
    ASSERT_EQ(previews[0].size(), 2u);
    EXPECT_EQ(previews[0][0].rfind("CREATE TABLE [Gamma]", 0), 0u);
    ASSERT_EQ(previews[1].size(), 4u);
    EXPECT_EQ(previews[1][0].rfind("CREATE TABLE [Beta]", 0), 0u);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_FALSE(tableWritten("gamma.dbf") || tableWritten("beta.dbf") || tableWritten("alpha.dbf"));
}

TEST_F(PreviewFlow, PerTableExecuteGoesOnWithEveryTable) {
    control<QRadioButton>(*window, names::previewPerTableOption).click();
    convert([&](PreviewWindow& preview, int) { preview.executeButton.click(); });
    ASSERT_EQ(previews.size(), 3u);
    EXPECT_EQ(previews[2][0].rfind("CREATE TABLE [Alpha]", 0), 0u);
    EXPECT_EQ(records("gamma.dbf"), 1u);
    EXPECT_EQ(records("beta.dbf"), 3u);
    EXPECT_EQ(records("alpha.dbf"), 2u);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
}

} // namespace
