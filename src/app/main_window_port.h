#pragma once
// The main window's port: the window port that also shows the SQL preview of a run.

#include "shell/ui/window_port.h"

namespace qc::app {

class MainWindowPort : public shell::WindowPort {
  public:
    using WindowPort::WindowPort;

    // Shows the preview window over the main window and returns how the user left it.
    PreviewExit showSqlPreview(preview::PreviewSession& session) override;
};

} // namespace qc::app
