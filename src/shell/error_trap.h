#pragma once
// The uniform error trap of every trapped procedure: a failing step is reported with the
// procedure's location and the step's line number, and the procedure goes on with its next step.

#include "shell/ui_port.h"

#include <QString>

#include <exception>
#include <utility>

namespace qc {

// The address that error reports ask the user to write to.
inline constexpr const char* kDeveloperEmail = "bugs@marravex.example.org";

// The report's text: description, CR LF, location, line, CR CR, the request for a screenshot.
QString errorReportText(const QString& description, const QString& window, const QString& procedure,
                        int line);

// Shows the report ("Application Error", exclamation icon, OK) and returns when it is closed.
void showErrorReport(UiPort& ui, const QString& description, const QString& window, const QString& procedure,
                     int line);

// What the failure being handled is described as: the exception's own text, or "Unknown error."
// for anything that is not a std::exception. Call only inside a catch handler.
inline QString currentFailureText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

class ErrorTrap {
  public:
    ErrorTrap(UiPort& ui, QString window, QString procedure)
        : ui_(ui), window_(std::move(window)), procedure_(std::move(procedure)) {}

    // Runs one numbered step; a failure is reported and the caller goes on.
    template <class F> void step(int line, F&& f) {
        try {
            std::forward<F>(f)();
        } catch (...) {
            report(line, currentFailureText());
        }
    }

    // Runs the numbered test of a condition; a failing test counts as true, so the guarded
    // steps run as the resume-next rule has it.
    template <class F> bool test(int line, F&& f) {
        try {
            return std::forward<F>(f)();
        } catch (...) {
            report(line, currentFailureText());
        }
        return true;
    }

    void report(int line, const QString& description) {
        showErrorReport(ui_, description, window_, procedure_, line);
    }

    UiPort& ui() { return ui_; }

  private:
    UiPort& ui_;
    QString window_;
    QString procedure_;
};

} // namespace qc
