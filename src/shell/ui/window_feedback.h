#pragma once
// What every window's port shows the user: the message box and the progress bar's value.

#include "shell/ui_port.h"

#include <QString>

class QDialog;
class QProgressBar;
class QWidget;

namespace qc::shell {

// Shows a QMessageBox owned by `owner` and returns the button pressed; until then the owner's window
// takes no input, but can still be closed. The text is shown as plain text, its CR LF and lone CR
// line breaks as lines.
Answer showMessageBox(QWidget* owner, const QString& text, const QString& title, Buttons buttons, Icon icon);

// Shows the dialog over its parent's window and returns its result once it has finished; until
// then the program's other windows take no input, as with QDialog::exec, but the window system's request
// to close the main window still reaches it, so that closing it ends the program whatever shows.
int runDialog(QDialog& dialog);

// Shows the percentage on the bar, rounded and held within 0 to 100. A missing bar or a value that
// is not a finite number changes nothing.
void showProgressValue(QProgressBar* bar, double percent);

} // namespace qc::shell
