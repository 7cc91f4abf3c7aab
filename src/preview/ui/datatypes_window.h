#pragma once
// The Datatypes Conversion window (Form5): per source column, the table, the column, the source
// type word and the FoxPro type word it was mapped to. Viewing only; closing empties the rows.

#include "shell/ui/button_keys.h"
#include "preview/datatype_rows.h"
#include "shell/ui/window_port.h"

#include <QDialog>
#include <QPushButton>
#include <QTableView>

namespace qc::preview::ui {

class Form5 : public QDialog {
    Q_OBJECT
  public:
    Form5(DatatypeRows& rows, const shell::WindowSeams& seams, QWidget* owner = nullptr);

    shell::WindowPort& port() { return port_; }

    void done(int result) override;
    void PushButton5_Click();

    QPushButton PushButton5;
    QTableView ListView1;

  private:
    void Form_Load();
    // Gives the headers the height their wrapped texts need.
    void fitHeaders();

    DatatypeRows& rows_;
    shell::WindowPort port_;
    look::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::preview::ui
