#include "preview/ui/preview_window.h"

namespace qc::preview::ui {

// Placeholder until the preview window is built: shows nothing but its caption.
Form2::Form2(engine::MainForm& form, QWidget* owner) : QDialog(owner), form_(form) {
    setWindowTitle(QStringLiteral("SQL Preview - Marravex"));
}

} // namespace qc::preview::ui
