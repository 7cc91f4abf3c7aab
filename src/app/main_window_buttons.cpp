// The main window's push buttons: help texts, connection tests, the target pickers and
// "Start Converting".
#include "app/main_window.h"
#include "data/foxpro_target.h"
#include "data/mssql_source.h"
#include "data/stored_inputs.h"
#include "shell/error_trap.h"
#include "shell/settings.h"
#include "shell/shipped_files.h"
#include "shell/ui/desktop_links.h"

#include <QDir>

namespace qc::app {

namespace {
const QString kConnected = QStringLiteral("Connection successful.");
} // namespace

void MainWindow::onSourceHelpClicked() {
    ErrorTrap trap(port_, kWindowName, QStringLiteral("PushButton4_Click"));
    Answer answer = Answer::No;
    trap.step(100, [&] {
        port_.message(
            QStringLiteral("If you cannot establish connection to your MS SQL Server database with this "
                           "program, please go to: ") +
            QStringLiteral("\r\r") + QString::fromLatin1(kSqlManagerAddress) + QStringLiteral("\r\r") +
            QStringLiteral("Download and install the EMS SQL Manager 2005 Lite for SQL Server. Try to "
                           "connect to ") +
            QStringLiteral("the same database (with the same login information you are using here). "
                           "This will determine if ") +
            QStringLiteral("the login you are using is correct."));
    });
    trap.step(102, [&] {
        answer = port_.message(QStringLiteral("Would you like to see an image of how I connect locally?"), {},
                               Buttons::YesNo);
    });
    if (trap.test(104, [&] { return answer == Answer::No; }))
        return;
    // Whether the picture is there is not checked: the desktop reports a missing file its own way.
    trap.step(106, [&] {
        const QString picture = programFolder + QStringLiteral("/local-connection-example.jpg");
        shell::openAddress(
            QUrl::fromLocalFile(picture), [this](const QUrl& url) { return port_.openUrl(url); }, port_,
            QStringLiteral("No program is set up on this computer to show the picture.\r\r"
                           "It is the file ") +
                QDir::toNativeSeparators(picture));
    });
}

void MainWindow::onHelpClicked() {
    ErrorTrap trap(port_, kWindowName, QStringLiteral("PushButton5_Click"));
    trap.step(100, [&] {
        port_.message(
            QStringLiteral(
                "This software transfers text-based and numeric fields but does not handle binary / "
                "pictures fields.") +
            QStringLiteral("\r\n\r\n") +
            QStringLiteral("Use SQL Preview if your tables contains less than 32767 rows.") +
            QStringLiteral("\r\n\r\n") + QStringLiteral("Questions? Please contact Team Corvenna at ") +
            QString::fromLatin1(kContactAddress));
    });
}

void MainWindow::onTestSourceClicked() {
    if (testing_)
        return;
    // Clicks that arrive while it waits are ignored until it ends.
    const RaisedFlag underWay(testing_);
    // A failed login is an expected outcome here: one plain message, no error report.
    port_.setBusy(true);
    QString reason;
    if (data::isValidMSSQLConnection(login_, &reason, &port_))
        port_.message(kConnected);
    else
        port_.message(QStringLiteral("Could not connect. Please check with your administrator.") +
                      QStringLiteral("\r\n\r\n") + reason);
    port_.setBusy(false);
}

void MainWindow::onStartClicked() {
    if (testing_)
        return;
    run_.run(login_, target_, previewChoice());
}

void MainWindow::onTestTargetClicked() {
    if (testing_)
        return;
    // Clicks that arrive while it waits are ignored until it ends.
    const RaisedFlag underWay(testing_);
    ErrorTrap trap(port_, kWindowName, QStringLiteral("PushButton8_Click"));
    trap.step(100, [&] { port_.setBusy(true); });
    QString reason;
    if (trap.test(102, [&] { return data::isValidFoxProConnection(target_, port_, &reason); }))
        trap.step(104, [&] { port_.message(kConnected); });
    else
        trap.step(106, [&] {
            port_.message(QStringLiteral("Could not connect.") +
                          (reason.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + reason));
        });
    trap.step(108, [&] { port_.setBusy(false); });
}

void MainWindow::onChooseFolderClicked() {
    ErrorTrap trap(port_, kWindowName, QStringLiteral("PushButton1_Click"));
    QString folder;
    trap.step(100,
              [&] { folder = fileDialogs.chooseFolder(this, QStringLiteral("Please select folder:"), {}); });
    if (trap.test(102, [&] { return folder.isEmpty(); }))
        return;
    trap.step(104, [&] {
        // Choosing the folder already shown still makes it the target.
        if (folderBox.text() == folder)
            onFolderChanged(folder);
        else
            folderBox.setText(folder);
    });
}

void MainWindow::onSamplesClicked() {
    ErrorTrap trap(port_, kWindowName, QStringLiteral("PushButton2_Click"));
    trap.step(100, [&] { data::storeTargetKind(settings_, false); });
    trap.step(102, [&] { target_.containerChosen = false; });
    trap.step(104, [&] { folderBox.setText(writableSamplesFolder(programFolder)); });
    showTarget();
}

void MainWindow::onContainerClicked() {
    ErrorTrap trap(port_, kWindowName, QStringLiteral("PushButton12_Click"));
    trap.step(100, [&] { openAdvancedOptions(); });
}

} // namespace qc::app
