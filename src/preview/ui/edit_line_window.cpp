#include "preview/ui/edit_line_window.h"

#include "preview/edited_line.h"
#include "shell/error_trap.h"
#include "shell/ui/geometry.h"
#include "shell/ui/look.h"
#include "shell/ui/pointers.h"
#include "shell/ui/text_boxes.h"

#include <QEvent>
#include <QTimer>

namespace qc::preview::ui {

using shell::twipsRect;

EditLineWindow::EditLineWindow(SqlLineList& lines, const shell::WindowSeams& seams, QWidget* owner)
    : QDialog(owner), lineBox(this), okButton(QStringLiteral("OK"), this),
      cancelButton(QStringLiteral("Cancel"), this), lines_(lines), port_(*this, seams) {
    setFixedSize(shell::px(8040), shell::px(2580));
    setFont(shell::windowFont());
    lineBox.setGeometry(twipsRect(120, 120, 7800, 1905));
    lineBox.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lineBox.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lineBox.setTabChangesFocus(true);
    lineBox.installEventFilter(this);
    okButton.setGeometry(twipsRect(120, 2130, 3840, 405));
    cancelButton.setGeometry(twipsRect(4080, 2130, 3840, 405));
    for (QPushButton* button : {&okButton, &cancelButton}) {
        button->setFont(shell::buttonFont());
        button->setAutoDefault(false);
    }
    shell::setTabChain({&lineBox, &okButton, &cancelButton});
    enterKeys_.attach(*this);
    connect(&okButton, &QPushButton::clicked, this, &EditLineWindow::onOkClicked);
    connect(&cancelButton, &QPushButton::clicked, this, &EditLineWindow::onCancelClicked);
    load();
}

void EditLineWindow::load() {
    ErrorTrap trap(port_, QStringLiteral("Form4"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { shell::applyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Edit Line - Marravex")); });
    trap.step(106, [&] { shell::installPointerConvention(*this, shell::handCursor()); });
}

void EditLineWindow::setLineText(const std::string& text) {
    loaded_ = text;
    lineBox.setPlainText(QString::fromStdString(text));
    loadedShown_ = lineBox.toPlainText();
    lineBox.selectAll();
}

bool EditLineWindow::eventFilter(QObject* watched, QEvent* event) {
    // Typing right after the box gains the focus replaces the whole text.
    // The selection is made again once the focus event is done, so a click that gave the focus
    // does not undo it.
    if (watched == &lineBox && textArrival_.arrives(*event)) {
        lineBox.selectAll();
        QTimer::singleShot(0, &lineBox, [this] { lineBox.selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

std::string EditLineWindow::editedText() const {
    return editedLineText(loaded_, loadedShown_, lineBox.toPlainText());
}

void EditLineWindow::onCancelClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form4"), QStringLiteral("PushButton1_Click"));
    trap.step(102, [&] { reject(); });
}

void EditLineWindow::onOkClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form4"), QStringLiteral("PushButton2_Click"));
    trap.step(102, [&] { lines_.setText(line, editedText()); });
    trap.step(104, [&] { accept(); });
}

} // namespace qc::preview::ui
