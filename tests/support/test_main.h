#pragma once
// What every test program's main() does: fixes the locale, keeps settings in a temporary folder
// so no test touches the real user's files, and runs the tests under the application object App
// (QCoreApplication for the logic, QApplication for the windows).

#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace qc::test {

template <class App> int runAllTests(int argc, char** argv) {
    setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toUtf8().constData(), 1);
    QStandardPaths::setTestModeEnabled(true);
    // Test mode sends QSettings to ~/.qttest/config, one place for every test process: each
    // process keeps its settings in its own temporary folder instead.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QLocale::setDefault(QLocale::c());
    App app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace qc::test
