#pragma once
// Shared set-up of the window tests: an empty settings store before each test, the main window
// with its message boxes answered by a scripted port, and direct access to stored values.

#include "app/main_window.h"
#include "shell/settings.h"
#include "support/controls.h"
#include "support/scripted_ui.h"

#include <QApplication>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

namespace qc::test {

// Every stored key and its text.
std::map<QString, QString> storedSettings();
std::optional<QString> stored(const QString& key);
// Stores texts as a previous run would have left them.
void store(const std::map<QString, QString>& values);
void clearSettings();

// The window of that kind the program shows now, or null. The program's windows and boxes are
// not modal in Qt's sense (the main window must stay closable), so they are looked for among the
// visible windows.
template <class T> T* shownWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A main window whose message boxes go to `ui`, not loaded yet.
    std::unique_ptr<app::MainWindow> makeWindow();
    // A main window after its load.
    std::unique_ptr<app::MainWindow> loadedWindow();

    ScriptedUi ui;
};

} // namespace qc::test
