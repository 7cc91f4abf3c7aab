#pragma once
// The uniform error trap of every trapped procedure: a failing step is reported with the
// procedure's location and the step's line number, and the procedure goes on with its next step.

#include "shell/ui_port.h"

#include <QString>

#include <exception>
#include <type_traits>
#include <utility>

namespace qc {

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

// A step's line number, given as a number or as a procedure's named step.
template <class Line>
concept StepLine = std::is_same_v<Line, int> || std::is_enum_v<Line>;

class ErrorTrap {
  public:
    ErrorTrap(UiPort& ui, QString window, QString procedure)
        : ui_(ui), window_(std::move(window)), procedure_(std::move(procedure)) {}

    // Runs one numbered step; a failure is reported and the caller goes on.
    template <StepLine Line, class F> void step(Line line, F&& f) {
        try {
            std::forward<F>(f)();
        } catch (...) {
            report(line, currentFailureText());
        }
    }

    // Runs the numbered test of a condition; a failing test counts as true, so the guarded
    // steps run as the resume-next rule has it.
    template <StepLine Line, class F> bool test(Line line, F&& f) {
        try {
            return std::forward<F>(f)();
        } catch (...) {
            report(line, currentFailureText());
        }
        return true;
    }

    template <StepLine Line> void report(Line line, const QString& description) {
        ui_.report({description, window_, procedure_, static_cast<int>(line)});
    }

    UiPort& ui() { return ui_; }

  private:
    UiPort& ui_;
    QString window_;
    QString procedure_;
};

} // namespace qc
