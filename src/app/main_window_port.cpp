#include "app/main_window_port.h"

#include "preview/ui/preview_window.h"

namespace qc::app {

preview::PreviewExit MainWindowPort::preview(preview::PreviewSession& session) {
    preview::ui::PreviewWindow dialog(session, &window());
    runModal(dialog);
    return dialog.exit();
}

} // namespace qc::app
