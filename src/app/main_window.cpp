#include "app/main_window.h"

#include "shell/error_trap.h"
#include "shell/settings.h"
#include "app/check_value.h"
#include "data/ui/advanced_options_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace qc::app {

namespace {
const QString kWindow = QStringLiteral("Form1");
}

Form1::Form1()
    : run_(port_) {
    layOut();
    connectHandlers();
    // Placed before its load: a message box the load shows is centred on where the window will be.
    placeCentred();
}

Form1::~Form1() = default;

void Form1::layOut() {
    setObjectName(QStringLiteral("Form1"));
    setFixedSize(look::px(8040), look::px(7620));
    setFont(look::windowFont());

    struct Placed {
        QWidget& widget;
        const char* name;
        QString caption;
        QRect rect;
    };
    // Rows of the designer's table; push buttons and the progress bar are 405 twips high.
    const Placed controls[] = {
        {PushButton5, "PushButton5", QStringLiteral("Help"), look::twipsRect(120, 120, 7800, 405)},
        {Frame3, "Frame3", QStringLiteral("MS SQL Server Login"), look::twipsRect(120, 600, 7800, 3135)},
        {Label2, "Label2", QStringLiteral("Server:"), look::twipsRect(240, 405, 975, 255)},
        {Text5, "Text5", {}, look::twipsRect(1320, 360, 4575, 330)},
        {Label10, "Label10", QStringLiteral("Port:"), look::twipsRect(6120, 405, 495, 255)},
        {Text6, "Text6", {}, look::twipsRect(6600, 360, 960, 330)},
        {Label4, "Label4", QStringLiteral("Username:"), look::twipsRect(240, 885, 1095, 255)},
        {Text3, "Text3", {}, look::twipsRect(1320, 840, 6255, 330)},
        {Label5, "Label5", QStringLiteral("Password:"), look::twipsRect(240, 1365, 1095, 255)},
        {Text4, "Text4", {}, look::twipsRect(1320, 1320, 6255, 330)},
        {Label3, "Label3", QStringLiteral("Database:"), look::twipsRect(240, 1800, 1095, 255)},
        {Text8, "Text8", {}, look::twipsRect(1320, 1800, 6255, 330)},
        {Check4, "Check4", QStringLiteral("Local Connection"), look::twipsRect(1305, 2175, 1950, 330)},
        {PushButton6, "PushButton6", QStringLiteral("Test Connection"),
         look::twipsRect(240, 2565, 3600, 405)},
        {PushButton4, "PushButton4", QStringLiteral("Help"), look::twipsRect(3960, 2565, 3600, 405)},
        {Frame1, "Frame1", QStringLiteral("FoxPro Login"), look::twipsRect(120, 3840, 7800, 1425)},
        // Drawn 2025 twips wide the caption would be clipped in Arial bold: the label reaches up to
        // the folder box instead.
        {Label1, "Label1", QStringLiteral("Folder containing DBF/s:"), look::twipsRect(240, 330, 2160, 225)},
        {Text2, "Text2", {}, look::twipsRect(2400, 270, 4455, 345)},
        {PushButton1, "PushButton1", QStringLiteral("..."), look::twipsRect(6960, 270, 600, 345)},
        {PushButton2, "PushButton2", QStringLiteral("Load Sample/Example Database"),
         look::twipsRect(240, 750, 3600, 405)},
        {PushButton8, "PushButton8", QStringLiteral("Test Connection"),
         look::twipsRect(3960, 750, 2880, 405)},
        {PushButton12, "PushButton12", QStringLiteral("dbc"), look::twipsRect(6960, 750, 600, 405)},
        {Frame2, "Frame2", QStringLiteral("SQL Preview"), look::twipsRect(120, 5370, 7800, 1065)},
        {Check1, "Check1", QStringLiteral("Enable SQL Preview mode to see SQL commands or check for errors"),
         look::twipsRect(240, 300, 6735, 255)},
        {Option1, "Option1", QStringLiteral("Show SQL Preview For Each File"),
         look::twipsRect(240, 630, 3135, 255)},
        {Option2, "Option2", QStringLiteral("Show SQL Preview For Each Table"),
         look::twipsRect(3600, 630, 3375, 255)},
        {PushButton7, "PushButton7", QStringLiteral("Start Converting"),
         look::twipsRect(120, 6555, 7800, 405)},
        {ProgressBar1, "ProgressBar1", {}, look::twipsRect(120, 7080, 7800, 405)},
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
            c.widget.setFont(look::buttonFont());
    }

    TargetLine.setObjectName(QStringLiteral("TargetLine"));
    TargetLine.setGeometry(look::twipsRect(240, 1170, 7320, 225));
    TargetLine.setTextInteractionFlags(Qt::TextSelectableByMouse);
    TargetLine.hide();

    Text4.setEchoMode(QLineEdit::Password);
    Text4.setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    ProgressBar1.setRange(0, 100);
    ProgressBar1.setValue(0);
    ProgressBar1.setTextVisible(true);
    ProgressBar1.setAlignment(Qt::AlignCenter);
    ProgressBar1.setFormat(QStringLiteral("Progress Bar"));

    // Designed state: every box empty, both check boxes clear, the first option selected.
    Option1.setChecked(true);
    look::applyWhiteLook(*this);

    QWidget* order[] = {&Check1,      &Option1, &Option2,     &PushButton7, &PushButton5, &Check4,
                        &Text8,       &Text5,   &Text3,       &Text4,       &Text6,       &PushButton6,
                        &PushButton4, &Text2,   &PushButton1, &PushButton8, &PushButton2, &PushButton12};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QLineEdit* box : {&Text2, &Text5, &Text6})
        look::selectAllOnFocus(*box);
    enterKeys_.attach(*this);
}

