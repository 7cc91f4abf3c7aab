#pragma once
// What a verification finds, as it goes: on a terminal one line per table redrawn in place with
// the rows read so far; for every table a line with its verdict, and under it the first rows that
// differ or that the mapping cannot hold; and at the end the summary of every table.

#include "verify/verify_run.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <vector>

namespace qc::cli {

class VerifyTally : public verify::VerifyObserver {
  public:
    // `letEventsThrough` is called with every progress report (a Ctrl-C is noticed there).
    VerifyTally(std::FILE* out, bool terminal, std::function<void()> letEventsThrough)
        : out_(out), terminal_(terminal), letEventsThrough_(std::move(letEventsThrough)) {}

    void tableStarted(const verify::TableVerdict& table) override;
    void tableProgress(const verify::TableVerdict& table) override;
    void tableEnded(const verify::TableVerdict& table) override;

    const std::vector<verify::TableVerdict>& verdicts() const { return verdicts_; }
    // Puts the verdicts in the order of `tables` (the run's), as jobs may end them in another.
    void orderLike(const std::vector<data::SourceTable>& tables);
    // True when every table is there with every row as the mapping makes it.
    bool allClean() const;
    void printSummary(std::FILE* out) const;

  private:
    void draw(const QString& text);
    void breakLine();

    std::FILE* out_;
    bool terminal_;
    std::function<void()> letEventsThrough_;
    std::vector<verify::TableVerdict> verdicts_;
    bool lineOpen_ = false;
    std::chrono::steady_clock::time_point drawn_;
};

// The verdict in a few words, as the summary's last column and the report's "result" give it.
QString verdictWord(const verify::TableVerdict& verdict);

} // namespace qc::cli
