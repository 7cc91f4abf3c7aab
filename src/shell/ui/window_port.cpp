#include "shell/ui/window_port.h"

#include "shell/message_text.h"
#include "shell/ui/pointers.h"
#include "shell/ui/window_feedback.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QProgressBar>

namespace qc::shell {

namespace {
// Counts an event loop that runs inside the logic, however it ends.
struct EventLoopInside {
    explicit EventLoopInside(int& depth) : depth(depth) { ++depth; }
    ~EventLoopInside() { --depth; }
    int& depth;
};
} // namespace

WindowPort::WindowPort(QWidget& window, const WindowSeams& seams, QProgressBar* progressBar)
    : window_(window), seams_(seams), progressBar_(progressBar) {}

Answer WindowPort::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    // The box runs an event loop of its own: the window may be closed from inside it.
    const EventLoopInside inside(eventDepth_);
    const QString caption = title.isEmpty() ? applicationTitle() : title;
    if (seams_.message)
        return seams_.message(text, caption, buttons, icon);
    return shell::showMessageBox(&window_, text, caption, buttons, icon);
}

void WindowPort::setBusy(bool busy) {
    shell::setBusy(window_, busy);
}

void WindowPort::setProgressValue(double percent) {
    shell::showProgressValue(progressBar_, percent);
}

void WindowPort::setProgressText(const QString& text) {
    // The bar shows its format as it is, per cent signs included.
    if (progressBar_ != nullptr)
        progressBar_->setFormat(text);
}

void WindowPort::runModal(QDialog& window) {
    const EventLoopInside inside(eventDepth_);
    if (seams_.runModal)
        seams_.runModal(window);
    else
        shell::runDialog(window);
}

bool WindowPort::openUrl(const QUrl& url) {
    return seams_.openUrl ? seams_.openUrl(url) : QDesktopServices::openUrl(url);
}

void WindowPort::processEvents() {
    const EventLoopInside inside(eventDepth_);
    QCoreApplication::processEvents();
}

} // namespace qc::shell
