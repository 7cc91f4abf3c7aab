#pragma once
// The main window: the SQL Server login, the FoxPro target, the SQL Preview mode choices,
// the help buttons, "Start Converting" and the progress bar. Every field writes its setting the
// moment it changes; its load restores them in a fixed order. Closing the window ends the program.

#include "app/main_window_port.h"
#include "data/foxpro_target.h"
#include "data/sql_server_login.h"
#include "data/ui/file_dialogs.h"
#include "engine/conversion_run.h"
#include "engine/preview_choice.h"
#include "shell/settings_writer.h"
#include "shell/shipped_files.h"
#include "shell/ui/button_keys.h"
#include "shell/ui/control_names.h"
#include "shell/ui/text_boxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QWidget>

#include <functional>

class QDialog;

namespace qc::app {

// The addresses the help texts point to.
inline constexpr const char* kSqlManagerAddress = "https://www.example.org/marravex/sql-manager";
inline constexpr const char* kContactAddress = "https://www.example.org/marravex/contact";

// The window's designer name: its object name, and the window its error reports name.
inline const QString kWindowName = QString::fromLatin1(names::mainWindow);

// Holds a flag raised for as long as it lives.
class RaisedFlag {
  public:
    explicit RaisedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RaisedFlag() { flag_ = false; }
    RaisedFlag(const RaisedFlag&) = delete;
    RaisedFlag& operator=(const RaisedFlag&) = delete;

  private:
    bool& flag_;
};

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // The window in its designed state; load() then restores the stored fields.
    MainWindow();
    ~MainWindow() override;

    void load();
    // Shows the window centred on the screen with the focus on the SQL Preview mode check box.
    void showCentred();

    // What the window's fields hold, as the run takes them.
    const data::SqlServerLogin& login() const { return login_; }
    // The seconds a server has to answer the login of "Test Connection" and of a run's check and
    // listing: the driver's 15 unless set here (tests shorten it to meet a silent server sooner).
    void setLoginTimeout(int seconds) { login_.loginTimeout = seconds; }
    data::FoxProTarget& target() { return target_; }
    engine::PreviewChoice previewChoice() const;
    const engine::ConversionRun& run() const { return run_; }
    shell::WindowPort& port() { return port_; }
    // Where the window's message boxes, windows and addresses go; tests set these.
    shell::WindowSeams& seams() { return seams_; }
    bool converting() const { return run_.converting(); }

    // The dialogs and windows this window opens, replaceable by tests.
    data::ui::FileDialogs fileDialogs;
    // Where the files the program ships are looked up (cursor, skin, samples, picture).
    QString programFolder = qc::programFolder();

    void onChooseFolderClicked(); // "..."
    void onSamplesClicked();      // "Load Sample/Example Database"
    void onSourceHelpClicked();   // "Help" in the SQL Server frame
    void onHelpClicked();         // "Help" at the top
    void onTestSourceClicked();   // "Test Connection" of the SQL Server frame
    void onStartClicked();        // "Start Converting"
    void onTestTargetClicked();   // "Test Connection" of the FoxPro frame
    void onContainerClicked();    // "dbc"

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void layOut();
    void connectHandlers();
    void placeCentred();
    void openAdvancedOptions();
    // Shows or hides the target line for the current target choice. The folder box is never
    // written for this: a change of it makes the folder the target.
    void showTarget();

    void onFolderChanged(const QString& text);
    // The user chose the code page of new tables in the box on the target line.
    void onCodePageChosen(int index);
    void onPreviewModeClicked();
    void onLocalConnectionClicked();
    void onPreviewOptionClicked();
    // Writes a setting from a field handler, which has no trap of its own: a failure is still
    // reported, under the handler's name.
    void writeFromHandler(const char* procedure, const QString& key, const QString& value);

    data::SqlServerLogin login_;
    data::FoxProTarget target_;
    bool restoringFolder_ = false; // the load is restoring the folder box
    // A connection test waits for its answer, letting events through: a click on "Start
    // Converting" or on either "Test Connection" that arrives meanwhile is ignored.
    bool testing_ = false;
    // A settings file that cannot be written is told once, not at every keystroke.
    SettingsWriter settings_;

    // Controls, each named for what it does; frames come before what they hold. Each keeps its
    // designer name as its object name (set in layOut()).
    QPushButton helpButton{this};
    QGroupBox sourceFrame{this};
    QLabel serverLabel{&sourceFrame};
    QLineEdit serverBox{&sourceFrame};
    QLabel portLabel{&sourceFrame};
    QLineEdit portBox{&sourceFrame};
    QLabel userLabel{&sourceFrame};
    QLineEdit userBox{&sourceFrame};
    QLabel passwordLabel{&sourceFrame};
    QLineEdit passwordBox{&sourceFrame};
    QLabel databaseLabel{&sourceFrame};
    QLineEdit databaseBox{&sourceFrame};
    QCheckBox localConnectionBox{&sourceFrame};
    QPushButton testSourceButton{&sourceFrame};
    QPushButton sourceHelpButton{&sourceFrame};
    QGroupBox targetFrame{this};
    QLabel folderLabel{&targetFrame};
    QLineEdit folderBox{&targetFrame};
    QPushButton chooseFolderButton{&targetFrame};
    QPushButton samplesButton{&targetFrame};
    QPushButton testTargetButton{&targetFrame};
    QPushButton containerButton{&targetFrame};
    // Below the folder row: the container's path while a container is the target.
    QLabel targetLine{&targetFrame};
    // At the end of the target line: the code page new tables get, the language's unless the
    // user chose another.
    QComboBox codePageBox{&targetFrame};
    QGroupBox previewFrame{this};
    QCheckBox previewModeBox{&previewFrame};
    QRadioButton previewPerFileOption{&previewFrame};
    QRadioButton previewPerTableOption{&previewFrame};
    QPushButton startButton{this};
    shell::TextProgressBar progressBar{this};

    shell::WindowSeams seams_;
    MainWindowPort port_{*this, seams_, &progressBar};
    engine::ConversionRun run_;
    shell::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::app
