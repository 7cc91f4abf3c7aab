#pragma once
// The SQL Preview mode choice of the main window.

namespace qc::engine {

enum class PreviewChoice {
    Off,      // the statements are executed at once
    PerFile,  // collected and shown once every table is done ("Show SQL Preview For Each File")
    PerTable, // collected and shown after each table ("Show SQL Preview For Each Table")
};

} // namespace qc::engine
