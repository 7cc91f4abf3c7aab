#include "app/main_window.h"

#include "app/check_value.h"
#include "data/stored_inputs.h"
#include "data/ui/advanced_options_window.h"
#include "foxpro/codepage.h"
#include "shell/error_trap.h"
#include "shell/settings.h"
#include "shell/ui/control_names.h"
#include "shell/ui/geometry.h"
#include "shell/ui/look.h"
#include "shell/ui/text_boxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

namespace qc::app {

MainWindow::MainWindow() : run_(port_) {
    layOut();
    connectHandlers();
    // Placed before its load: a message box the load shows is centred on where the window will be.
    placeCentred();
}

MainWindow::~MainWindow() = default;

void MainWindow::layOut() {
    setObjectName(kWindowName);
    setFixedSize(shell::px(8040), shell::px(7620));
    setFont(shell::windowFont());

    struct Placed {
        QWidget& widget;
        const char* name;
        QString caption;
        QRect rect;
    };
    // Rows of the designer's table; push buttons and the progress bar are 405 twips high.
    const Placed controls[] = {
        {helpButton, names::helpButton, QStringLiteral("Help"), shell::twipsRect(120, 120, 7800, 405)},
        {sourceFrame, names::sourceFrame, QStringLiteral("MS SQL Server Login"),
         shell::twipsRect(120, 600, 7800, 3135)},
        {serverLabel, names::serverLabel, QStringLiteral("Server:"), shell::twipsRect(240, 405, 975, 255)},
        {serverBox, names::serverBox, {}, shell::twipsRect(1320, 360, 4575, 330)},
        {portLabel, names::portLabel, QStringLiteral("Port:"), shell::twipsRect(6120, 405, 495, 255)},
        {portBox, names::portBox, {}, shell::twipsRect(6600, 360, 960, 330)},
        {userLabel, names::userLabel, QStringLiteral("Username:"), shell::twipsRect(240, 885, 1095, 255)},
        {userBox, names::userBox, {}, shell::twipsRect(1320, 840, 6255, 330)},
        {passwordLabel, names::passwordLabel, QStringLiteral("Password:"),
         shell::twipsRect(240, 1365, 1095, 255)},
        {passwordBox, names::passwordBox, {}, shell::twipsRect(1320, 1320, 6255, 330)},
        {databaseLabel, names::databaseLabel, QStringLiteral("Database:"),
         shell::twipsRect(240, 1800, 1095, 255)},
        {databaseBox, names::databaseBox, {}, shell::twipsRect(1320, 1800, 6255, 330)},
        {localConnectionBox, names::localConnectionBox, QStringLiteral("Local Connection"),
         shell::twipsRect(1305, 2175, 1950, 330)},
        {testSourceButton, names::testSourceButton, QStringLiteral("Test Connection"),
         shell::twipsRect(240, 2565, 3600, 405)},
        {sourceHelpButton, names::sourceHelpButton, QStringLiteral("Help"),
         shell::twipsRect(3960, 2565, 3600, 405)},
        {targetFrame, names::targetFrame, QStringLiteral("FoxPro Login"),
         shell::twipsRect(120, 3840, 7800, 1425)},
        // Drawn 2025 twips wide the caption would be clipped in Arial bold: the label reaches up to
        // the folder box instead.
        {folderLabel, names::folderLabel, QStringLiteral("Folder containing DBF/s:"),
         shell::twipsRect(240, 330, 2160, 225)},
        {folderBox, names::folderBox, {}, shell::twipsRect(2400, 270, 4455, 345)},
        {chooseFolderButton, names::chooseFolderButton, QStringLiteral("..."),
         shell::twipsRect(6960, 270, 600, 345)},
        {samplesButton, names::samplesButton, QStringLiteral("Load Sample/Example Database"),
         shell::twipsRect(240, 750, 3600, 405)},
        {testTargetButton, names::testTargetButton, QStringLiteral("Test Connection"),
         shell::twipsRect(3960, 750, 2880, 405)},
        {containerButton, names::containerButton, QStringLiteral("dbc"),
         shell::twipsRect(6960, 750, 600, 405)},
        {previewFrame, names::previewFrame, QStringLiteral("SQL Preview"),
         shell::twipsRect(120, 5370, 7800, 1065)},
        {previewModeBox, names::previewModeBox,
         QStringLiteral("Enable SQL Preview mode to see SQL commands or check for errors"),
         shell::twipsRect(240, 300, 6735, 255)},
        {previewPerFileOption, names::previewPerFileOption, QStringLiteral("Show SQL Preview For Each File"),
         shell::twipsRect(240, 630, 3135, 255)},
        {previewPerTableOption, names::previewPerTableOption,
         QStringLiteral("Show SQL Preview For Each Table"), shell::twipsRect(3600, 630, 3375, 255)},
        {startButton, names::startButton, QStringLiteral("Start Converting"),
         shell::twipsRect(120, 6555, 7800, 405)},
        {progressBar, names::progressBar, {}, shell::twipsRect(120, 7080, 7800, 405)},
    };
    for (const Placed& c : controls) {
        c.widget.setObjectName(QString::fromLatin1(c.name));
        c.widget.setGeometry(c.rect);
        if (auto* button = qobject_cast<QAbstractButton*>(&c.widget))
            button->setText(c.caption);
        else if (auto* label = qobject_cast<QLabel*>(&c.widget))
            label->setText(c.caption);
        else if (auto* frame = qobject_cast<QGroupBox*>(&c.widget))
            frame->setTitle(c.caption);
        if (qobject_cast<QPushButton*>(&c.widget))
            c.widget.setFont(shell::buttonFont());
    }

    targetLine.setObjectName(QString::fromLatin1(names::targetLine));
    codePageBox.setObjectName(QString::fromLatin1(names::codePageBox));
    codePageBox.setToolTip(QStringLiteral("The code page of the tables the conversion creates"));
    for (const int page : foxpro::writableCodePages())
        codePageBox.addItem(QStringLiteral("Code page %1").arg(page), page);
    // The box ends where the frame's buttons end and is as wide as its longest entry needs in
    // this desktop's font; the target line takes the rest of the row. It fills the room between
    // the buttons' row and the frame's bottom edge, and covers neither.
    QRect box = shell::twipsRect(5880, 1155, 1680, 255);
    box.setLeft(box.right() + 1 - std::max(box.width(), codePageBox.sizeHint().width()));
    codePageBox.setGeometry(box);
    QRect line = shell::twipsRect(240, 1170, 5520, 225);
    line.setRight(std::min(line.right(), box.left() - shell::twipsRect(0, 0, 120, 0).width()));
    targetLine.setGeometry(line);
    targetLine.setTextInteractionFlags(Qt::TextSelectableByMouse);
    targetLine.hide();

    passwordBox.setEchoMode(QLineEdit::Password);
    passwordBox.setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    // Designed state: every box empty, both check boxes clear, the first option selected.
    previewPerFileOption.setChecked(true);
    shell::applyWhiteLook(*this);

    shell::setTabChain({&previewModeBox, &previewPerFileOption, &previewPerTableOption, &startButton,
                        &helpButton, &localConnectionBox, &databaseBox, &serverBox, &userBox, &passwordBox,
                        &portBox, &testSourceButton, &sourceHelpButton, &folderBox, &chooseFolderButton,
                        &testTargetButton, &samplesButton, &containerButton, &codePageBox});
    for (QLineEdit* box : {&folderBox, &serverBox, &portBox})
        shell::selectAllOnFocus(*box);
    enterKeys_.attach(*this);
}

void MainWindow::connectHandlers() {
    struct Box {
        QLineEdit& box;
        const char* procedure;
        const QString& key;
        QString data::SqlServerLogin::*field;
    };
    const Box boxes[] = {
        {serverBox, "Text5_Change", key::kMSSQLServer, &data::SqlServerLogin::server},
        {portBox, "Text6_Change", key::kMSSQLPort, &data::SqlServerLogin::port},
        {userBox, "Text3_Change", key::kMSSQLUser, &data::SqlServerLogin::user},
        {passwordBox, "Text4_Change", key::kMSSQLPassword, &data::SqlServerLogin::password},
        {databaseBox, "Text8_Change", key::kMSSQLDatabase, &data::SqlServerLogin::database},
    };
    for (const Box& b : boxes) {
        connect(&b.box, &QLineEdit::textChanged, this,
                [this, procedure = b.procedure, key = b.key, field = b.field](const QString& text) {
                    login_.*field = text;
                    writeFromHandler(procedure, key, text);
                });
    }
    connect(&folderBox, &QLineEdit::textChanged, this, &MainWindow::onFolderChanged);
    connect(&codePageBox, &QComboBox::currentIndexChanged, this, &MainWindow::onCodePageChosen);
    connect(&previewModeBox, &QCheckBox::stateChanged, this, &MainWindow::onPreviewModeClicked);
    connect(&localConnectionBox, &QCheckBox::stateChanged, this, &MainWindow::onLocalConnectionClicked);
    // Selecting one option button clears the other: one click handling per selection.
    connect(&previewPerFileOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onPreviewOptionClicked();
    });
    connect(&previewPerTableOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onPreviewOptionClicked();
    });

    connect(&chooseFolderButton, &QPushButton::clicked, this, &MainWindow::onChooseFolderClicked);
    connect(&samplesButton, &QPushButton::clicked, this, &MainWindow::onSamplesClicked);
    connect(&sourceHelpButton, &QPushButton::clicked, this, &MainWindow::onSourceHelpClicked);
    connect(&helpButton, &QPushButton::clicked, this, &MainWindow::onHelpClicked);
    connect(&testSourceButton, &QPushButton::clicked, this, &MainWindow::onTestSourceClicked);
    connect(&startButton, &QPushButton::clicked, this, &MainWindow::onStartClicked);
    connect(&testTargetButton, &QPushButton::clicked, this, &MainWindow::onTestTargetClicked);
    connect(&containerButton, &QPushButton::clicked, this, &MainWindow::onContainerClicked);
}

