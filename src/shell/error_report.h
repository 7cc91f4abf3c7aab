#pragma once
// What a trapped procedure tells the user when one of its steps fails.

#include <QString>

namespace qc {

// The address that error reports ask the user to write to.
inline constexpr const char* kDeveloperEmail = "bugs@marravex.example.org";

// A failing step of a trapped procedure: what failed, and where ("in <window>.<procedure> at line
// <line>"), so the user's report names the step.
struct ErrorReport {
    QString description;
    QString window;
    QString procedure;
    int line = 0;

    // The report's text: description, CR LF, location, line, CR CR, the request for a screenshot.
    QString text() const;
};

} // namespace qc
