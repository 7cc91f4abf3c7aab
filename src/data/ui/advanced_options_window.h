#pragma once
// The Advanced Options window (Form6): where the user chooses a FoxPro database container (DBC)
// file as the conversion target instead of a folder of free tables.

#include "shell/ui/button_keys.h"
#include "shell/ui_port.h"
#include "data/foxpro_target.h"
#include "data/ui/file_dialogs.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qc::data::ui {

class Form6 : public QDialog {
    Q_OBJECT
  public:
    // `target` is the main window's target choice; `ui` shows this window's error reports.
    Form6(FoxProTarget& target, UiPort& ui, const FileDialogs& dialogs, QWidget* owner = nullptr);

    // The window's load: colours, icon, hand pointer, then the stored container path.
    void Form_Load();

    void PushButton1_Click(); // "OK"
    void PushButton2_Click(); // "Cancel"
    void PushButton5_Click(); // "..."

  private:
    void Text1_Change(const QString& text);
    // True when `path` names an existing file (in any letter case), or a container created now
    // on the user's Yes; false when the user said No or the creation failed (which is shown).
    bool containerReady(const QString& path);

    FoxProTarget& target_;
    UiPort& ui_;
    const FileDialogs& dialogs_;

    QGroupBox Frame2{this};
    QLabel Label1{&Frame2};
    QLineEdit Text1{&Frame2};
    QPushButton PushButton5{&Frame2};
    QPushButton PushButton1{this};
    QPushButton PushButton2{this};
    look::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::data::ui
