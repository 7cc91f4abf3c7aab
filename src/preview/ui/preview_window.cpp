#include "preview/ui/preview_window.h"

#include "preview/script_execution.h"
#include "preview/ui/clipboard.h"
#include "preview/ui/datatypes_window.h"
#include "preview/ui/edit_line_window.h"
#include "preview/ui/error_mail.h"
#include "preview/ui/find_replace_window.h"
#include "shell/error_trap.h"
#include "shell/ui/desktop_links.h"
#include "shell/ui/geometry.h"
#include "shell/ui/look.h"
#include "shell/ui/pointers.h"
#include "shell/ui/text_boxes.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>

namespace qc::preview::ui {

using shell::twipsRect;

namespace {

const QString kPasteHint =
    QStringLiteral("\r\rClick a text area where you normally type and press Ctrl+V to paste "
                   "the clipboard.");

// Only spaces count as blank, as the error box's emptiness has always been judged.
bool blankText(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

} // namespace

PreviewWindow::PreviewWindow(const PreviewSession& session, QWidget* owner)
    : QDialog(owner), backButton(QStringLiteral("< Back"), this),
      skipTableButton(QStringLiteral("Skip Table / Do Not Execute SQL"), this), lineView(this),
      executeButton(QStringLiteral("Execute SQL"), this),
      findReplaceButton(QStringLiteral("Find and Replace"), this),
      copySqlButton(QStringLiteral("Copy SQL To Clipboard"), this),
      errorFrame(QStringLiteral("Error:"), this), errorBox(&errorFrame),
      jumpToErrorButton(QStringLiteral("Jump To Error Line"), this),
      copyErrorButton(QStringLiteral("Copy Error Message To Clipboard"), this),
      emailErrorButton(QStringLiteral(" Email Error Message To Corvenna"), this),
      datatypesButton(QStringLiteral("View Datatype Conversion"), this), progressBar(this), session_(session),
      port_(*this, seams_, &progressBar) {
    layOut();
    load();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::openFindAndReplace() {
    FindReplaceWindow child(session_.lines, seams_, this);
    port_.runModal(child);
}

void PreviewWindow::openDatatypes() {
    DatatypesWindow child(session_.datatypeRows, seams_, this);
    port_.runModal(child);
}

void PreviewWindow::layOut() {
    setFixedSize(shell::px(8040), shell::px(8430));
    setFont(shell::windowFont());
    backButton.setGeometry(twipsRect(120, 120, 3720, 405));
    skipTableButton.setGeometry(twipsRect(3960, 120, 3960, 405));
    lineView.setGeometry(twipsRect(120, 630, 7800, 3315));
    executeButton.setGeometry(twipsRect(120, 4040, 7800, 405));
    findReplaceButton.setGeometry(twipsRect(120, 4550, 3840, 405));
    copySqlButton.setGeometry(twipsRect(4080, 4550, 3840, 405));
    errorFrame.setGeometry(twipsRect(120, 5010, 7800, 1785));
    errorBox.setGeometry(twipsRect(240, 300, 7320, 1290));
    jumpToErrorButton.setGeometry(twipsRect(120, 6900, 3840, 405));
    copyErrorButton.setGeometry(twipsRect(4080, 6900, 3840, 405));
    emailErrorButton.setGeometry(twipsRect(120, 7410, 3840, 405));
    datatypesButton.setGeometry(twipsRect(4080, 7410, 3840, 405));
    progressBar.setGeometry(twipsRect(120, 7920, 7800, 405));

    for (QPushButton* button :
         {&backButton, &skipTableButton, &executeButton, &findReplaceButton, &copySqlButton,
          &jumpToErrorButton, &copyErrorButton, &emailErrorButton, &datatypesButton}) {
        button->setFont(shell::buttonFont());
        button->setAutoDefault(false);
    }
    lineView.setToolTip(QStringLiteral(
        "Click item to edit it. Move | line to right and out of window to reveal full names."));
    errorBox.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    errorBox.setTabChangesFocus(true);

    // The progress bar sits between "< Back" and "View Datatype Conversion" in the designed order
    // but takes no focus, so the chain skips it.
    shell::setTabChain({&lineView, &executeButton, &findReplaceButton, &copySqlButton, &errorBox,
                        &jumpToErrorButton, &copyErrorButton, &emailErrorButton, &backButton,
                        &datatypesButton, &skipTableButton});

    enterKeys_.attach(*this);
    connect(&backButton, &QPushButton::clicked, this, &PreviewWindow::onBackClicked);
    connect(&skipTableButton, &QPushButton::clicked, this, &PreviewWindow::onSkipTableClicked);
    connect(&lineView, &SqlLineView::lineClicked, this, &PreviewWindow::onLineClicked);
    connect(&executeButton, &QPushButton::clicked, this, &PreviewWindow::onExecuteClicked);
    connect(&findReplaceButton, &QPushButton::clicked, this, &PreviewWindow::onFindReplaceClicked);
    connect(&copySqlButton, &QPushButton::clicked, this, &PreviewWindow::onCopySqlClicked);
    connect(&jumpToErrorButton, &QPushButton::clicked, this, &PreviewWindow::onJumpToErrorClicked);
    connect(&copyErrorButton, &QPushButton::clicked, this, &PreviewWindow::onCopyErrorClicked);
    connect(&emailErrorButton, &QPushButton::clicked, this, &PreviewWindow::onEmailErrorClicked);
    connect(&datatypesButton, &QPushButton::clicked, this, &PreviewWindow::onDatatypesClicked);
}

void PreviewWindow::load() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { shell::applyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("SQL Preview - Marravex")); });
    trap.step(106, [&] {
        shell::installPointerConvention(*this, shell::handCursor(),
                                        {&lineView, lineView.viewport(), &errorFrame});
    });
    trap.step(108, [&] { lineView.setModel(&session_.lines); });
    // A refilled list is a new script: its run starts at line 1.
    connect(&session_.lines, &QAbstractItemModel::modelReset, this, [this] { resume_ = {}; });
    trap.step(110, [&] { lineView.setColumnWidth(0, shell::px(7000)); });
}

