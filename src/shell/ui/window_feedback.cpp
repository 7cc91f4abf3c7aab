#include "shell/ui/window_feedback.h"
#include "shell/message_text.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace qc::shell {

namespace {

// Keeps the user's input away from every other window of the program while a box or a window
// waits for the user, as application modality would, but without Qt's modal blocking: that would
// also drop the window system's request to close the main window, and closing the main window
// must end the program whatever is showing. Other windows are not closed under the box either:
// their contents may be what the box works on.
class InputShield : public QObject {
  public:
    explicit InputShield(QWidget& box) : box_(box) {
        // Boxes wait inside each other's loops: this one is the newest, above every box that
        // waits now.
        for (const QWidget* window : QApplication::topLevelWidgets())
            level_ = std::max(level_, window->property(kWaiting).toInt() + 1);
        box_.setProperty(kWaiting, level_);
        qApp->installEventFilter(this);
    }
    ~InputShield() override {
        qApp->removeEventFilter(this);
        box_.setProperty(kWaiting, QVariant());
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool close = event->type() == QEvent::Close;
        if (!close && !isInput(event->type()))
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || owned(widget->window()) || waitingAbove(widget->window()))
            return false;
        if (close) {
            // A window without a parent is the main window: closing it ends the program.
            if (widget->isWindow() && widget->parentWidget() == nullptr)
                return false;
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            box_.raise();
            box_.activateWindow();
        }
        return true;
    }

  private:
    static bool isInput(QEvent::Type type) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        // A folder or file dropped on a box would change the target under the waiting box.
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }

    // The box itself and the windows it opens (menus, pop-ups, its own dialogs).
    bool owned(const QWidget* window) const {
        for (const QWidget* w = window; w != nullptr; w = w->parentWidget())
            if (w == &box_)
                return true;
        return false;
    }

    // Another box that waits for the user now was shown over this one, from inside its loop (a
    // question its owner asks while it is open, whoever owns the question): that box's own
    // shield guards it, and this one must not take its input away.
    bool waitingAbove(const QWidget* window) const {
        for (const QWidget* w = window; w != nullptr; w = w->parentWidget())
            if (w->property(kWaiting).toInt() > level_)
                return true;
        return false;
    }

    static constexpr const char* kWaiting = "qcWaitingForUser";
    QWidget& box_;
    int level_ = 1;
};

} // namespace

Answer showMessageBox(QWidget* owner, const QString& text, const QString& title, Buttons buttons, Icon icon) {
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                    withNewlines(text),
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setWindowModality(Qt::NonModal);
    box.setTextFormat(Qt::PlainText);
    // An address or a path in the text can be selected and copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    runDialog(box);
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    // Closing a question without a button counts as No, the answer that changes nothing.
    return box.standardButton(box.clickedButton()) == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

int runDialog(QDialog& dialog) {
    dialog.setWindowModality(Qt::NonModal);
    const InputShield shield(dialog);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    dialog.activateWindow();
    loop.exec(QEventLoop::DialogExec);
    return dialog.result();
}

void showProgressValue(QProgressBar* bar, double percent) {
    if (bar && std::isfinite(percent))
        bar->setValue(static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0))));
}

} // namespace qc::shell
