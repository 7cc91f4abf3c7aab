#include "preview/ui/window_port.h"

#include "app/ui/look/look.h"
#include "app/ui/look/window_feedback.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>

namespace qc::preview::ui {

WindowPort::WindowPort(QWidget& window, const WindowSeams& seams, look::TextProgressBar* progressBar)
    : window_(window), seams_(seams), progressBar_(progressBar) {}

Answer WindowPort::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    const QString caption = title.isEmpty() ? applicationTitle() : title;
    if (seams_.message)
        return seams_.message(text, caption, buttons, icon);
    return look::showMessageBox(&window_, text, caption, buttons, icon);
}

void WindowPort::setBusy(bool busy) {
    look::setBusy(window_, busy);
}

void WindowPort::setProgressValue(double percent) {
    look::showProgressValue(progressBar_, percent);
}

void WindowPort::setProgressText(const QString& text) {
    // The bar shows its format as it is, per cent signs included.
    if (progressBar_ != nullptr)
        progressBar_->setFormat(text);
}

PreviewExit WindowPort::showSqlPreview(PreviewSession&) {
    return PreviewExit::WentBack;
}

void WindowPort::runModal(QDialog& child) {
    if (seams_.runModal)
        seams_.runModal(child);
    else
        look::runDialog(child);
}

bool WindowPort::openUrl(const QUrl& url) {
    if (!seams_.openUrl)
        return QDesktopServices::openUrl(url);
    seams_.openUrl(url);
    return true;
}

void WindowPort::processEvents() {
    QCoreApplication::processEvents();
}

} // namespace qc::preview::ui