void PreviewWindow::setControlsEnabled(bool enabled) {
    for (QWidget* widget : std::initializer_list<QWidget*>{
             &executeButton, &copySqlButton, &findReplaceButton, &copyErrorButton, &backButton,
             &jumpToErrorButton, &datatypesButton, &emailErrorButton, &skipTableButton, &lineView, &errorBox})
        widget->setEnabled(enabled);
}

void PreviewWindow::done(int result) {
    if (running_)
        return;
    session_.lines.clear();
    session_.datatypeRows.clear();
    QDialog::done(result);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    // The script run holds the list and the connection until it ends.
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PreviewWindow::onBackClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton5_Click"));
    trap.step(102, [&] { reject(); });
}

void PreviewWindow::onSkipTableClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton9_Click"));
    trap.step(102, [&] { exit_ = PreviewExit::TableSkipped; });
    trap.step(104, [&] { reject(); });
}

void PreviewWindow::onLineClicked(int line) {
    if (line < 1 || line > session_.lines.count())
        return;
    EditLineWindow child(session_.lines, seams_, this);
    child.line = line;
    child.setLineText(session_.lines.text(line));
    port_.runModal(child);
}

void PreviewWindow::onExecuteClicked() {
    running_ = true;
    setControlsEnabled(false);
    const ScriptRun run{session_.lines, session_.target,
                        errorLine_,     [this](const QString& text) { errorBox.setPlainText(text); },
                        &resume_,       {}};
    const ScriptOutcome outcome = executeScript(run, port_);
    setControlsEnabled(true);
    running_ = false;
    if (outcome == ScriptOutcome::Completed) {
        exit_ = PreviewExit::Executed; // [124]
        ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton1_Click"));
        trap.step(132, [&] { accept(); });
    }
}

void PreviewWindow::onFindReplaceClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));
    trap.step(102, [&] { openFindAndReplace(); });
}

void PreviewWindow::onCopySqlClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton2_Click"));
    const bool any = trap.test(102, [&] { return session_.lines.count() >= 1; });
    ClipboardCopy copy = ClipboardCopy::Nothing;
    if (any)
        trap.step(104, [&] { copy = copyListViewToClipboard(lineView, port_, placeOnClipboard); });
    trap.step(108, [&] {
        if (copy == ClipboardCopy::Refused)
            tellClipboardRefused();
        else
            port_.message(QStringLiteral("Results have been copied to the clipboard.") + kPasteHint);
    });
}

void PreviewWindow::tellClipboardRefused() {
    port_.message(QStringLiteral("The clipboard did not take the text, so nothing was copied. Another "
                                 "program may be holding it: try again in a moment."),
                  {}, Buttons::Ok, Icon::Exclamation);
}

void PreviewWindow::onJumpToErrorClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton6_Click"));
    // A line number past the end of the list (the list changed since the error) is ignored.
    const bool jump = trap.test(102, [&] {
        return session_.lines.count() >= 1 && errorLine_ > 0 && errorLine_ <= session_.lines.count();
    });
    if (jump)
        trap.step(104, [&] { session_.lines.select(errorLine_); });
}

void PreviewWindow::onCopyErrorClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton4_Click"));
    const bool hasText = trap.test(102, [&] { return !blankText(errorBox.toPlainText()); });
    if (!hasText)
        return;
    ClipboardCopy copy = ClipboardCopy::Nothing;
    trap.step(104, [&] { clearClipboard(); });
    trap.step(106, [&] {
        copy = placeOnClipboard(errorBox.toPlainText()) ? ClipboardCopy::Taken : ClipboardCopy::Refused;
    });
    trap.step(108, [&] {
        if (copy == ClipboardCopy::Refused)
            tellClipboardRefused();
        else
            port_.message(QStringLiteral("Error message have been copied to the clipboard.") + kPasteHint);
    });
}

void PreviewWindow::onEmailErrorClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton8_Click"));
    const bool hasText = trap.test(102, [&] { return !blankText(errorBox.toPlainText()); });
    if (hasText)
        trap.step(104, [&] {
            shell::openAddress(
                errorMailUrl(errorBox.toPlainText()), [this](const QUrl& url) { return port_.openUrl(url); },
                port_, noMailProgramMessage());
        });
}

void PreviewWindow::onDatatypesClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton7_Click"));
    trap.step(102, [&] { openDatatypes(); });
}

} // namespace qc::preview::ui
