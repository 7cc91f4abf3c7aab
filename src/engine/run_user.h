#pragma once
// Who a conversion run works for: the main window, the command line or a test. The run's steps
// speak through the user's port (message boxes, error reports, the busy pointer, progress,
// letting events through); what the run needs back from its user goes through the calls here,
// so no user has to recognise the run's texts.

#include "preview/preview_session.h"
#include "shell/ui_port.h"

#include <QString>

namespace qc::engine {

// The question put when the target already has the table.
inline QString overwriteQuestion(const QString& table) {
    return QStringLiteral("Would you like to overwrite ") + table + QStringLiteral("?");
}

class RunUser {
  public:
    virtual ~RunUser() = default;

    virtual UiPort& port() = 0;

    // The target already has `table`: true replaces it, false keeps it. By default the user is
    // asked in a Yes/No box.
    virtual bool overwrite(const QString& table) {
        return port().message(overwriteQuestion(table), QStringLiteral("Overwrite?"), Buttons::YesNo,
                              Icon::None) == Answer::Yes;
    }

    // Shows the statements the run collected, per table or once at the end, and returns how the
    // user left them. The session lends the run's lists on the terms `PreviewSession` states.
    virtual preview::PreviewExit preview(preview::PreviewSession& session) = 0;

    // Every table has been dealt with and the connections are closed. By default "Done.".
    virtual void runEnded() { port().message(QStringLiteral("Done.")); }
};

} // namespace qc::engine
