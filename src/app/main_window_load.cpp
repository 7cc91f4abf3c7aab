// The main window's load: the look, the pointer, the titles and every stored field, in a fixed
// order. Restoring a field writes its setting back as a change of it would, but restoring the
// folder does not choose the folder: the target chosen last comes back, folder or container.
#include "app/check_value.h"
#include "app/main_window.h"
#include "data/stored_inputs.h"
#include "shell/error_trap.h"
#include "shell/message_text.h"
#include "shell/settings.h"
#include "shell/ui/look.h"
#include "shell/ui/pointers.h"

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

    trap.step(100, [&] { shell::applySkin(*this, programFolder); });
    if (trap.test(102, [&] { return fileExists(cursorFile); }))
        trap.step(104, [&] { custom = shell::handCursorFrom(cursorFile); });
    trap.step(106, [&] {
        shell::installPointerConvention(
            *this, custom, {&sourceFrame, &targetFrame, &previewFrame, &folderBox, &serverBox, &portBox});
    });
    trap.step(108, [&] { setWindowTitle(QStringLiteral("Marravex")); });
    trap.step(110, [&] { setWindowIcon(shell::applicationIcon()); });
    trap.step(112, [&] { QCoreApplication::setApplicationName(applicationTitle()); });
    trap.step(114, [&] {
        setCheckValue(previewModeBox, settingToInteger(readSetting(key::kPreviewMode, QStringLiteral("1"))));
    });
    trap.step(116, [&] {
        setOptionValue(previewPerFileOption,
                       settingToBool(readSetting(key::kPreviewPerFile, QStringLiteral("1"))));
    });
    trap.step(118, [&] {
        setOptionValue(previewPerTableOption,
                       settingToBool(readSetting(key::kPreviewPerTable, QStringLiteral("0"))));
    });
    const data::FoxProTarget storedTarget = data::readStoredTarget();
    // Restoring the folder is no choice of the user's: the target stays the one stored below.
    trap.step(120, [&] {
        const RaisedFlag restoring(restoringFolder_);
        folderBox.setText(storedTarget.folder);
    });
    target_.container = storedTarget.container;             // [122]
    target_.containerChosen = storedTarget.containerChosen; // [124-130]
    const data::SqlServerLogin storedLogin = data::readStoredLogin();
    trap.step(132, [&] { serverBox.setText(storedLogin.server); });
    trap.step(134, [&] { userBox.setText(storedLogin.user); });
    trap.step(136, [&] { passwordBox.setText(storedLogin.password); });
    trap.step(138, [&] { databaseBox.setText(storedLogin.database); });
    trap.step(140, [&] { portBox.setText(storedLogin.port); });
    if (storedLogin.localConnection) // [142]
        trap.step(144, [&] { localConnectionBox.setChecked(true); });
    trap.step(146, [&] { onPreviewModeClicked(); });
    trap.step(148, [&] { showTarget(); });
    // With nothing stored (or a page this program cannot write) the box follows the language,
    // and restoring it stores nothing.
    const int page = data::chosenCodePage();
    const QSignalBlocker restoring(codePageBox);
    codePageBox.setCurrentIndex(codePageBox.findData(page));
    run_.setCodePage(page);
}

} // namespace qc::app
