#include "main_window_test.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace qc;
using qc::test::clearSettings;
using qc::test::stored;

namespace {

class Settings : public ::testing::Test {
  protected:
    void SetUp() override { clearSettings(); }
    void TearDown() override { clearSettings(); }
};

mode_t fileMode(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 0777;
}

} // namespace

TEST_F(Settings, LiveInTheTestsTemporaryPlaceUnderCorvennaMarravex) {
    const QString path = settingsFilePath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Corvenna/Marravex.conf"))) << path.toStdString();
    EXPECT_TRUE(path.startsWith(QDir::tempPath() + QLatin1Char('/'))) << path.toStdString();
}

TEST_F(Settings, AbsentKeysYieldTheDefaultAndReadingCreatesNothing) {
    EXPECT_EQ(readSetting(key::kMSSQLPort, QStringLiteral("1433")), QStringLiteral("1433"));
    EXPECT_EQ(readSetting(key::kMSSQLServer), QString());
    EXPECT_FALSE(stored(key::kMSSQLPort));
    EXPECT_FALSE(QFileInfo::exists(settingsFilePath()));
}

TEST_F(Settings, TextsComeBackExactlyAsWritten) {
    // Texts that an INI file could take for lists, escapes or typed values.
    const QString texts[] = {QString(),
                             QStringLiteral("1433"),
                             QStringLiteral("  leading and trailing  "),
                             QStringLiteral("a,b, c"),
                             QStringLiteral("\"quoted\" and ;semicolon=equals"),
                             QStringLiteral("C:\\Data\\Fox Pro\\"),
                             QStringLiteral("@Invalid()"),
                             QStringLiteral("@ByteArray(x)"),
                             QStringLiteral("p\u00e4ss \u20ac #1\ttab"),
                             QStringLiteral("line\nbreak")};
    for (const QString& text : texts) {
        writeSetting(key::kMSSQLPassword, text);
        ASSERT_EQ(readSetting(key::kMSSQLPassword, QStringLiteral("default")), text) << text.toStdString();
    }
    // A stored empty text is a value, not an absent key.
    writeSetting(key::kMSSQLPort, QString());
    EXPECT_EQ(readSetting(key::kMSSQLPort, QStringLiteral("1433")), QString());
}

TEST_F(Settings, TheFileIsOwnerOnlyFromItsFirstWriteAndAnOlderOpenFileIsTightened) {
    writeSetting(key::kMSSQLPassword, QStringLiteral("secret"));
    EXPECT_EQ(fileMode(settingsFilePath()), 0600u);
    writeSetting(key::kMSSQLUser, QStringLiteral("sa"));
    EXPECT_EQ(fileMode(settingsFilePath()), 0600u);

    ASSERT_TRUE(QFile::setPermissions(settingsFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                              QFileDevice::ReadGroup |
                                                              QFileDevice::ReadOther));
    writeSetting(key::kMSSQLUser, QStringLiteral("sa2"));
    EXPECT_EQ(fileMode(settingsFilePath()), 0600u);
    EXPECT_EQ(readSetting(key::kMSSQLPassword), QStringLiteral("secret"));
}

TEST_F(Settings, AFileThatCannotBeWrittenIsAFailureNotASilentLoss) {
    QDir().mkpath(settingsFilePath()); // a folder where the file should be
    EXPECT_THROW(writeSetting(key::kMSSQLServer, QStringLiteral("x")), std::runtime_error);
    QDir(settingsFilePath()).removeRecursively();
}

TEST(SettingConversions, WholeNumbersAsTheStoreHoldsThem) {
    EXPECT_EQ(settingToInteger(QStringLiteral("1")), 1);
    EXPECT_EQ(settingToInteger(QStringLiteral(" 0 ")), 0);
    EXPECT_EQ(settingToInteger(QStringLiteral("-32768")), -32768);
    EXPECT_EQ(settingToInteger(QStringLiteral("32767")), 32767);
    EXPECT_EQ(settingToInteger(QStringLiteral("1.5")), 2); // half to even
    EXPECT_EQ(settingToInteger(QStringLiteral("2.5")), 2);
    EXPECT_EQ(settingToInteger(QStringLiteral("0.4")), 0);
    for (const char* bad : {"", "abc", "1x", "nan", "inf", "True"})
        EXPECT_THROW(settingToInteger(QString::fromLatin1(bad)), std::runtime_error) << bad;
    EXPECT_THROW(settingToInteger(QStringLiteral("32768")), std::runtime_error);
    EXPECT_THROW(settingToInteger(QStringLiteral("-32769")), std::runtime_error);
}

TEST(SettingConversions, TruthValuesAsTheStoreHoldsThem) {
    EXPECT_TRUE(settingToBool(QStringLiteral("True")));
    EXPECT_TRUE(settingToBool(QStringLiteral("true")));
    EXPECT_FALSE(settingToBool(QStringLiteral("False")));
    EXPECT_TRUE(settingToBool(QStringLiteral("1")));
    EXPECT_TRUE(settingToBool(QStringLiteral("-1")));
    EXPECT_TRUE(settingToBool(QStringLiteral("0.5")));
    EXPECT_FALSE(settingToBool(QStringLiteral("0")));
    for (const char* bad : {"", "yes", "Truth", "1x"})
        EXPECT_THROW(settingToBool(QString::fromLatin1(bad)), std::runtime_error) << bad;
    EXPECT_EQ(boolSettingText(true), QStringLiteral("True"));
    EXPECT_EQ(boolSettingText(false), QStringLiteral("False"));
}
