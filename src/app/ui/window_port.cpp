#include "app/ui/window_port.h"

#include "app/ui/look/look.h"
#include "app/ui/look/window_feedback.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace qc::app::ui {

WindowPort::WindowPort(QWidget& window, QProgressBar* progress, std::function<void(ModalWindow)> openModal)
    : window_(window), progress_(progress), openModal_(std::move(openModal)) {}

Answer WindowPort::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    // The box runs an event loop of its own: the window may be closed from inside it.
    ++eventDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{eventDepth_};
    return messageBox(&window_, text, title.isEmpty() ? applicationTitle() : title, buttons, icon);
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

void WindowPort::showModal(ModalWindow window) {
    if (openModal_)
        openModal_(window);
}

void WindowPort::processEvents() {
    ++eventDepth_;
    QCoreApplication::processEvents();
    --eventDepth_;
}

} // namespace qc::app::ui
