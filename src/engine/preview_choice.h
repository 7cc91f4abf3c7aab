#pragma once
// The SQL Preview mode choices of the main window.

namespace qc::engine {

struct PreviewChoice {
    // The statements are collected and shown instead of being executed at once.
    bool enabled = false;
    // One preview once every table is done ("Show SQL Preview For Each File").
    bool afterAllTables = true;
    // One preview after each table ("Show SQL Preview For Each Table").
    bool afterEachTable = false;
};

} // namespace qc::engine
