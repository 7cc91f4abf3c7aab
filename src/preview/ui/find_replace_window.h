#pragma once
// The Find and Replace window: replaces the first caseless occurrence of a text in every line of
// the SQL line list, then closes.

#include "preview/sql_line_list.h"
#include "shell/ui/button_keys.h"
#include "shell/ui/window_port.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qc::preview::ui {

class FindReplaceWindow : public QDialog {
    Q_OBJECT
  public:
    FindReplaceWindow(SqlLineList& lines, const shell::WindowSeams& seams, QWidget* owner = nullptr);

    shell::WindowPort& port() { return port_; }

    void onReplaceClicked();
    void onCancelClicked();

    QLabel findLabel;
    QLineEdit findBox;
    QLabel replaceLabel;
    QLineEdit replaceBox;
    QPushButton replaceButton;
    QPushButton cancelButton;

  private:
    void load();

    SqlLineList& lines_;
    shell::WindowPort port_;
    shell::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::preview::ui
