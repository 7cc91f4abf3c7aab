#include "foxpro/table_reader.h"

#include <algorithm>

namespace qc::foxpro {

namespace {

// Records are read this many bytes at a time: one system call for many small records, and
// never more than one large record held at once.
constexpr std::size_t kBlockBytes = 64 * 1024;

} // namespace

TableReader TableReader::open(const std::filesystem::path& dbfPath, int unmarkedCodePage) {
    TableReader reader;
    reader.table_ = DbfFile::open(dbfPath, false);
    reader.table_.setUnmarkedCodePage(unmarkedCodePage);
    return reader;
}

bool TableReader::next() {
    const std::uint32_t following = started_ ? index_ + 1 : 0;
    if (following >= recordCount())
        return false;
    const auto length = static_cast<std::size_t>(layout().recordLength);
    if (block_.empty() || following >= blockFirst_ + block_.size() / length) {
        const auto count = static_cast<std::uint32_t>(
            std::min<std::size_t>(std::max<std::size_t>(kBlockBytes / length, 1), recordCount() - following));
        block_ = table_.readRecords(following, count);
        blockFirst_ = following;
    }
    index_ = following;
    started_ = true;
    return true;
}

std::string_view TableReader::record() const {
    const auto length = static_cast<std::size_t>(layout().recordLength);
    if (!started_)
        throw Error("No record of '" + table_.path().filename().string() + "' has been read yet.");
    return std::string_view(block_).substr(static_cast<std::size_t>(index_ - blockFirst_) * length, length);
}

} // namespace qc::foxpro
