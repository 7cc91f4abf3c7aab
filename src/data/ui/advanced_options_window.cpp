#include "data/ui/advanced_options_window.h"

#include "shell/error_trap.h"
#include "shell/settings.h"
#include "shell/ui/look.h"
#include "foxpro/new_container.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qc::data::ui {

namespace {
const QString kWindow = QStringLiteral("Form6");
}

Form6::Form6(FoxProTarget& target, UiPort& ui, const FileDialogs& dialogs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), target_(target), ui_(ui),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Advanced Options"));
    setFixedSize(look::px(8040), look::px(1650));
    // The dialog font of the time, Arial 8.25 pt: "DBC File:" fits its 735 twips only in it.
    QFont font = look::windowFont();
    font.setBold(false);
    font.setPointSizeF(8.25);
    setFont(font);

    struct Placed {
        QWidget& widget;
        const char* name;
        QRect rect;
    };
    const Placed controls[] = {
        {Frame2, "Frame2", look::twipsRect(120, 120, 7800, 885)},
        {Label1, "Label1", look::twipsRect(240, 360, 735, 225)},
        {Text1, "Text1", look::twipsRect(1080, 330, 5775, 345)},
        {PushButton5, "PushButton5", look::twipsRect(6960, 330, 600, 345)},
        {PushButton1, "PushButton1", look::twipsRect(120, 1130, 3840, 405)},
        {PushButton2, "PushButton2", look::twipsRect(4080, 1130, 3840, 405)},
    };
    for (const Placed& c : controls) {
        c.widget.setObjectName(QString::fromLatin1(c.name));
        c.widget.setGeometry(c.rect);
    }
    Frame2.setTitle(QStringLiteral("Advanced Option"));
    Label1.setText(QStringLiteral("DBC File:"));
    for (QPushButton* button : {&PushButton5, &PushButton1, &PushButton2}) {
        button->setFont(look::buttonFont());
        // Enter in the path box must not press a button the user did not choose.
        button->setAutoDefault(false);
    }
    PushButton5.setText(QStringLiteral("..."));
    PushButton1.setText(QStringLiteral("OK"));
    PushButton2.setText(QStringLiteral("Cancel"));
    look::selectAllOnFocus(Text1);
    enterKeys_.attach(*this);

    connect(&Text1, &QLineEdit::textChanged, this, &Form6::Text1_Change);
    connect(&PushButton1, &QPushButton::clicked, this, &Form6::PushButton1_Click);
    connect(&PushButton2, &QPushButton::clicked, this, &Form6::PushButton2_Click);
    connect(&PushButton5, &QPushButton::clicked, this, &Form6::PushButton5_Click);
}

void Form6::Form_Load() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("Form_Load"));
    trap.step(100, [&] { look::ApplyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(look::applicationIcon()); });
    trap.step(104, [&] { look::installPointerConvention(*this, look::handCursor(), {&Frame2, &Text1}); });
    trap.step(106, [&] { Text1.setText(ReadSetting(key::DBCFile)); });
}

void Form6::Text1_Change(const QString& text) {
    // A handler without a trap of its own: a settings file that cannot be written is still reported.
    ErrorTrap(ui_, kWindow, QStringLiteral("Text1_Change")).step(100, [&] {
        ui_.settings.write(key::DBCFile, text);
    });
}

void Form6::PushButton5_Click() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("PushButton5_Click"));
    QString name;
    trap.step(100, [&] {
        name = dialogs_.chooseFile(this, QStringLiteral("Select Foxpro Database"),
                                   QStringLiteral("Microsoft Database (*.dbc)"));
    });
    if (trap.test(102, [&] { return !name.isEmpty(); }))
        trap.step(104, [&] { Text1.setText(name); });
}

bool Form6::containerReady(const QString& path) {
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
        foxpro::createContainer(QFile::encodeName(path).toStdString());
    } catch (const std::exception& e) {
        ui_.message(QStringLiteral("The database container could not be created.\r\r") +
                        QString::fromStdString(e.what()),
                    {}, Buttons::Ok, Icon::Exclamation);
        return false;
    }
    return true;
}

void Form6::PushButton1_Click() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("PushButton1_Click"));
    const QString path = Text1.text();
    // A path that names no file yet becomes a new container if the user wants one; otherwise the
    // window stays open as it was.
    if (!path.isEmpty() && !containerReady(path))
        return;
    if (trap.test(100, [&] { return !path.isEmpty(); })) {
        trap.step(102, [&] { target_.containerChosen = true; });
        trap.step(104, [&] { ui_.settings.write(key::FoxproOption, QStringLiteral("1")); });
        // The chosen container is the target from now on, not only after the next start.
        trap.step(106, [&] { target_.container = path; });
    }
    trap.step(108, [&] { accept(); });
}

void Form6::PushButton2_Click() {
    ErrorTrap trap(ui_, kWindow, QStringLiteral("PushButton2_Click"));
    trap.step(100, [&] { ui_.settings.write(key::FoxproOption, QStringLiteral("2")); });
    trap.step(102, [&] { target_.containerChosen = false; });
    trap.step(104, [&] { reject(); });
}

} // namespace qc::data::ui
