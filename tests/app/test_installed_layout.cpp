// The program laid out as the package installs it (<prefix>/bin beside <prefix>/share/marravex,
// whose files the user cannot write): it finds its files there, and the sample button gives a
// folder of the user's own to convert into.
#include "main_window_test.h"

#include "shell/ui/pointers.h"
#include "support/child_process.h"
#include "support/environment.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace qc;
using namespace qc::test;
namespace fs = std::filesystem;

namespace {

class InstalledLayout : public MainWindowTest {};

void setWritable(const fs::path& folder, bool writable) {
    const auto options = writable ? fs::perm_options::add : fs::perm_options::remove;
    fs::permissions(folder, fs::perms::owner_write, options);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        fs::permissions(entry.path(), fs::perms::owner_write | fs::perms::group_write, options);
}

bool ownerWritable(const fs::path& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

} // namespace

// The child: this program run from <prefix>/bin, as the installed program.
QC_CHILD_F(InstalledLayout, RunAsInstalled) {
    // As the installed program: the data folder is XDG_DATA_HOME's, here a temporary folder.
    QStandardPaths::setTestModeEnabled(false);
    const QString share =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/marravex"));
    EXPECT_EQ(programFolder(), share);
    EXPECT_EQ(shell::handCursor().shape(), Qt::BitmapCursor);
    auto w = loadedWindow();
    auto& folderBox = control<QLineEdit>(*w, names::folderBox);
    control<QPushButton>(*w, names::samplesButton).click();
    const QString samples = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/marravex/Samples");
    ASSERT_EQ(folderBox.text(), samples);

    // The copy holds every shipped file, each the user's to write.
    const fs::path shipped = (share + QStringLiteral("/Samples")).toStdString(), copy = samples.toStdString();
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(shipped)) {
        const fs::path copied = copy / fs::relative(entry.path(), shipped);
        EXPECT_TRUE(fs::exists(copied)) << copied;
        EXPECT_TRUE(ownerWritable(copied)) << copied;
        files += entry.is_regular_file();
    }
    EXPECT_GT(files, 2u);
    control<QPushButton>(*w, names::testTargetButton).click();
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Connection successful."));

    // Copied once: what the user's conversions left in the copy stays at the next click.
    const fs::path converted = copy / "converted.dbf";
    { std::ofstream(converted) << "x"; }
    folderBox.clear();
    control<QPushButton>(*w, names::samplesButton).click();
    EXPECT_EQ(folderBox.text(), samples);
    EXPECT_TRUE(fs::exists(converted));
}

TEST(InstalledLayout, FindsItsFilesAndGivesAWritableSampleFolder) {
    // This test program stands in for marravex: a hard link in <prefix>/bin runs it from there.
    QTemporaryDir prefix(QCoreApplication::applicationDirPath() + QStringLiteral("/../installed-XXXXXX"));
    const fs::path root = prefix.path().toStdString(), share = root / "share/marravex";
    fs::create_directories(root / "bin");
    fs::create_directories(share);
    const fs::path program = root / "bin/test_app";
    if (::link("/proc/self/exe", program.c_str()) != 0)
        fs::copy_file(QCoreApplication::applicationFilePath().toStdString(), program);
    fs::copy(fs::path(testFilesDir()) / "../resources", share);
    fs::copy(fs::path(binDir()) / "Samples", share / "Samples", fs::copy_options::recursive);
    setWritable(share, false);
    QTemporaryDir userData;
    const auto run = runInChild(RunAsInstalled, {{"XDG_DATA_HOME", userData.path().toStdString()}}, 600000,
                                program.string());
    setWritable(share, true);
    EXPECT_TRUE(childPassed(run));
}
