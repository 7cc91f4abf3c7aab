#include "main_window_test.h"

#include <QFile>

namespace qc::test {

namespace {
QSettings store_() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvenna"),
                     QStringLiteral("Marravex"));
}
} // namespace

std::map<QString, QString> storedSettings() {
    std::map<QString, QString> all;
    const QSettings settings = store_();
    for (const QString& key : settings.allKeys())
        all[key] = settings.value(key).toString();
    return all;
}

std::optional<QString> stored(const QString& key) {
    const QSettings settings = store_();
    if (!settings.contains(key))
        return std::nullopt;
    return settings.value(key).toString();
}

void store(const std::map<QString, QString>& values) {
    for (const auto& [key, value] : values)
        writeSetting(key, value);
}

void clearSettings() {
    QSettings settings = store_();
    settings.clear();
    settings.sync();
    QFile::remove(settings.fileName());
}

void MainWindowTest::SetUp() {
    clearSettings();
}

void MainWindowTest::TearDown() {
    clearSettings();
}

std::unique_ptr<app::MainWindow> MainWindowTest::makeWindow() {
    auto window = std::make_unique<app::MainWindow>();
    window->seams().message = [this](const QString& text, const QString& title, Buttons buttons, Icon icon) {
        return ui.message(text, title, buttons, icon);
    };
    window->seams().openUrl = [](const QUrl&) {
        ADD_FAILURE() << "unexpected desktop call";
        return false;
    };
    window->fileDialogs.chooseFolder = [](QWidget*, const QString&, const QString&) {
        ADD_FAILURE() << "unexpected folder picker";
        return QString();
    };
    window->fileDialogs.chooseFile = [](QWidget*, const QString&, const QString&) {
        ADD_FAILURE() << "unexpected file dialog";
        return QString();
    };
    window->seams().runModal = [](QDialog&) { ADD_FAILURE() << "unexpected modal window"; };
    return window;
}

std::unique_ptr<app::MainWindow> MainWindowTest::loadedWindow() {
    auto window = makeWindow();
    window->load();
    return window;
}

} // namespace qc::test
