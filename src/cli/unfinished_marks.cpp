#include "cli/unfinished_marks.h"

#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <algorithm>
#include <fstream>

namespace qc::cli {

void UnfinishedMarks::tableCreating(const engine::TableResult& table) {
    // A mark that cannot be made goes with a target that takes no table either.
    if (std::ofstream(markOf(table.table)))
        marked_.push_back(table.table);
}

void UnfinishedMarks::tableEnded(const engine::TableResult& table) {
    // A refusal before any row is that of the CREATE (a row's comes with the row): there is no
    // table to mark.
    const bool notCreated = table.tableRefused && table.read == 0;
    const auto marked = std::find(marked_.begin(), marked_.end(), table.table);
    if (marked == marked_.end())
        return;
    marked_.erase(marked);
    std::error_code ignored;
    if (table.allRead || notCreated)
        std::filesystem::remove(markOf(table.table), ignored);
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

std::filesystem::path UnfinishedMarks::tableFile(const data::SourceTable& table) const {
    const std::string name = table.name.toStdString();
    // A container's tables lie beside it.
    const std::filesystem::path folder =
        target_.containerChosen ? std::filesystem::path(target_.container.toStdString()).parent_path()
                                : std::filesystem::path(target_.folder.toStdString());
    const std::string file = foxpro::tableFileName(name, ".dbf");
    const std::filesystem::path found = foxpro::findFileIgnoringCase(folder, file);
    return found.empty() ? folder / file : found;
}

std::filesystem::path UnfinishedMarks::markOf(const data::SourceTable& table) const {
    const std::filesystem::path dbf = tableFile(table);
    return dbf.parent_path() / ("." + dbf.filename().string() + ".unfinished");
}

} // namespace qc::cli
