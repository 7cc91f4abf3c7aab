#pragma once
// The one way logic reaches the user: message boxes, the busy pointer, the progress bar, letting
// pending window events through and showing the SQL preview. The Qt windows implement it; tests
// implement it with a script of answers and a record of what was shown.

#include "shell/settings_writer.h"

#include <QString>

#include <chrono>

namespace qc {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Exclamation };

// Numbered as the message box results that callers compare against (6 = Yes, 7 = No).
enum class Answer { Ok = 1, Yes = 6, No = 7 };

// How the user left the SQL preview.
enum class PreviewExit {
    Executed,     // every statement ran ("Execute SQL" to the end)
    TableSkipped, // "Skip Table / Do Not Execute SQL"
    WentBack,     // "< Back", or the window was closed
};

namespace preview {
struct PreviewSession;
}

class UiPort {
  public:
    virtual ~UiPort() = default;

    // Shows a modal message box and returns the button pressed. An empty title means the
    // application title.
    virtual Answer message(const QString& text, const QString& title = {}, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::None) = 0;

    // The hourglass on the window (true) or the default pointer (false).
    virtual void setBusy(bool busy) = 0;
    virtual void setProgressValue(double percent) = 0;
    virtual void setProgressText(const QString& text) = 0;

    // Shows the SQL preview of the session over this port's window and returns once the user
    // has left it.
    virtual PreviewExit showSqlPreview(preview::PreviewSession& session) = 0;

    // Lets pending window events through, at most once per interval: long loops call this per
    // row and per value, so the windows stay responsive without the loop's speed depending on it.
    // True when events were let through on this call: loops refresh their progress display then.
    bool letEventsThrough();
    void setEventInterval(std::chrono::microseconds interval) { interval_ = interval; }

    // How the windows of this port write their settings: a file that cannot be written is
    // reported once, not at every keystroke.
    SettingsWriter settings;

  protected:
    virtual void processEvents() = 0;

  private:
    std::chrono::microseconds interval_{std::chrono::milliseconds(15)};
    std::chrono::steady_clock::time_point last_{};
    // The clock is asked only every stride_ calls; the stride follows the loop's pace.
    std::chrono::steady_clock::time_point lastAsked_{};
    int stride_ = 1;
    int untilAsked_ = 0;
};

// The title of every message box that names no title of its own.
QString applicationTitle();

// Message texts break lines with CR LF or a lone CR, as the old program's boxes did; a box or a
// terminal breaks them at LF.
QString withNewlines(QString text);

} // namespace qc
