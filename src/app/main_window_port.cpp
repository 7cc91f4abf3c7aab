#include "app/main_window_port.h"

#include "preview/ui/preview_window.h"

namespace qc::app {

PreviewExit MainWindowPort::showSqlPreview(preview::PreviewSession& session) {
    preview::ui::PreviewWindow dialog(session, &window());
    runModal(dialog);
    return dialog.exit();
}

} // namespace qc::app
