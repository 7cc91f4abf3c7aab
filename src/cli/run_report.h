#pragma once
// The result of a conversion or a verification as a file a scheduled job can keep: what the summary shows,
// per table and for the whole run, as JSON.

#include "cli/table_tally.h"
#include "engine/run_result.h"
#include "verify/table_verdict.h"

#include <QString>

#include <vector>

namespace qc::cli {

// Empty when `path` can be written at the end of a run; else why not, for the user.
QString reportPathProblem(const QString& path);

// Writes the report whole or not at all: an older file stays until the new one is complete.
// Throws std::runtime_error, naming the file, when it cannot be written.
// `verdicts`: of the tables compared with their source after converting them (--verify).
void writeRunReport(const QString& path, const engine::RunResult& result,
                    const std::vector<TableFigures>& tables, int exitStatus,
                    const std::vector<verify::TableVerdict>& verdicts = {});

// The same for a verification: each table's verdict, its counts and the first differences.
void writeVerifyReport(const QString& path, const std::vector<verify::TableVerdict>& verdicts,
                       int exitStatus);

} // namespace qc::cli
