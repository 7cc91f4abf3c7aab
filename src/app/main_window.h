#pragma once
// The main window (Form1): the SQL Server login, the FoxPro target, the SQL Preview mode choices,
// the help buttons, "Start Converting" and the progress bar. Every field writes its setting the
// moment it changes; Form_Load restores them in a fixed order. Closing the window ends the program.

#include "shell/ui/button_keys.h"
#include "shell/ui/look.h"
#include "app/main_window_port.h"
#include "data/ui/file_dialogs.h"
#include "engine/conversion_run.h"
#include "data/foxpro_target.h"
#include "data/sql_server_login.h"
#include "engine/preview_choice.h"

#include <QCheckBox>
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

class Form1 : public QWidget {
    Q_OBJECT
  public:
    // The window in its designed state; Form_Load then restores the stored fields.
    Form1();
    ~Form1() override;

    void Form_Load();
    // Shows the window centred on the screen with the focus on the SQL Preview mode check box.
    void showCentred();

    // What the window's fields hold, as the run takes them.
    const data::SqlServerLogin& login() const { return login_; }
    data::FoxProTarget& target() { return target_; }
    const engine::PreviewChoice& previewChoice() const { return previewChoice_; }
    const engine::ConversionRun& run() const { return run_; }
    shell::WindowPort& port() { return port_; }
    // Where the window's message boxes, windows and addresses go; tests set these.
    shell::WindowSeams& seams() { return seams_; }
    bool converting() const { return run_.converting(); }

    // The dialogs and windows this window opens, replaceable by tests.
    data::ui::FileDialogs fileDialogs;
    // Where the files shipped beside the program are looked up (cursor, skin, samples, picture).
    QString programFolder = look::programFolder();

    void PushButton1_Click();  // "..."
    void PushButton2_Click();  // "Load Sample/Example Database"
    void PushButton4_Click();  // "Help" in the SQL Server frame
    void PushButton5_Click();  // "Help" at the top
    void PushButton6_Click();  // "Test Connection" of the SQL Server frame
    void PushButton7_Click();  // "Start Converting"
    void PushButton8_Click();  // "Test Connection" of the FoxPro frame
    void PushButton12_Click(); // "dbc"

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

    void Text2_Change(const QString& text);
    void Check1_Click();
    void Check4_Click();
    void Option_Click();
    // Writes a setting from a field handler, which has no trap of its own: a failure is still
    // reported, under the handler's name.
    void writeFromHandler(const char* procedure, const QString& key, const QString& value);

    data::SqlServerLogin login_;
    data::FoxProTarget target_;
    engine::PreviewChoice previewChoice_;

    // Controls, each named by its designer name; frames come before what they hold.
    QPushButton PushButton5{this};
    QGroupBox Frame3{this};
    QLabel Label2{&Frame3};
    QLineEdit Text5{&Frame3};
    QLabel Label10{&Frame3};
    QLineEdit Text6{&Frame3};
    QLabel Label4{&Frame3};
    QLineEdit Text3{&Frame3};
    QLabel Label5{&Frame3};
    QLineEdit Text4{&Frame3};
    QLabel Label3{&Frame3};
    QLineEdit Text8{&Frame3};
    QCheckBox Check4{&Frame3};
    QPushButton PushButton6{&Frame3};
    QPushButton PushButton4{&Frame3};
    QGroupBox Frame1{this};
    QLabel Label1{&Frame1};
    QLineEdit Text2{&Frame1};
    QPushButton PushButton1{&Frame1};
    QPushButton PushButton2{&Frame1};
    QPushButton PushButton8{&Frame1};
    QPushButton PushButton12{&Frame1};
    // Below the folder row: the container's path while a container is the target.
    QLabel TargetLine{&Frame1};
    QGroupBox Frame2{this};
    QCheckBox Check1{&Frame2};
    QRadioButton Option1{&Frame2};
    QRadioButton Option2{&Frame2};
    QPushButton PushButton7{this};
    look::TextProgressBar ProgressBar1{this};

    shell::WindowSeams seams_;
    MainWindowPort port_{*this, seams_, &ProgressBar1};
    engine::ConversionRun run_;
    look::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::app
