#pragma once
// The one way logic reaches the user: message boxes, error reports, the busy pointer, the
// progress bar and letting pending window events through. The Qt windows and the command line
// implement it; tests implement it with a script of answers and a record of what was shown.

#include "shell/error_report.h"

#include <QString>

#include <chrono>

namespace qc {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Exclamation };

// Numbered as the message box results that callers compare against (6 = Yes, 7 = No).
enum class Answer { Ok = 1, Yes = 6, No = 7 };

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

    // Tells the user of a failing step and returns once they have seen it.
    void report(const ErrorReport& report) {
        ++reportsMade_;
        showReport(report);
    }
    // How many reports this port was given: a caller learns from it whether everything went well.
    int reportsMade() const { return reportsMade_; }

    // Lets pending window events through, at most once per interval: long loops call this per
    // row and per value, so the windows stay responsive without the loop's speed depending on it.
    // True when events were let through on this call: loops refresh their progress display then.
    bool letEventsThrough();
    void setEventInterval(std::chrono::microseconds interval) { interval_ = interval; }

  protected:
    virtual void processEvents() = 0;
    // By default the "Application Error" box (exclamation icon, OK).
    virtual void showReport(const ErrorReport& report);

  private:
    std::chrono::microseconds interval_{std::chrono::milliseconds(15)};
    std::chrono::steady_clock::time_point last_{};
    // The clock is asked only every stride_ calls; the stride follows the loop's pace.
    std::chrono::steady_clock::time_point lastAsked_{};
    int stride_ = 1;
    int untilAsked_ = 0;
    int reportsMade_ = 0;
};

} // namespace qc
