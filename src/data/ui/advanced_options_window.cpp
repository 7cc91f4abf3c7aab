#include "data/ui/advanced_options_window.h"

#include "data/stored_inputs.h"
#include "foxpro/new_container.h"
#include "shell/error_trap.h"
#include "shell/settings.h"
#include "shell/ui/control_names.h"
#include "shell/ui/geometry.h"
#include "shell/ui/look.h"
#include "shell/ui/pointers.h"
#include "shell/ui/text_boxes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qc::data::ui {

namespace {
const QString kWindow = QStringLiteral("Form6");
}

AdvancedOptionsWindow::AdvancedOptionsWindow(FoxProTarget& target, UiPort& ui, SettingsWriter& settings,
                                             const FileDialogs& dialogs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), target_(target), ui_(ui),
      settings_(settings), dialogs_(dialogs) {
    setObjectName(QString::fromLatin1(names::advanced::window));
    setWindowTitle(QStringLiteral("Advanced Options"));
    setFixedSize(shell::px(8040), shell::px(1650));
    // The dialog font of the time, Arial 8.25 pt: "DBC File:" fits its 735 twips only in it.
    QFont font = shell::windowFont();
    font.setBold(false);
    font.setPointSizeF(8.25);
    setFont(font);

    struct Placed {
        QWidget& widget;
        const char* name;
        QRect rect;
    };
    const Placed controls[] = {
        {containerFrame, names::advanced::containerFrame, shell::twipsRect(120, 120, 7800, 885)},
        {containerLabel, names::advanced::containerLabel, shell::twipsRect(240, 360, 735, 225)},
        {containerBox, names::advanced::containerBox, shell::twipsRect(1080, 330, 5775, 345)},
        {browseButton, names::advanced::browseButton, shell::twipsRect(6960, 330, 600, 345)},
        {okButton, names::advanced::okButton, shell::twipsRect(120, 1130, 3840, 405)},
        {cancelButton, names::advanced::cancelButton, shell::twipsRect(4080, 1130, 3840, 405)},
    };
    for (const Placed& c : controls) {
        c.widget.setObjectName(QString::fromLatin1(c.name));
        c.widget.setGeometry(c.rect);
    }
    containerFrame.setTitle(QStringLiteral("Advanced Option"));
    containerLabel.setText(QStringLiteral("DBC File:"));
    for (QPushButton* button : {&browseButton, &okButton, &cancelButton}) {
        button->setFont(shell::buttonFont());
        // Enter in the path box must not press a button the user did not choose.
        button->setAutoDefault(false);
    }
    browseButton.setText(QStringLiteral("..."));
    okButton.setText(QStringLiteral("OK"));
    cancelButton.setText(QStringLiteral("Cancel"));
    shell::selectAllOnFocus(containerBox);
    enterKeys_.attach(*this);

    connect(&containerBox, &QLineEdit::textChanged, this, &AdvancedOptionsWindow::onContainerChanged);
    connect(&okButton, &QPushButton::clicked, this, &AdvancedOptionsWindow::onOkClicked);
    connect(&cancelButton, &QPushButton::clicked, this, &AdvancedOptionsWindow::onCancelClicked);
    connect(&browseButton, &QPushButton::clicked, this, &AdvancedOptionsWindow::onBrowseClicked);
}

void AdvancedOptionsWindow::load() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("Form_Load"));
    trap.step(100, [&] { shell::applyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
    trap.step(104, [&] {
        shell::installPointerConvention(*this, shell::handCursor(), {&containerFrame, &containerBox});
    });
    trap.step(106, [&] { containerBox.setText(readStoredTarget().container); });
}

void AdvancedOptionsWindow::onContainerChanged(const QString& text) {
    // A handler without a trap of its own: a settings file that cannot be written is still reported.
    ErrorTrap(ui_, kWindow, QStringLiteral("Text1_Change")).step(100, [&] {
        settings_.write(key::kDBCFile, text);
    });
}

void AdvancedOptionsWindow::onBrowseClicked() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("PushButton5_Click"));
    QString name;
    trap.step(100, [&] {
        name = dialogs_.chooseFile(this, QStringLiteral("Select Foxpro Database"),
                                   QStringLiteral("Microsoft Database (*.dbc)"));
    });
    if (trap.test(102, [&] { return !name.isEmpty(); }))
        trap.step(104, [&] { containerBox.setText(name); });
}

bool AdvancedOptionsWindow::containerReady(const QString& path) {
    const QFileInfo file(path);
    // The engine finds a container whatever the case of its name; the name is compared as it is,
    // never as a pattern ("*" or "?" in it match nothing but themselves).
    bool sameName = file.exists();
    for (const QString& entry : file.dir().entryList(QDir::Files | QDir::Hidden))
        sameName = sameName || entry.compare(file.fileName(), Qt::CaseInsensitive) == 0;
    if (sameName)
        return true;
    const Answer answer = ui_.message(QStringLiteral("File '") + path +
                                          QStringLiteral("' does not exist.\r\rCreate a new, empty database "
                                                         "container (DBC) under this name?"),
                                      {}, Buttons::YesNo);
    if (answer != Answer::Yes)
        return false;
    try {
        foxpro::createContainer(QFile::encodeName(path).toStdString(), chosenCodePage());
    } catch (const std::exception& e) {
        ui_.message(QStringLiteral("The database container could not be created.\r\r") +
                        QString::fromStdString(e.what()),
                    {}, Buttons::Ok, Icon::Exclamation);
        return false;
    }
    return true;
}

void AdvancedOptionsWindow::onOkClicked() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("PushButton1_Click"));
    const QString path = containerBox.text();
    // A path that names no file yet becomes a new container if the user wants one; otherwise the
    // window stays open as it was.
    if (!path.isEmpty() && !containerReady(path))
        return;
    if (trap.test(100, [&] { return !path.isEmpty(); })) {
        trap.step(102, [&] { target_.containerChosen = true; });
        trap.step(104, [&] { storeTargetKind(settings_, true); });
        // The chosen container is the target from now on, not only after the next start.
        trap.step(106, [&] { target_.container = path; });
    }
    trap.step(108, [&] { accept(); });
}

void AdvancedOptionsWindow::onCancelClicked() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("PushButton2_Click"));
    trap.step(100, [&] { storeTargetKind(settings_, false); });
    trap.step(102, [&] { target_.containerChosen = false; });
    trap.step(104, [&] { reject(); });
}

} // namespace qc::data::ui
