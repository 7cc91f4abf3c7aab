#pragma once
// The Advanced Options window: where the user chooses a FoxPro database container (DBC)
// file as the conversion target instead of a folder of free tables.

#include "data/foxpro_target.h"
#include "data/ui/file_dialogs.h"
#include "shell/settings_writer.h"
#include "shell/ui/button_keys.h"
#include "shell/ui_port.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qc::data::ui {

class AdvancedOptionsWindow : public QDialog {
    Q_OBJECT
  public:
    // `target` is the main window's target choice; `ui` shows this window's error reports;
    // `settings` is the main window's writer, so a file that cannot be written is told once.
    AdvancedOptionsWindow(FoxProTarget& target, UiPort& ui, SettingsWriter& settings,
                          const FileDialogs& dialogs, QWidget* owner = nullptr);

    // The window's load: colours, icon, hand pointer, then the stored container path.
    void load();

    void onOkClicked();     // "OK"
    void onCancelClicked(); // "Cancel"
    void onBrowseClicked(); // "..."

  private:
    void onContainerChanged(const QString& text);
    // True when `path` names an existing file (in any letter case), or a container created now
    // on the user's Yes; false when the user said No or the creation failed (which is shown).
    bool containerReady(const QString& path);

    FoxProTarget& target_;
    UiPort& ui_;
    SettingsWriter& settings_;
    const FileDialogs& dialogs_;

    QGroupBox containerFrame{this};
    QLabel containerLabel{&containerFrame};
    QLineEdit containerBox{&containerFrame};
    QPushButton browseButton{&containerFrame};
    QPushButton okButton{this};
    QPushButton cancelButton{this};
    shell::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::data::ui
