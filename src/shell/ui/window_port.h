#pragma once
// The user-interface port of one window: its message boxes, the hourglass on it, its progress bar
// and the windows it shows over itself. Tests replace the message boxes, the modal loops and the
// desktop's address opener through the seams, so windows run without anyone at the screen.

#include "shell/ui_port.h"

#include <QString>
#include <QUrl>

#include <functional>

class QDialog;
class QProgressBar;
class QWidget;

namespace qc::shell {

struct WindowSeams {
    // Answers a message box instead of showing it.
    std::function<Answer(const QString& text, const QString& title, Buttons buttons, Icon icon)> message;
    // Runs a window instead of showing it until it finishes.
    std::function<void(QDialog& window)> runModal;
    // Receives an address instead of the desktop's launcher; false: no launcher started.
    std::function<bool(const QUrl& url)> openUrl;
};

class WindowPort : public UiPort {
  public:
    // The seams are read at each use, so a window's owner may set them after creating it.
    // `progressBar` may be null for a window without one.
    WindowPort(QWidget& window, const WindowSeams& seams, QProgressBar* progressBar = nullptr);

    Answer message(const QString& text, const QString& title = {}, Buttons buttons = Buttons::Ok,
                   Icon icon = Icon::None) override;
    void setBusy(bool busy) override;
    void setProgressValue(double percent) override;
    void setProgressText(const QString& text) override;

    // Shows a window of the program over this one until it finishes; see shell::runDialog.
    void runModal(QDialog& window);
    // Hands the address to the desktop's launcher; false when it could not start one.
    bool openUrl(const QUrl& url);

    // True while the logic is letting pending events through, or waits for a message box or
    // another window: the window may be closed from inside such a loop.
    bool lettingEventsThrough() const { return eventDepth_ > 0; }

  protected:
    void processEvents() override;
    QWidget& window() const { return window_; }

  private:
    QWidget& window_;
    const WindowSeams& seams_;
    QProgressBar* progressBar_;
    int eventDepth_ = 0;
};

} // namespace qc::shell
