// Test main: a QApplication on the offscreen platform, a fixed locale, and settings in a
// temporary folder, so no test touches the real user's files.
#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toUtf8().constData(), 1);
    QStandardPaths::setTestModeEnabled(true);
    // Test mode sends QSettings to ~/.qttest/config, one place for every test process: each
    // process keeps its settings in its own temporary folder instead.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
