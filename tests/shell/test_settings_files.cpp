// Where the settings live on disk: folders made for them are the user's alone whatever the umask,
// a settings file reached through a symbolic link stays linked, and a file that cannot be written
// is reported once per run of failures.
#include "shell/settings.h"
#include "shell/settings_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qc;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

// Settings under `folder` for the length of a test, then back where the test program keeps them.
class SettingsIn {
  public:
    explicit SettingsIn(const QString& folder) : previous_(QFileInfo(settingsFilePath()).path()) {
        // settingsFilePath() is <set path>/Corvenna/Marravex.conf
        previous_ = QFileInfo(previous_).path();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    }
    ~SettingsIn() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, previous_); }

  private:
    QString previous_;
};

} // namespace

TEST(SettingsFiles, MissingFoldersAreMadeForTheOwnerOnlyWhateverTheUmask) {
    QTemporaryDir home;
    for (const mode_t mask : {0000, 0022, 0077, 0777}) {
        const QString config = home.filePath(QStringLiteral("umask%1/.config").arg(mask, 0, 8));
        SettingsIn in(config);
        const mode_t previous = ::umask(mask);
        writeSetting(key::kMSSQLServer, QStringLiteral("srv"));
        ::umask(previous);
        EXPECT_EQ(modeOf(QFileInfo(config).path()), 0700u) << "umask " << mask;
        EXPECT_EQ(modeOf(config), 0700u) << "umask " << mask;
        EXPECT_EQ(modeOf(config + QStringLiteral("/Corvenna")), 0700u) << "umask " << mask;
        EXPECT_EQ(modeOf(settingsFilePath()), 0600u) << "umask " << mask;
        EXPECT_EQ(readSetting(key::kMSSQLServer), QStringLiteral("srv"));
    }
    // A folder that is there already keeps the mode its owner gave it.
    const QString shared = home.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared + QStringLiteral("/Corvenna")));
    ::chmod(QFile::encodeName(shared + QStringLiteral("/Corvenna")).constData(), 0750);
    SettingsIn in(shared);
    writeSetting(key::kMSSQLServer, QStringLiteral("srv"));
    EXPECT_EQ(modeOf(shared + QStringLiteral("/Corvenna")), 0750u);
}

TEST(SettingsFiles, ASymbolicLinkAtTheSettingsPathIsFollowedAndKept) {
    QTemporaryDir home;
    SettingsIn in(home.filePath(QStringLiteral("config")));
    const QString real = home.filePath(QStringLiteral("dotfiles/Marravex.conf"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(real).path()));
    writeSetting(key::kMSSQLUser, QStringLiteral("first")); // makes the folders and a plain file
    QFile::remove(settingsFilePath());
    QFile seed(real);
    ASSERT_TRUE(seed.open(QIODevice::WriteOnly));
    seed.write("[General]\nMSSQL%20Database=kept\n");
    seed.close();
    ASSERT_TRUE(QFile::link(real, settingsFilePath()));

    writeSetting(key::kMSSQLUser, QStringLiteral("sa"));
    writeSetting(key::kMSSQLPassword, QStringLiteral("secret"));
    EXPECT_TRUE(QFileInfo(settingsFilePath()).isSymLink());
    EXPECT_EQ(readSetting(key::kMSSQLDatabase), QStringLiteral("kept"));
    QSettings direct(real, QSettings::IniFormat);
    EXPECT_EQ(direct.value(key::kMSSQLPassword).toString(), QStringLiteral("secret"));
    EXPECT_EQ(modeOf(real), 0600u);
}

TEST(SettingsFiles, AnUnwritableFileIsReportedOnceAndAgainOnlyAfterAWriteSucceeded) {
    QTemporaryDir home;
    SettingsIn in(home.path());
    SettingsWriter writer;
    // A folder where the file should be stops even root.
    const auto breakFile = [] { ASSERT_TRUE(QDir().mkpath(settingsFilePath())); };
    const auto mendFile = [] { ASSERT_TRUE(QDir(settingsFilePath()).removeRecursively()); };

    breakFile();
    EXPECT_THROW(writer.write(key::kMSSQLServer, QStringLiteral("a")), std::runtime_error);
    EXPECT_NO_THROW(writer.write(key::kMSSQLServer, QStringLiteral("ab")));
    EXPECT_NO_THROW(writer.write(key::kMSSQLUser, QStringLiteral("u")));
    mendFile();
    writer.write(key::kMSSQLServer, QStringLiteral("abc"));
    EXPECT_EQ(readSetting(key::kMSSQLServer), QStringLiteral("abc"));
    QFile::remove(settingsFilePath());
    breakFile();
    EXPECT_THROW(writer.write(key::kMSSQLServer, QStringLiteral("abcd")), std::runtime_error);
    EXPECT_NO_THROW(writer.write(key::kMSSQLServer, QStringLiteral("abcde")));
    mendFile();
}
