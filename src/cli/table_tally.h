#pragma once
// The figures of each table of a run (the source's rows; rows read, written and refused, the first
// refusal; kept or not attempted),
// kept as the run reports them, and the progress shown while it goes: on a terminal one line per
// table redrawn in place a few times a second, otherwise one line per table when it ends.

#include "cli/unfinished_marks.h"
#include "engine/run_observer.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace qc::cli {

struct TableFigures {
    QString name;
    std::int64_t expected = -1; // -1 until the source says
    std::int64_t read = 0;
    std::int64_t written = 0;
    std::int64_t refused = 0;
    QString firstRefusal;
    bool kept = false;         // the target had it and it was not overwritten
    bool tableRefused = false; // the target refused the table, or stopped taking its rows
    bool notAttempted = false; // the run ended before it came to the table
    // Of a kept table: the records the target's holds, and whether a run left it unfinished.
    std::optional<std::int64_t> held;
    bool unfinished = false;
};

class TableTally : public engine::RunObserver {
  public:
    // Progress goes to `out`; `terminal` says whether it is one.
    TableTally(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    void tableStarted(const QString& table) override;
    void tableKept(const QString& table) override;
    void rowsExpected(std::int64_t total) override;
    void rowDone(const QString& refusal) override;
    void tableRefused(const QString& reason) override;
    void tableEnded() override;
    void tableNotAttempted(const QString& table) override;

    // Takes the source's row count of each table the run did not read (kept, not attempted,
    // refused before it was read) from `count`, which gives nullopt when none can be taken.
    void countUnread(const std::function<std::optional<std::int64_t>(const QString&)>& count);
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

    const std::vector<TableFigures>& tables() const { return tables_; }
    // True when a row or a table was refused.
    bool anyRefused() const;
    // True when a kept table is one a run left unfinished.
    bool anyUnfinished() const;
    // The closing summary.
    void printSummary(std::FILE* out) const;

  private:
    static QString keptNote(const TableFigures& t);
    QString progressText() const;
    // True on a terminal once the last redraw is old enough.
    bool due() const;
    void draw(const QString& text);
    void redraw(const QString& text); // draws and flushes

    std::FILE* out_;
    bool terminal_;
    std::vector<TableFigures> tables_;
    bool inTable_ = false;
    bool lineOpen_ = false;   // a progress line is drawn and not yet ended
    bool statements_ = false; // statementReached() tells the progress
    int redraws_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
};

} // namespace qc::cli
