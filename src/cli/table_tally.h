#pragma once
// The progress of a run as it goes, from the run's own figures: on a terminal one line per table
// redrawn in place a few times a second, otherwise one line per table when it ends; and, once the
// run has returned (or been stopped), the summary of its result. With several jobs, a terminal
// shows one line per table being converted and a total line under them, all redrawn in place.

#include "cli/unfinished_marks.h"
#include "engine/run_observer.h"
#include "engine/run_result.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace qc::cli {

// One table of the summary: what the run did with it, and of a kept table what the target holds.
struct TableFigures {
    engine::TableResult result;
    std::optional<std::int64_t> held; // the records the target's table holds
    bool unfinished = false;          // a run left the target's table unfinished
};

class TableTally : public engine::RunObserver {
  public:
    // Progress goes to `out`; `terminal` says whether it is one.
    TableTally(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    // Several tables at once (engine/table_jobs.h), of `tables` in all; the calls that follow
    // come one at a time, each naming its table.
    void showJobs(int tables);

    void tableStarted(const engine::TableResult& table) override;
    void tableKept(const engine::TableResult& table) override;
    void rowDone(const engine::TableResult& table) override;
    void tableEnded(const engine::TableResult& table) override;

    // Takes the tables of the run's result (as it stands, when the run was stopped) for the summary.
    void takeResult(const engine::RunResult& result);
    // Takes the source's row count of each table the run did not read (kept, not attempted,
    // refused before it was read) from `count`, which gives nullopt when none can be taken.
    void countUnread(const std::function<std::optional<std::int64_t>(const data::SourceTable&)>& count);
    // Takes from the target what each kept table holds, and whether a run left it unfinished.
    void inspectKept(const UnfinishedMarks& marks);

    // Redraws the progress line when the last redraw is old enough (terminal only).
    void refresh();
    // Outside a table (a script being executed): the port's progress text, drawn in place in the
    // same way (terminal only).
    void status(const QString& text);
    // execute: the statement about to be executed, of how many; drawn in place on a terminal,
    // otherwise printed now and then, so that the output of a run that was killed says how far
    // it came. The port's own progress texts give way to it.
    void statementReached(int statement, int count);
    // Ends a progress line drawn in place, so that other output starts on a line of its own.
    void breakLine();
    // How many times the progress line was drawn.
    int redraws() const { return redraws_; }

    // The tables of the summary, as taken from the run's result.
    const std::vector<TableFigures>& tables() const { return tables_; }
    // True when a kept table is one a run left unfinished.
    bool anyUnfinished() const;
    // The closing summary.
    void printSummary(std::FILE* out) const;

  private:
    static QString keptNote(const TableFigures& figures);
    QString progressText() const;
    static QString progressText(const engine::TableResult& t, std::chrono::steady_clock::time_point started);
    // Several jobs: the lines of the tables being converted and the total line.
    QString jobsText() const;
    void eraseJobs();
    // True on a terminal once the last redraw is old enough.
    bool due() const;
    void draw(const QString& text);
    void redraw(const QString& text); // draws and flushes

    std::FILE* out_;
    bool terminal_;
    std::vector<TableFigures> tables_;
    // The table the run is on, from its start to its end; the run keeps it in place meanwhile.
    const engine::TableResult* current_ = nullptr;
    bool lineOpen_ = false;   // a progress line is drawn and not yet ended
    bool statements_ = false; // statementReached() tells the progress
    int redraws_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
    // Several jobs: the tables being converted, in the order they started, with their starts.
    struct Running {
        const engine::TableResult* table;
        std::chrono::steady_clock::time_point started;
    };
    bool jobs_ = false;
    std::vector<Running> running_;
    int tableCount_ = 0;
    int tablesEnded_ = 0;
    std::int64_t rowsEnded_ = 0; // read by the tables that ended
    int linesDrawn_ = 0;         // of the lines drawn in place, those above the last
    std::chrono::steady_clock::time_point runStarted_;
};

} // namespace qc::cli
