#pragma once
// Which tables a run left unfinished. A table the run creates is marked by a hidden empty file
// beside its .dbf (".name.dbf.unfinished") until its last source row is in, so a run killed or
// stopped by Ctrl-C half-way leaves the mark behind, and a later run that keeps the table can
// tell that it holds only part of its source. The table's own files stay as FoxPro writes them.

#include "data/foxpro_target.h"
#include "data/source_table.h"
#include "engine/run_observer.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace qc::cli {

class UnfinishedMarks : public engine::RunObserver {
  public:
    // `tables`: the run's source listing, which maps the names the run tells to FoxPro names.
    UnfinishedMarks(const data::FoxProTarget& target, const data::SourceTables& tables)
        : target_(target), tables_(tables) {}

    void tableStarted(const QString& table) override;
    void tableCreating() override;
    void rowDone(const QString& refusal) override;
    void allRowsRead() override;
    void tableRefused(const QString& reason) override;
    void tableEnded() override;

    // True when the target's table of that (shown) name carries the mark.
    bool unfinished(const QString& table) const;
    // The records the target's table of that (shown) name holds, from its header; nullopt when
    // it cannot be read.
    std::optional<std::int64_t> records(const QString& table) const;

  private:
    // The target's .dbf of the table, found in any letter case; the lower-case name when there is none.
    std::filesystem::path tableFile(const QString& table) const;
    std::filesystem::path markOf(const QString& table) const;

    const data::FoxProTarget& target_;
    const data::SourceTables& tables_;
    QString current_;
    bool marked_ = false;
    bool anyRow_ = false;
    bool allRead_ = false;
    bool notCreated_ = false; // the target refused the CREATE: there is no table to mark
};

} // namespace qc::cli
