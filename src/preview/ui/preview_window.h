#pragma once
// The SQL Preview window: shows the SQL line list of a preview session and lets the user edit a
// line, replace text in all lines, look at the type mapping, copy lines or the error, e-mail the
// error, skip the table, go back, or execute the lines on the run's FoxPro connection.

#include "preview/preview_session.h"
#include "preview/script_execution.h"
#include "preview/ui/clipboard.h"
#include "preview/ui/sql_line_view.h"
#include "shell/ui/button_keys.h"
#include "shell/ui/text_boxes.h"
#include "shell/ui/window_port.h"

#include <QDialog>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace qc::preview::ui {

class PreviewWindow : public QDialog {
    Q_OBJECT
  public:
    PreviewWindow(const PreviewSession& session, QWidget* owner = nullptr);
    ~PreviewWindow() override;

    // Where the window's messages, child windows and addresses go; tests set these.
    shell::WindowSeams& seams() { return seams_; }
    // The window's own port: its message boxes, pointer and progress bar.
    shell::WindowPort& port() { return port_; }
    // How the copy buttons put text on the clipboard; tests replace it with a clipboard that
    // refuses, as another program holding it would.
    ClipboardPlacer placeOnClipboard = [](const QString& text) { return setClipboardText(text, 0); };

    // The line at which the last script run stopped with an SQL error; 0 = none.
    int errorLine() const { return errorLine_; }
    bool scriptRunning() const { return running_; }
    // How the user left the window.
    PreviewExit exit() const { return exit_; }
    const PreviewSession& session() const { return session_; }

    // Closing empties the SQL line list and the datatype rows; refused while a script runs.
    void done(int result) override;

    // The controls' actions, in the order the controls sit in the window.
    void onBackClicked();
    void onSkipTableClicked();
    void onLineClicked(int line); // 1-based
    void onExecuteClicked();
    void onFindReplaceClicked();
    void onCopySqlClicked();
    void onJumpToErrorClicked();
    void onCopyErrorClicked();
    void onEmailErrorClicked();
    void onDatatypesClicked();

    QPushButton backButton;
    QPushButton skipTableButton;
    SqlLineView lineView;
    QPushButton executeButton;
    QPushButton findReplaceButton;
    QPushButton copySqlButton;
    QGroupBox errorFrame;
    QPlainTextEdit errorBox; // inside the error frame
    QPushButton jumpToErrorButton;
    QPushButton copyErrorButton;
    QPushButton emailErrorButton;
    QPushButton datatypesButton;
    shell::TextProgressBar progressBar;

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Esc does not close the window: in per-file mode that would throw away the script and every
    // edit without a question. "< Back" and the title bar still close it.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void layOut();
    void load();
    void setControlsEnabled(bool enabled);

    void openFindAndReplace();
    void openDatatypes();
    // Says that a copy button's text did not reach the clipboard.
    void tellClipboardRefused();

    const PreviewSession session_;
    PreviewExit exit_ = PreviewExit::WentBack;
    shell::WindowSeams seams_;
    shell::WindowPort port_;
    int errorLine_ = 0;
    ResumePoint resume_;
    bool running_ = false;
    shell::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::preview::ui
