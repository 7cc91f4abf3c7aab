#include "cli/unfinished_marks.h"

#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <algorithm>
#include <fstream>

namespace qc::cli {

void UnfinishedMarks::tableStarted(const QString& table) {
    current_ = table;
    marked_ = anyRow_ = allRead_ = notCreated_ = false;
}

void UnfinishedMarks::tableCreating() {
    // A mark that cannot be made goes with a target that takes no table either.
    marked_ = static_cast<bool>(std::ofstream(markOf(current_)));
}

void UnfinishedMarks::rowDone(const QString&) {
    anyRow_ = true;
}

void UnfinishedMarks::allRowsRead() {
    allRead_ = true;
}

void UnfinishedMarks::tableRefused(const QString&) {
    // A refusal before any row is that of the DROP or the CREATE (a row's comes after it).
    notCreated_ = notCreated_ || (marked_ && !anyRow_);
}

void UnfinishedMarks::tableEnded() {
    std::error_code ignored;
    if (marked_ && (allRead_ || notCreated_))
        std::filesystem::remove(markOf(current_), ignored);
    marked_ = false;
}

bool UnfinishedMarks::unfinished(const QString& table) const {
    std::error_code ignored;
    return std::filesystem::exists(markOf(table), ignored);
}

std::optional<std::int64_t> UnfinishedMarks::records(const QString& table) const {
    std::ifstream dbf(tableFile(table), std::ios::binary);
    unsigned char header[8] = {};
    if (!dbf.read(reinterpret_cast<char*>(header), sizeof header))
        return std::nullopt;
    // The record count: bytes 4 to 7 of the header, least significant first.
    return static_cast<std::int64_t>(header[4] | header[5] << 8 | header[6] << 16 |
                                     static_cast<std::uint32_t>(header[7]) << 24);
}

std::filesystem::path UnfinishedMarks::tableFile(const QString& table) const {
    const auto source = std::find_if(tables_.begin(), tables_.end(),
                                     [&](const data::SourceTable& t) { return t.shownName() == table; });
    const std::string name = (source == tables_.end() ? table : source->name).toStdString();
    // A container's tables lie beside it.
    const std::filesystem::path folder =
        target_.containerChosen ? std::filesystem::path(target_.container.toStdString()).parent_path()
                                : std::filesystem::path(target_.folder.toStdString());
    const std::string file = foxpro::tableFileName(name, ".dbf");
    const std::filesystem::path found = foxpro::findFileIgnoringCase(folder, file);
    return found.empty() ? folder / file : found;
}

std::filesystem::path UnfinishedMarks::markOf(const QString& table) const {
    const std::filesystem::path dbf = tableFile(table);
    return dbf.parent_path() / ("." + dbf.filename().string() + ".unfinished");
}

} // namespace qc::cli
