#include "foxpro/fpt_file.h"

#include "foxpro/database.h"

#include <algorithm>
#include <utility>

namespace qc::foxpro {

namespace {

constexpr std::uint32_t kHeaderSize = 512;

void putBe32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((value >> (8 * (3 - i))) & 0xFF);
}

std::uint32_t be(const std::string& in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}

} // namespace

FptFile FptFile::create(const std::filesystem::path& path) {
    FptFile memo;
    memo.file_ = File(path, File::Mode::CreateNew);
    memo.blockSize_ = 64;
    memo.nextFree_ = kHeaderSize / memo.blockSize_;
    std::string header(kHeaderSize, '\0');
    putBe32(header, 0, memo.nextFree_);
    header[6] = 0;
    header[7] = 64;
    memo.file_.writeAt(0, header);
    return memo;
}

FptFile FptFile::open(const std::filesystem::path& path, bool writable) {
    FptFile memo;
    memo.file_ = File(path, writable ? File::Mode::ReadWrite : File::Mode::Read);
    const std::string header = memo.file_.readAt(0, 8);
    memo.nextFree_ = be(header, 0, 4);
    memo.blockSize_ = be(header, 6, 2);
    if (memo.blockSize_ == 0)
        memo.blockSize_ = 1;
    if (memo.nextFree_ < (kHeaderSize + memo.blockSize_ - 1) / memo.blockSize_ && writable)
        throw Error("Memo file '" + memo.file_.displayName() + "' is missing or is invalid.",
                    Error::Cause::Table);
    return memo;
}

std::uint32_t FptFile::blocksFor(std::size_t length) const {
    if (length == 0)
        return 0;
    return static_cast<std::uint32_t>((8 + length + blockSize_ - 1) / blockSize_);
}

std::uint64_t FptFile::sizeAfter(std::span<const Value> values) const {
    std::uint64_t blocks = nextFree_;
    for (const auto& value : values)
        blocks += blocksFor(value.data.size());
    return blocks * blockSize_;
}

void FptFile::releaseRoom() {
    if (!file_.isOpen() || !file_.hasGrown())
        return;
    char onDisk[4];
    file_.readHeaderAt(0, onDisk, 4);
    file_.trimTo(static_cast<std::uint64_t>(std::max(nextFree_, be(std::string(onDisk, 4), 0, 4))) *
                 blockSize_);
}

void FptFile::trimPastNextFree() {
    char onDisk[4];
    file_.readHeaderAt(0, onDisk, 4);
    const std::uint64_t end = static_cast<std::uint64_t>(be(std::string(onDisk, 4), 0, 4)) * blockSize_;
    if (end >= kHeaderSize && file_.size() > end)
        file_.truncate(end);
}

std::vector<std::uint32_t> FptFile::append(const std::vector<Block>& values, std::uint64_t reserveLimit) {
    std::vector<Value> views;
    views.reserve(values.size());
    for (const auto& value : values)
        views.push_back({value.type, value.data});
    std::vector<std::uint32_t> numbers(values.size());
    append(views, numbers, reserveLimit);
    return numbers;
}

void FptFile::append(std::span<const Value> values, std::span<std::uint32_t> numbers,
                     std::uint64_t reserveLimit) {
    appendStart_.reset();
    // Another program may have added blocks since; never write over them.
    char onDisk[4];
    file_.readHeaderAt(0, onDisk, 4);
    nextFree_ = std::max(nextFree_, be(std::string(onDisk, 4), 0, 4));
    std::string& bytes = pending_;
    bytes.clear();
    std::size_t total = 0;
    for (const auto& value : values)
        total += static_cast<std::size_t>(blocksFor(value.data.size())) * blockSize_;
    bytes.reserve(total);
    std::uint32_t next = nextFree_;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto& value = values[i];
        const std::uint32_t blocks = blocksFor(value.data.size());
        if (blocks == 0) {
            numbers[i] = 0;
            continue;
        }
        numbers[i] = next;
        const std::size_t start = bytes.size();
        bytes.resize(start + static_cast<std::size_t>(blocks) * blockSize_, '\0');
        putBe32(bytes, start, value.type);
        putBe32(bytes, start + 4, static_cast<std::uint32_t>(value.data.size()));
        bytes.replace(start + 8, value.data.size(), value.data);
        next += blocks;
    }
    if (next == nextFree_)
        return;
    // The blocks first, the header after: a reader never finds a next-free block pointing past
    // data that is not there.
    const std::uint64_t at = static_cast<std::uint64_t>(nextFree_) * blockSize_;
    if (reserveLimit > 0)
        file_.writeGrowing(at, bytes, reserveLimit);
    else
        file_.appendAt(at, bytes);
    if (bytes.capacity() > kKeptMemoBuffer)
        bytes = std::string();
    std::string header(4, '\0');
    putBe32(header, 0, next);
    file_.writeHeaderAt(0, header);
    appendStart_ = nextFree_;
    nextFree_ = next;
}

void FptFile::undoAppend() {
    if (!appendStart_)
        return;
    file_.undoLastAppend();
    std::string header(4, '\0');
    putBe32(header, 0, *appendStart_);
    file_.writeHeaderAt(0, header);
    nextFree_ = *std::exchange(appendStart_, std::nullopt);
}

FptFile::Block FptFile::read(std::uint32_t block) const {
    // Most values are short: one read takes the block's head and the value with it, where a
    // reader of every record's memos would otherwise pay three system calls per value.
    constexpr std::size_t kFirstRead = 4096;
    const std::uint64_t offset = static_cast<std::uint64_t>(block) * blockSize_;
    std::string first = file_.readSomeAt(offset, kFirstRead);
    const auto invalid = [&] {
        return Error("Memo file '" + file_.displayName() + "' is missing or is invalid.",
                     Error::Cause::Table);
    };
    if (first.size() < 8)
        throw invalid();
    Block out;
    out.type = be(first, 0, 4);
    const std::uint32_t length = be(first, 4, 4);
    if (8 + static_cast<std::uint64_t>(length) <= first.size()) {
        out.data.assign(first, 8, length);
        return out;
    }
    // The length is checked against the file before a buffer of that size is made.
    if (offset + 8 + length > file_.size())
        throw invalid();
    out.data = file_.readAt(offset + 8, length);
    return out;
}

} // namespace qc::foxpro
