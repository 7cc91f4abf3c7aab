#pragma once
// What a conversion run did: per table, what the source held and what became of its rows, and
// how the whole run ended. The command line's summary and exit status are made from it.

#include "data/source_table.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace qc::engine {

struct TableResult {
    enum class Fate {
        Converted,    // its statements were made (executed, or collected in SQL Preview mode)
        Kept,         // the target had it and the user chose to keep it
        NotAttempted, // the run ended before it came to the table
    };

    data::SourceTable table;
    Fate fate = Fate::Converted;
    std::int64_t sourceRows = -1; // as the source counted them when the query opened; -1 unknown
    std::int64_t read = 0;
    std::int64_t written = 0; // taken by the target, or collected in SQL Preview mode
    std::int64_t refused = 0;
    bool allRead = false;      // the source had no rows left
    bool tableRefused = false; // given up: not built, its DROP or CREATE refused, or its rows stopped
    QString firstRefusal;      // the first refusal's description, of a row or of the table

    QString name() const { return table.shownName(); }
};

enum class RunEnd {
    Completed,
    AlreadyRunning,    // a run was under way: this one did nothing
    TargetUnreachable, // the FoxPro target cannot be opened: nothing was done
    SourceUnreachable, // the SQL Server database cannot be reached: nothing was done
    TargetRefused,     // the target stopped taking anything: later tables were not attempted
    SourceLost,        // the source's connection was lost (or never opened): as above
    WentBack,          // a preview was left with "< Back" (or closed)
};

struct RunResult {
    RunEnd end = RunEnd::Completed;
    std::vector<TableResult> tables;
    // Error reports shown while the run went on, its own and those of the steps it called.
    int reports = 0;

    // True when the run could not start, reported a failure, or a table or row was refused.
    bool anyFailure() const {
        if (end == RunEnd::TargetUnreachable || end == RunEnd::SourceUnreachable || reports > 0)
            return true;
        for (const TableResult& t : tables)
            if (t.refused > 0 || t.tableRefused)
                return true;
        return false;
    }
};

} // namespace qc::engine
