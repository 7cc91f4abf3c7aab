#pragma once
// A file descriptor that closes itself, with whole-buffer positioned reads and writes whose
// failures become Error messages naming the file ("Disk is full writing file 'x.dbf'.").

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qc::foxpro {

class Error;

class File {
  public:
    enum class Mode { Read, ReadWrite, CreateNew };

    File() = default;
    File(const std::filesystem::path& path, Mode mode);
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    const std::filesystem::path& path() const { return path_; }
    // The file name as messages show it (see shownFileName).
    std::string displayName() const;

    std::uint64_t size() const;
    // Takes the lock of exclusive use (see kExclusiveUseOffset) without waiting; false when
    // another open file holds it, in this process or another. The file must be open for
    // writing. Released when the file closes, or when the process ends however it ends.
    bool lockExclusive();
    bool lockedExclusive() const { return locked_; }
    // True when `path` still names this open file (it was not deleted or replaced meanwhile).
    bool isAt(const std::filesystem::path& path) const;
    // The file now has another name (after a rename of its own).
    void setPath(const std::filesystem::path& path) { path_ = path; }
    // Reads exactly `length` bytes at `offset`; a short file is an Error ("corrupt").
    std::string readAt(std::uint64_t offset, std::size_t length) const;
    // Reads up to `length` bytes at `offset`.
    std::string readSomeAt(std::uint64_t offset, std::size_t length) const;
    void writeAt(std::uint64_t offset, std::string_view bytes);
    // writeAt for bytes that may lengthen the file: when the write fails, the file is cut back
    // to its length before the call.
    void appendAt(std::uint64_t offset, std::string_view bytes);
    // Writes into the file's first bytes (a header field) through a shared mapping when one
    // can be made: the bytes are in the system's cache the moment they are stored, as with
    // writeAt, without a system call. `offset + bytes.size()` must lie within the file.
    void writeHeaderAt(std::uint64_t offset, std::string_view bytes);
    // Reads header bytes the same way (no system call once the mapping exists).
    void readHeaderAt(std::uint64_t offset, char* out, std::size_t length);
    // Writes `bytes` at `offset` (at or near the end of the file) through the mapping, growing
    // the file first when needed by a step of real disk space, never past `limit`; when the
    // step cannot be had, by just the room the bytes need. A full disk is an Error here, never
    // a fault later, and leaves the file's length as it was. Without a mapping it is appendAt.
    void writeGrowing(std::uint64_t offset, std::string_view bytes, std::uint64_t limit);
    // Undoes the last writeGrowing or appendAt that succeeded: the bytes it wrote over get their
    // old content back and the file its old length (a statement failing after it).
    void undoLastAppend();
    // Gives back the room writeGrowing took beyond `length`.
    void trimTo(std::uint64_t length);
    bool hasGrown() const { return grown_; }
    void truncate(std::uint64_t length);
    // Closes the file; a failure the system tells of only now (a write a network share could not
    // make) is an Error. The file is closed either way.
    void close();

  private:
    void takeFrom(File& other) noexcept;
    // Sets the file's length (without a mapping's care: see truncate()).
    void cutBack(std::uint64_t length);
    void map();
    void unmap();
    // Copies through the mapping; a file another program made shorter meanwhile is an Error
    // (see mapped_copy.h), and the mapping is dropped.
    void copyIntoMapping(std::uint64_t offset, const char* bytes, std::size_t length);
    void copyFromMapping(std::uint64_t offset, char* out, std::size_t length);
    Error cutShort();
    // Takes the page faults of the mapping's bytes [from, to) now.
    void populate(std::uint64_t from, std::uint64_t to);
    // Lets go of this process's hold on the mapped pages below `below` (they stay in the file).
    void releaseWrittenPages(std::uint64_t below);

    int fd_ = -1;
    std::filesystem::path path_;
    char* map_ = nullptr;      // shared mapping of the file's first 2 GiB, or null
    std::uint64_t mapped_ = 0; // bytes of the mapping that lie inside the file
    bool mapTried_ = false;
    std::uint64_t releasedTo_ = 0; // pages below this were let go by releaseWrittenPages
    bool grown_ = false;           // writeGrowing reserved room beyond the data
    bool locked_ = false;
    bool populate_ = true; // the kernel takes MADV_POPULATE_WRITE
    // Room taken below this has had its page faults taken (or was the file's already).
    std::uint64_t populatedTo_ = 0;
    // What undoLastAppend() restores.
    std::uint64_t undoOffset_ = 0;
    std::uint64_t undoLength_ = 0;
    std::string undoBytes_;
    std::uint64_t undoZeroEnd_ = 0;  // bytes from undoOffset_ + undoBytes_.size() up to here were zeros
    std::uint64_t undoZeroFrom_ = 0; // zeroFrom_ before the append
    bool undoable_ = false;
    // From here to the end of the mapping the file holds zeros: room writeGrowing took and
    // nothing has written yet.
    std::uint64_t zeroFrom_ = ~std::uint64_t{0};
};

// The byte a writer locks (an open file description lock, F_OFD_SETLK) to use a table or a
// container exclusively: past 2 GB, where no FoxPro file has data and where neither Visual
// FoxPro nor other xBase readers put their record or file locks, so readers elsewhere (over a
// network share too) still open and read the files. See docs/foxpro-locking.md.
inline constexpr std::uint64_t kExclusiveUseOffset = 0xC0000000u;

// The name of `path` as a message shows it: a hidden temporary name of the engine (".t.dbf.new",
// ".d.dcx.new", ".t.dbf.old") is the engine's own business, and the user hears of the file it
// stands for ("t.dbf", "d.dcx").
std::string shownFileName(const std::filesystem::path& path);

// Renames `from` to `to`, failing with "File 'to' already exists." rather than replacing it.
void renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// The message for a failing system call on `file` with errno `error`.
std::string fileErrorMessage(int error, const std::string& file, const char* doing);
// That message as an Error whose cause follows from errno: a full disk or denied access
// concerns the whole target, anything else the table whose file it is.
Error fileError(int error, const std::string& file, const char* doing);
// `failure` with what went wrong while putting things back after it: both are told.
Error withCleanupFailure(const Error& failure, const Error& cleanup);

// Finds `fileName` in `folder` comparing names case-insensitively (ASCII); nullopt-like empty
// path when absent. An exact match wins over other spellings.
std::filesystem::path findFileIgnoringCase(const std::filesystem::path& folder, const std::string& fileName);

} // namespace qc::foxpro
