#include "preview/ui/find_replace_window.h"

#include "preview/find_replace.h"
#include "shell/error_trap.h"
#include "shell/ui/geometry.h"
#include "shell/ui/look.h"
#include "shell/ui/pointers.h"
#include "shell/ui/text_boxes.h"

namespace qc::preview::ui {

using shell::twipsRect;

FindReplaceWindow::FindReplaceWindow(SqlLineList& lines, const shell::WindowSeams& seams, QWidget* owner)
    : QDialog(owner), findLabel(QStringLiteral("Find what:"), this), findBox(this),
      replaceLabel(QStringLiteral("Replace with:"), this), replaceBox(this),
      replaceButton(QStringLiteral("Replace"), this), cancelButton(QStringLiteral("Cancel"), this),
      lines_(lines), port_(*this, seams) {
    setFixedSize(shell::px(8040), shell::px(1500));
    setFont(shell::windowFont());
    findLabel.setGeometry(twipsRect(120, 165, 1215, 255));
    findBox.setGeometry(twipsRect(1560, 120, 6360, 345));
    replaceLabel.setGeometry(twipsRect(120, 645, 1215, 255));
    replaceBox.setGeometry(twipsRect(1560, 600, 6360, 345));
    replaceButton.setGeometry(twipsRect(120, 1050, 3840, 405));
    cancelButton.setGeometry(twipsRect(4080, 1050, 3840, 405));
    for (QPushButton* button : {&replaceButton, &cancelButton}) {
        button->setFont(shell::buttonFont());
        button->setAutoDefault(false);
    }
    shell::setTabChain({&findBox, &replaceBox, &replaceButton, &cancelButton});
    enterKeys_.attach(*this);
    connect(&replaceButton, &QPushButton::clicked, this, &FindReplaceWindow::onReplaceClicked);
    connect(&cancelButton, &QPushButton::clicked, this, &FindReplaceWindow::onCancelClicked);
    load();
}

void FindReplaceWindow::load() {
    ErrorTrap trap(port_, QStringLiteral("Form3"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { shell::applyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Find and Replace - Marravex")); });
    trap.step(106, [&] { shell::installPointerConvention(*this, shell::handCursor()); });
}

void FindReplaceWindow::onCancelClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form3"), QStringLiteral("PushButton1_Click"));
    trap.step(102, [&] { reject(); });
}

void FindReplaceWindow::onReplaceClicked() {
    // The buttons rest while the loop lets events through, so a second click cannot start
    // another pass or close the window under it.
    replaceButton.setEnabled(false);
    cancelButton.setEnabled(false);
    const bool close = replaceInAllLines(lines_, findBox.text(), replaceBox.text(), port_);
    replaceButton.setEnabled(true);
    cancelButton.setEnabled(true);
    if (close) {
        ErrorTrap trap(port_, QStringLiteral("Form3"), QStringLiteral("PushButton2_Click"));
        trap.step(120, [&] { accept(); });
    }
}

} // namespace qc::preview::ui
