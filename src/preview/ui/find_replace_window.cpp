#include "preview/ui/find_replace_window.h"

#include "shell/error_trap.h"
#include "shell/ui/look.h"
#include "preview/find_replace.h"

namespace qc::preview::ui {

using look::twipsRect;

Form3::Form3(SqlLineList& lines, const shell::WindowSeams& seams, QWidget* owner)
    : QDialog(owner), Label2(QStringLiteral("Find what:"), this), Text1(this),
      Label6(QStringLiteral("Replace with:"), this), Text2(this),
      PushButton2(QStringLiteral("Replace"), this), PushButton1(QStringLiteral("Cancel"), this),
      lines_(lines), port_(*this, seams) {
    setFixedSize(look::px(8040), look::px(1500));
    setFont(look::windowFont());
    Label2.setGeometry(twipsRect(120, 165, 1215, 255));
    Text1.setGeometry(twipsRect(1560, 120, 6360, 345));
    Label6.setGeometry(twipsRect(120, 645, 1215, 255));
    Text2.setGeometry(twipsRect(1560, 600, 6360, 345));
    PushButton2.setGeometry(twipsRect(120, 1050, 3840, 405));
    PushButton1.setGeometry(twipsRect(4080, 1050, 3840, 405));
    for (QPushButton* button : {&PushButton2, &PushButton1}) {
        button->setFont(look::buttonFont());
        button->setAutoDefault(false);
    }
    setTabOrder(&Text1, &Text2);
    setTabOrder(&Text2, &PushButton2);
    setTabOrder(&PushButton2, &PushButton1);
    enterKeys_.attach(*this);
    connect(&PushButton2, &QPushButton::clicked, this, &Form3::PushButton2_Click);
    connect(&PushButton1, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    Form_Load();
}

void Form3::Form_Load() {
    ErrorTrap trap(port_, QStringLiteral("Form3"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { look::ApplyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(look::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Find and Replace - Marravex")); });
    trap.step(106, [&] { look::installPointerConvention(*this, look::handCursor()); });
}

void Form3::PushButton1_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form3"), QStringLiteral("PushButton1_Click"));
    trap.step(102, [&] { reject(); });
}

void Form3::PushButton2_Click() {
    // The buttons rest while the loop lets events through, so a second click cannot start
    // another pass or close the window under it.
    PushButton2.setEnabled(false);
    PushButton1.setEnabled(false);
    const bool close = replaceInAllLines(lines_, Text1.text(), Text2.text(), port_);
    PushButton2.setEnabled(true);
    PushButton1.setEnabled(true);
    if (close) {
        ErrorTrap trap(port_, QStringLiteral("Form3"), QStringLiteral("PushButton2_Click"));
        trap.step(120, [&] { accept(); });
    }
}

} // namespace qc::preview::ui