void Form1::connectHandlers() {
    struct Box {
        QLineEdit& box;
        const char* procedure;
        const QString& key;
        QString data::SqlServerLogin::*field;
    };
    const Box boxes[] = {
        {Text5, "Text5_Change", key::MSSQLServer, &data::SqlServerLogin::server},
        {Text6, "Text6_Change", key::MSSQLPort, &data::SqlServerLogin::port},
        {Text3, "Text3_Change", key::MSSQLUser, &data::SqlServerLogin::user},
        {Text4, "Text4_Change", key::MSSQLPassword, &data::SqlServerLogin::password},
        {Text8, "Text8_Change", key::MSSQLDatabase, &data::SqlServerLogin::database},
    };
    for (const Box& b : boxes) {
        connect(&b.box, &QLineEdit::textChanged, this,
                [this, procedure = b.procedure, key = b.key, field = b.field](const QString& text) {
                    login_.*field = text;
                    writeFromHandler(procedure, key, text);
                });
    }
    connect(&Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(&Check1, &QCheckBox::stateChanged, this, &Form1::Check1_Click);
    connect(&Check4, &QCheckBox::stateChanged, this, &Form1::Check4_Click);
    // Selecting one option button clears the other: one click handling per selection.
    connect(&Option1, &QRadioButton::toggled, this, [this](bool on) {
        previewChoice_.afterAllTables = on;
        if (on)
            Option_Click();
    });
    connect(&Option2, &QRadioButton::toggled, this, [this](bool on) {
        previewChoice_.afterEachTable = on;
        if (on)
            Option_Click();
    });

    connect(&PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(&PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(&PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(&PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(&PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(&PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(&PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(&PushButton12, &QPushButton::clicked, this, &Form1::PushButton12_Click);
}

void Form1::writeFromHandler(const char* procedure, const QString& key, const QString& value) {
    ErrorTrap(port_, kWindow, QString::fromLatin1(procedure)).step(100, [&] {
        port_.settings.write(key, value);
    });
}

void Form1::Text2_Change(const QString& text) {
    target_.folder = text;
    writeFromHandler("Text2_Change", key::FreeTableFolder, text);
    // A folder typed or chosen becomes the target; an emptied box leaves the choice as it was.
    if (!text.isEmpty()) {
        writeFromHandler("Text2_Change", key::FoxproOption, QStringLiteral("2"));
        target_.containerChosen = false;
    }
    showTarget();
}

void Form1::showTarget() {
    const bool container = target_.containerChosen;
    TargetLine.setVisible(container);
    if (!container)
        return;
    const QString path = QDir::toNativeSeparators(target_.container);
    const QString text =
        QStringLiteral("Target: DBC file ") + (path.isEmpty() ? QStringLiteral("(none chosen)") : path);
    TargetLine.setText(TargetLine.fontMetrics().elidedText(text, Qt::ElideMiddle, TargetLine.width()));
    TargetLine.setToolTip(path);
}

void Form1::Check1_Click() {
    const int state = checkValue(Check1);
    // Greyed counts as not ticked: the option buttons keep their selection but cannot be changed.
    Check1.setTristate(state == 2);
    previewChoice_.enabled = state == 1;
    Option1.setEnabled(state == 1);
    Option2.setEnabled(state == 1);
    writeFromHandler("Check1_Click", key::Check1, QString::number(state));
}

void Form1::Check4_Click() {
    login_.localConnection = Check4.isChecked();
    writeFromHandler("Check4_Click", key::LocalConnection,
                     Check4.isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form1::Option_Click() {
    writeFromHandler("Option_Click", key::Option1, boolSettingText(Option1.isChecked()));
    writeFromHandler("Option_Click", key::Option2, boolSettingText(Option2.isChecked()));
}

void Form1::openAdvancedOptions() {
    data::ui::Form6 dialog(target_, port_, fileDialogs, this);
    dialog.Form_Load();
    port_.runModal(dialog);
    showTarget();
}

void Form1::placeCentred() {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, width(), height());
    QRect frame = rect();
    frame.moveCenter(screen.center());
    move(frame.topLeft());
}

void Form1::showCentred() {
    placeCentred();
    show();
    Check1.setFocus();
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    if (run_.converting() || port_.lettingEventsThrough()) {
        // The window closed from inside a loop that lets events through, or while a message box
        // waits for an answer: the program ends here and now, every window with it. The FoxPro
        // files are complete after every statement, so nothing is lost that a statement had
        // written, and no setting waits to be saved.
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    }
    QCoreApplication::quit();
}

} // namespace qc::app
