#pragma once
// Script execution: what "Execute SQL" does. Sends the lines of the SQL line list one by one to
// the FoxPro connection, shows progress, and stops at the first line whose failure reads as an
// SQL error, selecting that line and keeping its error for the window.

#include "app/ui_port.h"
#include "data/db_access.h"
#include "preview/sql_line_list.h"

#include <QString>

#include <functional>

namespace qc::preview {

// True when the description holds "SQLException", "SQL error" or "unsuccessful metadata", in any
// letter case.
bool isSqlError(const QString& description);

enum class ScriptOutcome {
    NothingToRun,   // empty list: "No SQL to run."
    StoppedAtError, // an SQL error: the line is selected, "Error found."
    Completed,      // every line went through: SQLFormOK is set, the window is to close
};

// What a run reads and writes besides the line list and the port.
struct ScriptRun {
    SqlLineList& lines;
    // The open FoxPro connection; null counts as a connection that fails every statement.
    data::Connection* connection = nullptr;
    bool& sqlFormOk;
    // The line of the last SQL error (the window's ErrorLineIndex).
    int& errorLineIndex;
    // Puts an SQL error's description into the window's error box.
    std::function<void(const QString&)> showErrorText;
};

// Runs the script (Form2.PushButton1_Click, without the window's closing step). Progress is
// shown on the passes where the port lets events through, and for the last line, so a long
// script's speed does not hang on the progress bar.
ScriptOutcome executeScript(const ScriptRun& run, UiPort& ui);

} // namespace qc::preview
