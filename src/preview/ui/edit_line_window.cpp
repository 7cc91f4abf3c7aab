#include "preview/ui/edit_line_window.h"

#include "shell/error_trap.h"
#include "shell/ui/look.h"
#include "preview/edited_line.h"

#include <QEvent>
#include <QTimer>

namespace qc::preview::ui {

using look::twipsRect;

Form4::Form4(SqlLineList& lines, const shell::WindowSeams& seams, QWidget* owner)
    : QDialog(owner), Text1(this), PushButton2(QStringLiteral("OK"), this),
      PushButton1(QStringLiteral("Cancel"), this), lines_(lines), port_(*this, seams) {
    setFixedSize(look::px(8040), look::px(2580));
    setFont(look::windowFont());
    Text1.setGeometry(twipsRect(120, 120, 7800, 1905));
    Text1.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1.setTabChangesFocus(true);
    Text1.installEventFilter(this);
    PushButton2.setGeometry(twipsRect(120, 2130, 3840, 405));
    PushButton1.setGeometry(twipsRect(4080, 2130, 3840, 405));
    for (QPushButton* button : {&PushButton2, &PushButton1}) {
        button->setFont(look::buttonFont());
        button->setAutoDefault(false);
    }
    setTabOrder(&Text1, &PushButton2);
    setTabOrder(&PushButton2, &PushButton1);
    enterKeys_.attach(*this);
    connect(&PushButton2, &QPushButton::clicked, this, &Form4::PushButton2_Click);
    connect(&PushButton1, &QPushButton::clicked, this, &Form4::PushButton1_Click);
    Form_Load();
}

void Form4::Form_Load() {
    ErrorTrap trap(port_, QStringLiteral("Form4"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { look::ApplyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(look::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Edit Line - Marravex")); });
    trap.step(106, [&] { look::installPointerConvention(*this, look::handCursor()); });
}

void Form4::setLineText(const std::string& text) {
    loaded_ = text;
    Text1.setPlainText(QString::fromStdString(text));
    loadedShown_ = Text1.toPlainText();
    Text1.selectAll();
}

bool Form4::eventFilter(QObject* watched, QEvent* event) {
    // Typing right after the box gains the focus replaces the whole text.
    // The selection is made again once the focus event is done, so a click that gave the focus
    // does not undo it.
    if (watched == &Text1 && textArrival_.arrives(*event)) {
        Text1.selectAll();
        QTimer::singleShot(0, &Text1, [this] { Text1.selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

std::string Form4::editedText() const {
    return editedLineText(loaded_, loadedShown_, Text1.toPlainText());
}

void Form4::PushButton1_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form4"), QStringLiteral("PushButton1_Click"));
    trap.step(102, [&] { reject(); });
}

void Form4::PushButton2_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form4"), QStringLiteral("PushButton2_Click"));
    trap.step(102, [&] { lines_.setText(ListLine, editedText()); });
    trap.step(104, [&] { accept(); });
}

} // namespace qc::preview::ui
