#include "cli/unfinished_marks.h"

#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <algorithm>
#include <fstream>

namespace qc::cli {

void UnfinishedMarks::tableCreating(const engine::TableResult& table) {
    // The table is about to be created, under the name the engine gives a new table: the mark is
    // named after that without looking through the folder, which with every table of a run would
    // cost as much as the folder holds.
    const std::filesystem::path mark = markBeside(newTableFile(table.table));
    // A mark that cannot be made goes with a target that takes no table either.
    if (std::ofstream(mark))
        marked_.emplace_back(table.table, mark);
}

void UnfinishedMarks::tableEnded(const engine::TableResult& table) {
    // A refusal before any row is that of the CREATE (a row's comes with the row): there is no
    // table to mark.
    const bool notCreated = table.tableRefused && table.read == 0;
    const auto marked = std::find_if(marked_.begin(), marked_.end(),
                                     [&](const auto& entry) { return entry.first == table.table; });
    if (marked == marked_.end())
        return;
    const std::filesystem::path mark = marked->second;
    marked_.erase(marked);
    std::error_code ignored;
    if (table.allRead || notCreated)
        std::filesystem::remove(mark, ignored);
}

bool UnfinishedMarks::unfinished(const data::SourceTable& table) const {
    std::error_code ignored;
    return std::filesystem::exists(markOf(table), ignored);
}

std::optional<std::int64_t> UnfinishedMarks::records(const data::SourceTable& table) const {
    std::ifstream dbf(tableFile(table), std::ios::binary);
    unsigned char header[8] = {};
    if (!dbf.read(reinterpret_cast<char*>(header), sizeof header))
        return std::nullopt;
    // The record count: bytes 4 to 7 of the header, least significant first.
    return static_cast<std::int64_t>(header[4] | header[5] << 8 | header[6] << 16 |
                                     static_cast<std::uint32_t>(header[7]) << 24);
}

std::filesystem::path UnfinishedMarks::newTableFile(const data::SourceTable& table) const {
    // A container's tables lie beside it.
    const std::filesystem::path folder =
        target_.containerChosen ? std::filesystem::path(target_.container.toStdString()).parent_path()
                                : std::filesystem::path(target_.folder.toStdString());
    return folder / foxpro::tableFileName(table.name.toStdString(), ".dbf");
}

std::filesystem::path UnfinishedMarks::tableFile(const data::SourceTable& table) const {
    const std::filesystem::path named = newTableFile(table);
    const std::filesystem::path found =
        foxpro::findFileIgnoringCase(named.parent_path(), named.filename().string());
    return found.empty() ? named : found;
}

std::filesystem::path UnfinishedMarks::markBeside(const std::filesystem::path& dbf) {
    return dbf.parent_path() / ("." + dbf.filename().string() + ".unfinished");
}

std::filesystem::path UnfinishedMarks::markOf(const data::SourceTable& table) const {
    return markBeside(tableFile(table));
}

} // namespace qc::cli
