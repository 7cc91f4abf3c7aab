#pragma once
// The user-interface port of one window: real message boxes owned by the window, the hourglass on
// it, its progress bar, and modal windows opened on request. Message boxes go through a function
// that tests replace with answers of their own.

#include "app/ui/look/window_feedback.h"
#include "app/ui_port.h"

#include <QString>

#include <functional>

class QProgressBar;
class QWidget;

namespace qc::app::ui {

// The real message box, the default of every window's port.
using look::showMessageBox;

class WindowPort : public UiPort {
  public:
    using MessageBoxFunction =
        std::function<Answer(QWidget* owner, const QString& text, const QString& title, Buttons, Icon)>;

    // `progress` may be null for a window without a progress bar; `showPreview` shows the SQL
    // preview the logic asks for.
    WindowPort(QWidget& window, QProgressBar* progress,
               std::function<PreviewExit(preview::PreviewSession&)> showPreview);

    Answer message(const QString& text, const QString& title = {}, Buttons buttons = Buttons::Ok,
                   Icon icon = Icon::None) override;
    void setBusy(bool busy) override;
    void setProgressValue(double percent) override;
    void setProgressText(const QString& text) override;
    PreviewExit showSqlPreview(preview::PreviewSession& session) override;

    // Shows a window of the program over this one until it finishes; see look::runDialog.
    int runDialog(QDialog& dialog);

    // True while the logic is letting pending events through, or waits for a message box or
    // another window.
    bool lettingEventsThrough() const { return eventDepth_ > 0; }

    MessageBoxFunction messageBox = showMessageBox;

  protected:
    void processEvents() override;

  private:
    QWidget& window_;
    QProgressBar* progress_;
    std::function<PreviewExit(preview::PreviewSession&)> showPreview_;
    int eventDepth_ = 0;
};

} // namespace qc::app::ui
