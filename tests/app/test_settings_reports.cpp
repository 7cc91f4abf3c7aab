// A settings file that cannot be written, met while typing: one report for the whole run of
// failures, across the main window and Advanced Options, and one again after a write succeeded.
#include "main_window_test.h"

#include "data/ui/advanced_options_window.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qc;
using namespace qc::test;

namespace {
class SettingsReports : public MainWindowTest {};
} // namespace

TEST_F(SettingsReports, AnUnwritableFileIsReportedOnceWhileTyping) {
    auto w = loadedWindow();
    QFile::remove(settingsFilePath());
    ASSERT_TRUE(QDir().mkpath(settingsFilePath())); // a folder where the file should be: stops root too
    QTest::keyClicks(&control<QLineEdit>(*w, names::serverBox), QStringLiteral("server"));
    QTest::keyClicks(&control<QLineEdit>(*w, names::userBox), QStringLiteral("sa"));
    w->seams().runModal = [](QDialog& dialog) {
        QTest::keyClicks(&control<QLineEdit>(dialog, names::advanced::containerBox), QStringLiteral("x.dbc"));
    };
    control<QPushButton>(*w, names::containerButton).click();
    ASSERT_EQ(ui.errorReports().size(), 1u);
    EXPECT_TRUE(ui.errorReports()[0].text.contains(QStringLiteral("Text5_Change")))
        << ui.errorReports()[0].text.toStdString();

    ASSERT_TRUE(QDir(settingsFilePath()).removeRecursively());
    QTest::keyClicks(&control<QLineEdit>(*w, names::databaseBox), QStringLiteral("db"));
    EXPECT_EQ(ui.errorReports().size(), 1u);
    EXPECT_EQ(stored(key::kMSSQLDatabase), QStringLiteral("db"));

    QFile::remove(settingsFilePath());
    ASSERT_TRUE(QDir().mkpath(settingsFilePath()));
    QTest::keyClicks(&control<QLineEdit>(*w, names::databaseBox), QStringLiteral("22"));
    EXPECT_EQ(ui.errorReports().size(), 2u);
    ASSERT_TRUE(QDir(settingsFilePath()).removeRecursively());
}
