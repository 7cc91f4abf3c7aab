// The main window's load: the look, the pointer, the titles and every stored field, in a fixed
// order. Restoring a field writes its setting back as a change of it would, but restoring the
// folder does not choose the folder: the target chosen last comes back, folder or container.
#include "app/check_value.h"
#include "app/main_window.h"
#include "foxpro/codepage.h"
#include "shell/error_trap.h"
#include "shell/settings.h"

#include <QCoreApplication>

namespace qc::app {

namespace {

// Sets an option button's value: True selects it (clearing the other), False clears it, which may
// leave neither selected.
void setOptionValue(QRadioButton& option, bool value) {
    if (value) {
        option.setChecked(true);
    } else if (option.isChecked()) {
        option.setAutoExclusive(false);
        option.setChecked(false);
        option.setAutoExclusive(true);
    }
}

} // namespace

void MainWindow::load() {
    ErrorTrap trap(port_, kWindowName, QStringLiteral("Form_Load"));
    const QString cursorFile = programFolder + QStringLiteral("/HAND-M.CUR");
    QCursor custom(Qt::ArrowCursor);

    trap.step(100, [&] { look::ApplySkin(*this, programFolder); });
    if (trap.test(102, [&] { return look::FileExists(cursorFile); }))
        trap.step(104, [&] { custom = look::handCursorFrom(cursorFile); });
    trap.step(106, [&] {
        look::installPointerConvention(
            *this, custom, {&sourceFrame, &targetFrame, &previewFrame, &folderBox, &serverBox, &portBox});
    });
    trap.step(108, [&] { setWindowTitle(QStringLiteral("Marravex")); });
    trap.step(110, [&] { setWindowIcon(look::applicationIcon()); });
    trap.step(112, [&] { QCoreApplication::setApplicationName(applicationTitle()); });
    trap.step(114, [&] {
        setCheckValue(previewModeBox, settingToInteger(ReadSetting(key::PreviewMode, QStringLiteral("1"))));
    });
    trap.step(116, [&] {
        setOptionValue(previewPerFileOption,
                       settingToBool(ReadSetting(key::PreviewPerFile, QStringLiteral("1"))));
    });
    trap.step(118, [&] {
        setOptionValue(previewPerTableOption,
                       settingToBool(ReadSetting(key::PreviewPerTable, QStringLiteral("0"))));
    });
    // Restoring the folder is no choice of the user's: the target stays the one stored below.
    trap.step(120, [&] {
        const RaisedFlag restoring(restoringFolder_);
        folderBox.setText(ReadSetting(key::FreeTableFolder));
    });
    trap.step(122, [&] { target_.container = ReadSetting(key::DBCFile); });
    QString targetOption;
    if (trap.test(124, [&] {
            targetOption = ReadSetting(key::FoxproOption);
            return targetOption != QStringLiteral("2");
        })) {
        trap.step(126, [&] { target_.containerChosen = true; });
    } else if (trap.test(128, [&] { return targetOption == QStringLiteral("2"); })) {
        trap.step(130, [&] { target_.containerChosen = false; });
    }
    trap.step(132, [&] { serverBox.setText(ReadSetting(key::MSSQLServer)); });
    trap.step(134, [&] { userBox.setText(ReadSetting(key::MSSQLUser)); });
    trap.step(136, [&] { passwordBox.setText(ReadSetting(key::MSSQLPassword)); });
    trap.step(138, [&] { databaseBox.setText(ReadSetting(key::MSSQLDatabase)); });
    trap.step(140, [&] { portBox.setText(ReadSetting(key::MSSQLPort, QStringLiteral("1433"))); });
    if (trap.test(142, [&] {
            return ReadSetting(key::LocalConnection, QStringLiteral("0")) != QStringLiteral("0");
        }))
        trap.step(144, [&] { localConnectionBox.setChecked(true); });
    trap.step(146, [&] { onPreviewModeClicked(); });
    trap.step(148, [&] { showTarget(); });
    // With nothing stored (or a page this program cannot write) the box follows the language,
    // and restoring it stores nothing.
    const int stored = ReadSetting(key::CodePage).toInt();
    const int page = foxpro::isWritableCodePage(stored) ? stored : Locale::fromSystem().codePage;
    const QSignalBlocker restoring(codePageBox);
    codePageBox.setCurrentIndex(codePageBox.findData(page));
    run_.setCodePage(page);
}

} // namespace qc::app
