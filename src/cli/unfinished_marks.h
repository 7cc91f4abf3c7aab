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
#include <utility>
#include <vector>

namespace qc::cli {

class UnfinishedMarks : public engine::RunObserver {
  public:
    explicit UnfinishedMarks(const data::FoxProTarget& target) : target_(target) {}

    void tableCreating(const engine::TableResult& table) override;
    void tableEnded(const engine::TableResult& table) override;

    // True when the target's table converted from `table` carries the mark.
    bool unfinished(const data::SourceTable& table) const;
    // The records the target's table converted from `table` holds, from its header; nullopt when
    // it cannot be read.
    std::optional<std::int64_t> records(const data::SourceTable& table) const;

  private:
    // The target's .dbf of the table, found in any letter case; the lower-case name when there is none.
    std::filesystem::path tableFile(const data::SourceTable& table) const;
    std::filesystem::path markOf(const data::SourceTable& table) const;
    static std::filesystem::path markBeside(const std::filesystem::path& dbf);
    // The .dbf the engine gives the table when it creates it.
    std::filesystem::path newTableFile(const data::SourceTable& table) const;

    const data::FoxProTarget& target_;
    // The tables marked and not yet ended (several with jobs), each with its mark.
    std::vector<std::pair<data::SourceTable, std::filesystem::path>> marked_;
};

} // namespace qc::cli
