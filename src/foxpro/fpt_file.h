#pragma once
// The FPT memo file: a 512-byte header (next free block, block size, both big-endian) and
// values stored in whole blocks, each starting with its type and length (big-endian).

#include "foxpro/file_io.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qc::foxpro {

inline constexpr std::uint32_t kMemoText = 1;   // memo text (M)
inline constexpr std::uint32_t kMemoBinary = 0; // blob, general, picture

// Buffers of memo values up to this size are kept from one row to the next. A table stays open
// for the whole connection, so a larger one is given back rather than held for every table.
inline constexpr std::size_t kKeptMemoBuffer = 16 * 1024;

class FptFile {
  public:
    FptFile() = default;
    // Writes a new, empty memo file (64-byte blocks); fails when the file exists.
    static FptFile create(const std::filesystem::path& path);
    static FptFile open(const std::filesystem::path& path, bool writable);

    struct Block {
        std::uint32_t type = 0;
        std::string data;
    };
    // A value to append, viewed where its owner keeps it.
    struct Value {
        std::uint32_t type = 0;
        std::string_view data;
    };

    std::uint32_t nextFree() const { return nextFree_; }
    std::uint32_t blockSize() const { return blockSize_; }
    const File& file() const { return file_; }
    File& file() { return file_; }
    void setPath(const std::filesystem::path& path) { file_.setPath(path); }

    // Blocks a value of `length` bytes takes.
    std::uint32_t blocksFor(std::size_t length) const;
    // The file's size after appending these values.
    std::uint64_t sizeAfter(std::span<const Value> values) const;

    // Appends values in one write, then moves the header's next-free block past them. Returns
    // each value's block number. Values of length 0 take no block and get block number 0.
    // With `reserveLimit` the file takes room ahead (never past that size) so that following
    // appends need no system call; releaseRoom() gives it back.
    std::vector<std::uint32_t> append(const std::vector<Block>& values, std::uint64_t reserveLimit = 0);
    // The same with the block numbers put into `numbers` (as many as values), for a caller that
    // appends row after row and keeps its buffers.
    void append(std::span<const Value> values, std::span<std::uint32_t> numbers,
                std::uint64_t reserveLimit = 0);

    // Cuts the file back to its next free block when append took room ahead. Only for the
    // last writer: another connection may still be writing into that room.
    void releaseRoom();
    // Cuts the file back to its next free block as the header gives it, whoever took the room
    // beyond (a writer that died). Only with the table's lock of exclusive use held.
    void trimPastNextFree();

    // Undoes the last append that wrote blocks (a statement that failed after it): the next free
    // block it started from, its bytes and its length. A failing append has undone itself, and
    // one that wrote no block leaves nothing to undo.
    void undoAppend();

    // The value at `block`; throws Error when it lies outside the file.
    Block read(std::uint32_t block) const;

  private:
    File file_;
    std::uint32_t nextFree_ = 0;
    std::uint32_t blockSize_ = 64;
    // Where the last append that wrote blocks started, taken after it had caught up with the
    // file, so an undo never hands back blocks another program wrote.
    std::optional<std::uint32_t> appendStart_;
    // The bytes of one append, kept for the next unless large values made them large.
    std::string pending_;
};

} // namespace qc::foxpro
