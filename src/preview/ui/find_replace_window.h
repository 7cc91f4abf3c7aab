#pragma once
// The Find and Replace window (Form3): replaces the first caseless occurrence of a text in every
// line of the SQL line list, then closes.

#include "shell/ui/button_keys.h"
#include "preview/sql_line_list.h"
#include "shell/ui/window_port.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qc::preview::ui {

class Form3 : public QDialog {
    Q_OBJECT
  public:
    Form3(SqlLineList& lines, const shell::WindowSeams& seams, QWidget* owner = nullptr);

    shell::WindowPort& port() { return port_; }

    void PushButton1_Click();
    void PushButton2_Click();

    QLabel Label2;
    QLineEdit Text1;
    QLabel Label6;
    QLineEdit Text2;
    QPushButton PushButton2;
    QPushButton PushButton1;

  private:
    void Form_Load();

    SqlLineList& lines_;
    shell::WindowPort port_;
    look::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::preview::ui
