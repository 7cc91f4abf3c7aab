#pragma once
// The SQL Preview window (Form2): shows the SQL line list of a preview session and lets the user edit a line, replace
// text in all lines, look at the type mapping, copy lines or the error, e-mail the error, skip
// the table, go back, or execute the lines on the run's FoxPro connection.

#include "shell/ui/button_keys.h"
#include "shell/ui/look.h"
#include "preview/preview_session.h"
#include "preview/script_execution.h"
#include "preview/ui/sql_line_view.h"
#include "shell/ui/window_port.h"

#include <QDialog>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace qc::preview::ui {

class Form2 : public QDialog {
    Q_OBJECT
  public:
    Form2(const PreviewSession& session, QWidget* owner = nullptr);
    ~Form2() override;

    // Where the window's messages, child windows and addresses go; tests set these.
    shell::WindowSeams& seams() { return seams_; }
    // The window's own port: its message boxes, pointer and progress bar.
    shell::WindowPort& port() { return port_; }

    // The line at which the last script run stopped with an SQL error; 0 = none.
    int ErrorLineIndex() const { return errorLineIndex_; }
    bool scriptRunning() const { return running_; }
    // How the user left the window.
    PreviewExit exit() const { return exit_; }
    const PreviewSession& session() const { return session_; }

    // Closing empties the SQL line list and the datatype rows; refused while a script runs.
    void done(int result) override;

    void ListView1_Click(int line);
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton9_Click();

    QPushButton PushButton5;
    QPushButton PushButton9;
    SqlLineView ListView1;
    QPushButton PushButton1;
    QPushButton PushButton3;
    QPushButton PushButton2;
    QGroupBox Frame2;
    QPlainTextEdit Text1;
    QPushButton PushButton6;
    QPushButton PushButton4;
    QPushButton PushButton8;
    QPushButton PushButton7;
    look::TextProgressBar ProgressBar1;

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Esc does not close the window: in per-file mode that would throw away the script and every
    // edit without a question. "< Back" and the title bar still close it.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void layOut();
    void Form_Load();
    void setControlsEnabled(bool enabled);

    void openFindAndReplace();
    void openDatatypes();

    const PreviewSession session_;
    PreviewExit exit_ = PreviewExit::WentBack;
    shell::WindowSeams seams_;
    shell::WindowPort port_;
    int errorLineIndex_ = 0;
    ResumePoint resume_;
    bool running_ = false;
    look::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::preview::ui
