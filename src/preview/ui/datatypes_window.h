#pragma once
// The Datatypes Conversion window: per source column, the table, the column, the source
// type word and the FoxPro type word it was mapped to. Viewing only; closing empties the rows.

#include "preview/datatype_rows.h"
#include "shell/ui/button_keys.h"
#include "shell/ui/window_port.h"

#include <QDialog>
#include <QPushButton>
#include <QTableView>

namespace qc::preview::ui {

class DatatypesWindow : public QDialog {
    Q_OBJECT
  public:
    DatatypesWindow(DatatypeRows& rows, const shell::WindowSeams& seams, QWidget* owner = nullptr);

    shell::WindowPort& port() { return port_; }

    void done(int result) override;
    void onBackClicked();

    QPushButton backButton;
    QTableView typeList;

  private:
    void load();
    // Gives the headers the height their wrapped texts need.
    void fitHeaders();

    DatatypeRows& rows_;
    shell::WindowPort port_;
    shell::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::preview::ui
