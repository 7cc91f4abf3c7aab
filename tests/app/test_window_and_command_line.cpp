// The window's "Start Converting" and `marravex convert` write the same tables, byte for byte
// but for the date of last update.
#include "main_window_test.h"

#include "support/marravex_command.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>

using namespace qc;
using namespace qc::test;

namespace {

class WindowAndCommandLine : public MainWindowTest {};

} // namespace

TEST_F(WindowAndCommandLine, WriteByteIdenticalTables) {
    CliRun cli(200);
    const std::string window = cli.path("window"), command = cli.path("command");
    std::filesystem::create_directory(window);
    std::filesystem::create_directory(command);

    auto w = loadedWindow();
    const auto type = [&](const char* name, const std::string& text) {
        auto& box = control<QLineEdit>(*w, name);
        box.clear();
        QTest::keyClicks(&box, QString::fromStdString(text));
    };
    type(names::serverBox, TdsServer::host());
    type(names::portBox, std::to_string(cli.server.port()));
    type(names::userBox, "testuser");
    type(names::passwordBox, kPassword);
    type(names::databaseBox, "TestDB");
    type(names::folderBox, window);
    control<QCheckBox>(*w, names::previewModeBox).click(); // immediate mode
    control<QPushButton>(*w, names::startButton).click();
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));

    // The refused rows of AllTypes and NotNullTypes give status 1 (the window reported them).
    EXPECT_EQ(cli.convert({"--to", command}).exitCode, 1);
    EXPECT_TRUE(sameTables(window, command));
    EXPECT_TRUE(std::filesystem::exists(command + "/bigtable.dbf"));
}
