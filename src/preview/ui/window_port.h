#pragma once
// How a preview window reaches the user: its message boxes, its pointer, its progress bar and
// the child windows it shows modally. Tests replace the message boxes, the modal loops and the
// desktop's URL opener through the seams, so windows run without anyone at the screen.

#include "app/ui_port.h"

#include <QString>
#include <QUrl>

#include <functional>

class QDialog;
class QWidget;

namespace qc::look {
class TextProgressBar;
}

namespace qc::preview::ui {

struct WindowSeams {
    // Answers a message box instead of showing it.
    std::function<Answer(const QString& text, const QString& title, Buttons buttons, Icon icon)> message;
    // Runs a child window instead of its modal event loop.
    std::function<void(QDialog& window)> runModal;
    // Receives an address instead of the desktop's launcher (whether the desktop names an
    // application for it is still asked).
    std::function<void(const QUrl& url)> openUrl;
};

class WindowPort : public UiPort {
  public:
    // The seams are read at each use, so a window's owner may set them after creating it.
    WindowPort(QWidget& window, const WindowSeams& seams, look::TextProgressBar* progressBar = nullptr);

    Answer message(const QString& text, const QString& title = {}, Buttons buttons = Buttons::Ok,
                   Icon icon = Icon::None) override;
    void setBusy(bool busy) override;
    void setProgressValue(double percent) override;
    void setProgressText(const QString& text) override;
    // A preview window shows no preview of its own: the answer is going back.
    PreviewExit showSqlPreview(PreviewSession& session) override;

    // Shows a child window modally, owned by this port's window.
    void runModal(QDialog& child);
    // Hands the address to the desktop's launcher; false when it could not start one.
    bool openUrl(const QUrl& url);

  protected:
    void processEvents() override;

  private:
    QWidget& window_;
    const WindowSeams& seams_;
    look::TextProgressBar* progressBar_;
};

} // namespace qc::preview::ui
