#pragma once
// Script execution: what "Execute SQL" does. Sends the lines of the SQL line list one by one to
// the FoxPro connection, shows progress, and stops at the first line whose failure reads as an
// SQL error, selecting that line and keeping its error for the window.

#include "data/db_access.h"
#include "preview/sql_line_list.h"
#include "shell/ui_port.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace qc::preview {

// True when the description holds "SQLException", "SQL error" or "unsuccessful metadata", in any
// letter case.
bool isSqlError(const QString& description);

enum class ScriptOutcome {
    NothingToRun,   // empty list: "No SQL to run."
    Cancelled,      // the user chose not to go on after changes to lines already executed
    StoppedAtError, // an SQL error: the line is selected, "Error found."
    Completed,      // every line went through: the window is to close
};

// Where the next run of the same list starts. Lines before the one that stopped a run have been
// executed already: sending them again would fail at the first CREATE TABLE ("already exists")
// or add their rows a second time.
struct ResumePoint {
    int line = 0; // the line that stopped the last run; 0 = start at line 1
    // What lines 1 to line - 1 held at the stop, to tell whether they were changed since.
    std::uint64_t earlierLines = 0;
};

// What a run reads and writes besides the line list and the port.
struct ScriptRun {
    SqlLineList& lines;
    // The open FoxPro connection; null counts as a connection that fails every statement.
    data::Connection* connection = nullptr;
    // The line of the last SQL error (the window's errorLine()).
    int& errorLineIndex;
    // Puts an SQL error's description into the window's error box.
    std::function<void(const QString&)> showErrorText;
    // Set at a stop and read by the next run; the owner resets it when the list is refilled.
    // Without one, every run starts at line 1.
    ResumePoint* resume = nullptr;
    // Told the number of each statement just before it is executed; none by default.
    std::function<void(int)> reached = {};
    // False for a caller that tells an SQL error its own way, instead of the "Error found." box.
    bool sayErrorFound = true;
};

// Runs the script (what the preview window's "Execute SQL" does, short of closing the window),
// from line 1 or from the line that stopped the last run; when lines before that one changed
// since the stop, asks first whether to go on, since those changes will not be sent. Progress is
// shown on the passes where the port lets events through, and for the last line, so a long
// script's speed does not hang on the progress bar.
ScriptOutcome executeScript(const ScriptRun& run, UiPort& ui);

} // namespace qc::preview
