#include "app/ui/window_port.h"

#include "app/ui/look/look.h"
#include "app/ui/look/window_feedback.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace qc::app::ui {

WindowPort::WindowPort(QWidget& window, QProgressBar* progress,
                       std::function<PreviewExit(preview::PreviewSession&)> showPreview)
    : window_(window), progress_(progress), showPreview_(std::move(showPreview)) {}

namespace {
// Counts an event loop that runs inside the logic, however it ends.
struct EventLoopInside {
    explicit EventLoopInside(int& depth) : depth(depth) { ++depth; }
    ~EventLoopInside() { --depth; }
    int& depth;
};
} // namespace

Answer WindowPort::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    // The box runs an event loop of its own: the window may be closed from inside it.
    const EventLoopInside inside(eventDepth_);
    return messageBox(&window_, text, title.isEmpty() ? applicationTitle() : title, buttons, icon);
}

int WindowPort::runDialog(QDialog& dialog) {
    const EventLoopInside inside(eventDepth_);
    return look::runDialog(dialog);
}

void WindowPort::setBusy(bool busy) {
    look::setBusy(window_, busy);
}

void WindowPort::setProgressValue(double percent) {
    look::showProgressValue(progress_, percent);
}

void WindowPort::setProgressText(const QString& text) {
    if (progress_)
        progress_->setFormat(text);
}

PreviewExit WindowPort::showSqlPreview(preview::PreviewSession& session) {
    return showPreview_ ? showPreview_(session) : PreviewExit::WentBack;
}

void WindowPort::processEvents() {
    const EventLoopInside inside(eventDepth_);
    QCoreApplication::processEvents();
}

} // namespace qc::app::ui
