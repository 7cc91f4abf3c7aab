#include "preview/ui/preview_window.h"

#include "shell/error_trap.h"
#include "shell/ui/desktop_links.h"
#include "shell/ui/look.h"
#include "preview/script_execution.h"
#include "preview/ui/clipboard.h"
#include "preview/ui/datatypes_window.h"
#include "preview/ui/edit_line_window.h"
#include "preview/ui/error_mail.h"
#include "preview/ui/find_replace_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>

namespace qc::preview::ui {

using look::twipsRect;

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

Form2::Form2(const PreviewSession& session, QWidget* owner)
    : QDialog(owner), PushButton5(QStringLiteral("< Back"), this),
      PushButton9(QStringLiteral("Skip Table / Do Not Execute SQL"), this), ListView1(this),
      PushButton1(QStringLiteral("Execute SQL"), this), PushButton3(QStringLiteral("Find and Replace"), this),
      PushButton2(QStringLiteral("Copy SQL To Clipboard"), this), Frame2(QStringLiteral("Error:"), this),
      Text1(&Frame2), PushButton6(QStringLiteral("Jump To Error Line"), this),
      PushButton4(QStringLiteral("Copy Error Message To Clipboard"), this),
      PushButton8(QStringLiteral(" Email Error Message To Corvenna"), this),
      PushButton7(QStringLiteral("View Datatype Conversion"), this), ProgressBar1(this), session_(session),
      port_(*this, seams_, &ProgressBar1) {
    layOut();
    Form_Load();
}

Form2::~Form2() = default;

void Form2::openFindAndReplace() {
    Form3 child(session_.lines, seams_, this);
    port_.runModal(child);
}

void Form2::openDatatypes() {
    Form5 child(session_.datatypeRows, seams_, this);
    port_.runModal(child);
}

void Form2::layOut() {
    setFixedSize(look::px(8040), look::px(8430));
    setFont(look::windowFont());
    PushButton5.setGeometry(twipsRect(120, 120, 3720, 405));
    PushButton9.setGeometry(twipsRect(3960, 120, 3960, 405));
    ListView1.setGeometry(twipsRect(120, 630, 7800, 3315));
    PushButton1.setGeometry(twipsRect(120, 4040, 7800, 405));
    PushButton3.setGeometry(twipsRect(120, 4550, 3840, 405));
    PushButton2.setGeometry(twipsRect(4080, 4550, 3840, 405));
    Frame2.setGeometry(twipsRect(120, 5010, 7800, 1785));
    Text1.setGeometry(twipsRect(240, 300, 7320, 1290));
    PushButton6.setGeometry(twipsRect(120, 6900, 3840, 405));
    PushButton4.setGeometry(twipsRect(4080, 6900, 3840, 405));
    PushButton8.setGeometry(twipsRect(120, 7410, 3840, 405));
    PushButton7.setGeometry(twipsRect(4080, 7410, 3840, 405));
    ProgressBar1.setGeometry(twipsRect(120, 7920, 7800, 405));

    for (QPushButton* button : {&PushButton5, &PushButton9, &PushButton1, &PushButton3, &PushButton2,
                                &PushButton6, &PushButton4, &PushButton8, &PushButton7}) {
        button->setFont(look::buttonFont());
        button->setAutoDefault(false);
    }
    ListView1.setToolTip(QStringLiteral(
        "Click item to edit it. Move | line to right and out of window to reveal full names."));
    Text1.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1.setTabChangesFocus(true);
    ProgressBar1.setRange(0, 100);
    ProgressBar1.setValue(0);
    ProgressBar1.setTextVisible(true);
    ProgressBar1.setAlignment(Qt::AlignCenter);
    ProgressBar1.setFormat(QStringLiteral("Progress Bar"));

    // The progress bar sits between "< Back" and "View Datatype Conversion" in the designed order
    // but takes no focus, so the chain skips it.
    const std::initializer_list<QWidget*> order = {&ListView1,   &PushButton1, &PushButton3, &PushButton2,
                                                   &Text1,       &PushButton6, &PushButton4, &PushButton8,
                                                   &PushButton5, &PushButton7, &PushButton9};
    QWidget* previous = nullptr;
    for (QWidget* widget : order) {
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
    }

    enterKeys_.attach(*this);
    connect(&ListView1, &SqlLineView::lineClicked, this, &Form2::ListView1_Click);
    connect(&PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(&PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(&PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(&PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
    connect(&PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
    connect(&PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(&PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
    connect(&PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(&PushButton9, &QPushButton::clicked, this, &Form2::PushButton9_Click);
}

void Form2::Form_Load() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { look::ApplyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(look::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("SQL Preview - Marravex")); });
    trap.step(106, [&] {
        look::installPointerConvention(*this, look::handCursor(),
                                       {&ListView1, ListView1.viewport(), &Frame2});
    });
    trap.step(108, [&] { ListView1.setModel(&session_.lines); });
    // A refilled list is a new script: its run starts at line 1.
    connect(&session_.lines, &QAbstractItemModel::modelReset, this, [this] { resume_ = {}; });
    trap.step(110, [&] { ListView1.setColumnWidth(0, look::px(7000)); });
}

void Form2::setControlsEnabled(bool enabled) {
    for (QWidget* widget : std::initializer_list<QWidget*>{
             &PushButton1, &PushButton2, &PushButton3, &PushButton4, &PushButton5, &PushButton6, &PushButton7,
             &PushButton8, &PushButton9, &ListView1, &Text1})
        widget->setEnabled(enabled);
}

void Form2::done(int result) {
    if (running_)
        return;
    session_.lines.clear();
    session_.datatypeRows.clear();
    QDialog::done(result);
}

void Form2::closeEvent(QCloseEvent* event) {
    // The script run holds the list and the connection until it ends.
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Form2::ListView1_Click(int line) {
    if (line < 1 || line > session_.lines.count())
        return;
    Form4 child(session_.lines, seams_, this);
    child.ListLine = line;
    child.setLineText(session_.lines.text(line));
    port_.runModal(child);
}

void Form2::PushButton1_Click() {
    running_ = true;
    setControlsEnabled(false);
    const ScriptRun run{session_.lines,
                        session_.target,
                        errorLineIndex_,
                        [this](const QString& text) { Text1.setPlainText(text); },
                        &resume_};
    const ScriptOutcome outcome = executeScript(run, port_);
    setControlsEnabled(true);
    running_ = false;
    if (outcome == ScriptOutcome::Completed) {
        exit_ = PreviewExit::Executed; // [124]
        ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton1_Click"));
        trap.step(132, [&] { accept(); });
    }
}

void Form2::PushButton2_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton2_Click"));
    const bool any = trap.test(102, [&] { return session_.lines.count() >= 1; });
    if (any)
        trap.step(104, [&] { CopyListViewToClipboard(ListView1, port_); });
    trap.step(108, [&] {
        port_.message(QStringLiteral("Results have been copied to the clipboard.") + kPasteHint);
    });
}

void Form2::PushButton3_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));
    trap.step(102, [&] { openFindAndReplace(); });
}

void Form2::PushButton4_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton4_Click"));
    const bool hasText = trap.test(102, [&] { return !blankText(Text1.toPlainText()); });
    if (!hasText)
        return;
    trap.step(104, [&] { ClearClipboard(); });
    trap.step(106, [&] { SetClipboardText(Text1.toPlainText(), 0); });
    trap.step(108, [&] {
        port_.message(QStringLiteral("Error message have been copied to the clipboard.") + kPasteHint);
    });
}

void Form2::PushButton5_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton5_Click"));
    trap.step(102, [&] { reject(); });
}

void Form2::PushButton6_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton6_Click"));
    // A line number past the end of the list (the list changed since the error) is ignored.
    const bool jump = trap.test(102, [&] {
        return session_.lines.count() >= 1 && errorLineIndex_ > 0 &&
               errorLineIndex_ <= session_.lines.count();
    });
    if (jump)
        trap.step(104, [&] { session_.lines.select(errorLineIndex_); });
}

void Form2::PushButton7_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton7_Click"));
    trap.step(102, [&] { openDatatypes(); });
}

void Form2::PushButton8_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton8_Click"));
    const bool hasText = trap.test(102, [&] { return !blankText(Text1.toPlainText()); });
    if (hasText)
        trap.step(104, [&] {
            look::openAddress(
                errorMailUrl(Text1.toPlainText()), [this](const QUrl& url) { return port_.openUrl(url); },
                port_, noMailProgramMessage());
        });
}

void Form2::PushButton9_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form2"), QStringLiteral("PushButton9_Click"));
    trap.step(102, [&] { exit_ = PreviewExit::TableSkipped; });
    trap.step(104, [&] { reject(); });
}

} // namespace qc::preview::ui