void MainWindow::writeFromHandler(const char* procedure, const QString& key, const QString& value) {
    ErrorTrap(port_, kWindowName, QString::fromLatin1(procedure)).step(100, [&] {
        settings_.write(key, value);
    });
}

void MainWindow::onFolderChanged(const QString& text) {
    target_.folder = text;
    writeFromHandler("Text2_Change", key::kFreeTableFolder, text);
    // A folder typed or chosen becomes the target; an emptied box, or the folder restored at
    // start, leaves the choice as it was.
    if (!text.isEmpty() && !restoringFolder_) {
        ErrorTrap(port_, kWindowName, QStringLiteral("Text2_Change")).step(100, [&] {
            data::storeTargetKind(settings_, false);
        });
        target_.containerChosen = false;
    }
    showTarget();
}

void MainWindow::onCodePageChosen(int index) {
    const int page = codePageBox.itemData(index).toInt();
    run_.setCodePage(page);
    ErrorTrap(port_, kWindowName, QStringLiteral("CodePageBox_Change")).step(100, [&] {
        data::storeCodePage(settings_, page);
    });
}

void MainWindow::showTarget() {
    const bool container = target_.containerChosen;
    targetLine.setVisible(container);
    if (!container)
        return;
    const QString path = QDir::toNativeSeparators(target_.container);
    const QString text =
        QStringLiteral("Target: DBC file ") + (path.isEmpty() ? QStringLiteral("(none chosen)") : path);
    targetLine.setText(targetLine.fontMetrics().elidedText(text, Qt::ElideMiddle, targetLine.width()));
    targetLine.setToolTip(path);
}

