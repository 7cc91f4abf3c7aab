#include "app/ui/window_port.h"

#include "app/ui/look/look.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace qc::app::ui {

Answer showMessageBox(QWidget* owner, const QString& text, const QString& title, Buttons buttons, Icon icon) {
    // The texts break lines with CR LF or a lone CR; the box breaks lines at LF.
    const QString shown = QString(text)
                              .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                              .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, shown,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    const int pressed = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    // Closing a question without a button counts as No, the answer that changes nothing.
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

WindowPort::WindowPort(QWidget& window, QProgressBar* progress, std::function<void(ModalWindow)> openModal)
    : window_(window), progress_(progress), openModal_(std::move(openModal)) {}

Answer WindowPort::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    return messageBox(&window_, text, title.isEmpty() ? applicationTitle() : title, buttons, icon);
}

void WindowPort::setBusy(bool busy) {
    look::setBusy(window_, busy);
}

void WindowPort::setProgressValue(double percent) {
    if (progress_ && std::isfinite(percent))
        progress_->setValue(static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0))));
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
