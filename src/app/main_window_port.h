#pragma once
// The main window's port: the window port the conversion run works for, which shows the run's
// SQL preview over the main window.

#include "engine/run_user.h"
#include "shell/ui/window_port.h"

namespace qc::app {

class MainWindowPort : public shell::WindowPort, public engine::RunUser {
  public:
    using WindowPort::WindowPort;

    UiPort& port() override { return *this; }
    // Shows the preview window over the main window and returns how the user left it.
    preview::PreviewExit preview(preview::PreviewSession& session) override;
};

} // namespace qc::app