engine::PreviewChoice MainWindow::previewChoice() const {
    // Greyed counts as not ticked.
    if (checkValue(previewModeBox) != 1)
        return engine::PreviewChoice::Off;
    if (previewPerTableOption.isChecked())
        return engine::PreviewChoice::PerTable;
    return previewPerFileOption.isChecked() ? engine::PreviewChoice::PerFile : engine::PreviewChoice::Off;
}

void MainWindow::onPreviewModeClicked() {
    const int state = checkValue(previewModeBox);
    // Greyed counts as not ticked: the option buttons keep their selection but cannot be changed.
    previewModeBox.setTristate(state == 2);
    previewPerFileOption.setEnabled(state == 1);
    previewPerTableOption.setEnabled(state == 1);
    // Preview mode with neither option (a stored state) would collect every statement and show
    // none: the first option is selected as a click on it would, storing what that stores.
    if (state == 1 && !previewPerFileOption.isChecked() && !previewPerTableOption.isChecked())
        previewPerFileOption.setChecked(true);
    writeFromHandler("Check1_Click", key::kPreviewMode, QString::number(state));
}

void MainWindow::onLocalConnectionClicked() {
    login_.localConnection = localConnectionBox.isChecked();
    writeFromHandler("Check4_Click", key::kLocalConnection,
                     localConnectionBox.isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::onPreviewOptionClicked() {
    writeFromHandler("Option_Click", key::kPreviewPerFile, boolSettingText(previewPerFileOption.isChecked()));
    writeFromHandler("Option_Click", key::kPreviewPerTable,
                     boolSettingText(previewPerTableOption.isChecked()));
}

void MainWindow::openAdvancedOptions() {
    data::ui::AdvancedOptionsWindow dialog(target_, port_, settings_, fileDialogs, this);
    dialog.load();
    port_.runModal(dialog);
    showTarget();
}

void MainWindow::placeCentred() {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, width(), height());
    QRect frame = rect();
    frame.moveCenter(screen.center());
    move(frame.topLeft());
}

void MainWindow::showCentred() {
    placeCentred();
    show();
    previewModeBox.setFocus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (run_.converting() || port_.lettingEventsThrough()) {
        // The window closed from inside a loop that lets events through, or while a message box
        // waits for an answer: the program ends here and now, every window with it. The FoxPro
        // files are complete after every statement, so nothing is lost that a statement had
        // written, and no setting waits to be saved; they only give back the room they took ahead.
        run_.closeTargetFiles();
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    }
    QCoreApplication::quit();
}

} // namespace qc::app
