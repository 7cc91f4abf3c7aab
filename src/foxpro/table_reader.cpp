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

bool TableReader::seek(std::uint32_t index) {
    if (index >= recordCount())
        return false;
    const auto length = static_cast<std::size_t>(layout().recordLength);
    if (block_.empty() || index < blockFirst_ || index >= blockFirst_ + block_.size() / length) {
        block_ = table_.readRecords(index, 1);
        blockFirst_ = index;
    }
    index_ = index;
    started_ = true;
    return true;
}

FptFile::Block TableReader::memoBlock(int field) {
    const FieldLayout& layout = fields().at(static_cast<std::size_t>(field));
    const std::string_view bytes = record().substr(static_cast<std::size_t>(layout.offset), 4);
    std::uint32_t block = 0;
    for (int i = 3; i >= 0; --i)
        block = (block << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    if (block == 0)
        return {};
    if (!table_.memo())
        throw Error("Memo file for '" + table_.path().filename().string() + "' is missing or is invalid.");
    return table_.memo()->read(block);
}

std::string_view TableReader::record() const {
    const auto length = static_cast<std::size_t>(layout().recordLength);
    if (!started_)
        throw Error("No record of '" + table_.path().filename().string() + "' has been read yet.");
    return std::string_view(block_).substr(static_cast<std::size_t>(index_ - blockFirst_) * length, length);
}

} // namespace qc::foxpro
