#include "foxpro/file_io.h"

#include "foxpro/database.h"
#include "foxpro/mapped_copy.h"
#include "foxpro/names.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qc::foxpro {

std::string fileErrorMessage(int error, const std::string& file, const char* doing) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "Disk is full " + std::string(doing) + " file '" + file + "'.";
    case EACCES:
    case EPERM:
    case EROFS:
        return "Access is denied to file '" + file + "'.";
    case ENOENT:
        return "File '" + file + "' does not exist.";
    case EEXIST:
        return "File '" + file + "' already exists.";
    case EFBIG:
        return "File '" + file + "' is too large.";
    default:
        return "Error " + std::string(doing) + " file '" + file + "': " + std::strerror(error) + ".";
    }
}

std::string shownFileName(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    for (const std::string suffix : {".new", ".old"})
        if (name.size() > suffix.size() + 1 && name[0] == '.' && name.ends_with(suffix))
            return name.substr(1, name.size() - 1 - suffix.size());
    return name;
}

std::string File::displayName() const {
    return shownFileName(path_);
}

Error fileError(int error, const std::string& file, const char* doing) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EACCES:
    case EPERM:
    case EROFS:
        return Error(fileErrorMessage(error, file, doing), Error::Cause::Target);
    default:
        return Error(fileErrorMessage(error, file, doing), Error::Cause::Table);
    }
}

File::File(const std::filesystem::path& path, Mode mode) : path_(path) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read:
        flags |= O_RDONLY;
        break;
    case Mode::ReadWrite:
        flags |= O_RDWR;
        break;
    case Mode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        throw fileError(errno, displayName(), "opening");
}

File::~File() {
    try {
        close();
    } catch (const Error&) {
        // Nobody is left to tell; a connection closes its files through close() to hear of it.
    }
}

File::File(File&& other) noexcept {
    takeFrom(other);
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        try {
            close();
        } catch (const Error&) {
        }
        takeFrom(other);
    }
    return *this;
}

void File::takeFrom(File& other) noexcept {
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    map_ = std::exchange(other.map_, nullptr);
    mapped_ = std::exchange(other.mapped_, 0);
    mapTried_ = std::exchange(other.mapTried_, false);
    releasedTo_ = std::exchange(other.releasedTo_, 0);
    grown_ = std::exchange(other.grown_, false);
    locked_ = std::exchange(other.locked_, false);
    undoOffset_ = std::exchange(other.undoOffset_, 0);
    undoLength_ = std::exchange(other.undoLength_, 0);
    undoBytes_ = std::move(other.undoBytes_);
    other.undoBytes_.clear();
    undoZeroEnd_ = std::exchange(other.undoZeroEnd_, 0);
    undoZeroFrom_ = std::exchange(other.undoZeroFrom_, 0);
    undoable_ = std::exchange(other.undoable_, false);
    zeroFrom_ = std::exchange(other.zeroFrom_, ~std::uint64_t{0});
    populate_ = std::exchange(other.populate_, true);
    populatedTo_ = std::exchange(other.populatedTo_, 0);
}

namespace {
// Neither a table nor a memo file may pass 2 GB, so a mapping of this size covers every byte.
constexpr std::size_t kMapLength = std::size_t{1} << 31;
// How much room a growing file takes at a time: as much as it holds, from 64 KiB up to 1 MiB. A
// large file takes a system call per megabyte; a small table neither takes the page faults of a
// megabyte it does not fill, nor gives so much back when it closes, which a conversion of many
// small tables would pay for with every table.
constexpr std::uint64_t kFirstGrowStep = std::uint64_t{64} << 10;
constexpr std::uint64_t kGrowStep = std::uint64_t{1} << 20;
// The page faults of room taken are taken this much at a time, ahead of the bytes written: a
// table that ends early in its last step pays for no pages it never fills.
constexpr std::uint64_t kPopulateStep = std::uint64_t{64} << 10;
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels answer EINVAL
#endif
} // namespace

void File::copyIntoMapping(std::uint64_t offset, const char* bytes, std::size_t length) {
    // Earlier writes stay before this one for every reader (a record before the count that
    // takes it in). Release is all that needs: a full fence here cost every row several.
    std::atomic_thread_fence(std::memory_order_release);
    if (!copyThroughMapping(map_ + offset, bytes, length))
        throw cutShort();
}

void File::copyFromMapping(std::uint64_t offset, char* out, std::size_t length) {
    if (length == 0)
        return;
    if (!copyThroughMapping(out, map_ + offset, length))
        throw cutShort();
    // Later reads see at least what this one saw (the records a count read here takes in).
    std::atomic_thread_fence(std::memory_order_acquire);
}

Error File::cutShort() {
    // What the mapping still covers is not the file any more; later writes go through system
    // calls until the file is mapped again.
    unmap();
    grown_ = false;
    zeroFrom_ = ~std::uint64_t{0};
    undoable_ = false;
    return Error("File '" + displayName() + "' was made shorter by another program while it was in use.",
                 Error::Cause::Table);
}

void File::populate(std::uint64_t from, std::uint64_t to) {
    // The page faults of a step are taken here, in one call, rather than one by one under the rows
    // that fill it. A kernel without the advice (before 5.14) takes them as the rows come.
    if (!populate_)
        return;
    static const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t start = from / page * page;
    if (to > start &&
        ::madvise(map_ + start, static_cast<std::size_t>(to - start), MADV_POPULATE_WRITE) != 0 &&
        (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
        populate_ = false;
}

void File::unmap() {
    if (map_ != nullptr)
        ::munmap(map_, kMapLength);
    map_ = nullptr;
    releasedTo_ = 0;
    mapped_ = 0;
    populatedTo_ = 0;
    mapTried_ = false;
}

void File::writeGrowing(std::uint64_t offset, std::string_view bytes, std::uint64_t limit) {
    map();
    const std::uint64_t end = offset + bytes.size();
    if (map_ == nullptr || end > kMapLength) {
        appendAt(offset, bytes);
        return;
    }
    if (end > mapped_) {
        // Someone else may have grown the file meanwhile.
        mapped_ = std::min<std::uint64_t>(std::max(mapped_, size()), kMapLength);
        populatedTo_ = std::max(populatedTo_, mapped_);
    }
    if (end > mapped_) {
        const std::uint64_t step =
            std::max(end, std::min(std::min(end + std::clamp(end, kFirstGrowStep, kGrowStep), limit),
                                   std::uint64_t{kMapLength}));
        // A disk too full for a whole step (or a file size limit below it) may still hold these
        // bytes.
        std::uint64_t target = step;
        int result = ::fallocate(fd_, 0, static_cast<off_t>(mapped_), static_cast<off_t>(target - mapped_));
        if (result != 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) && step > end) {
            // Whatever part of the step was taken is given back first.
            cutBack(mapped_);
            target = end;
            result = ::fallocate(fd_, 0, static_cast<off_t>(mapped_), static_cast<off_t>(target - mapped_));
        }
        if (result != 0) {
            if (errno == EOPNOTSUPP || errno == ENOSYS) {
                appendAt(offset, bytes);
                return;
            }
            const Error failure = fileError(errno, displayName(), "writing");
            try {
                cutBack(mapped_);
            } catch (const Error& cleanup) {
                throw withCleanupFailure(failure, cleanup);
            }
            throw failure;
        }
        undoLength_ = mapped_;
        releaseWrittenPages(offset);
        // Room taken now reads as zeros until written.
        zeroFrom_ = std::min(zeroFrom_, mapped_);
        mapped_ = target;
        grown_ = grown_ || target > end;
    } else {
        undoLength_ = mapped_;
    }
    if (end > populatedTo_) {
        const std::uint64_t to = std::min(mapped_, end + kPopulateStep);
        populate(populatedTo_, to);
        populatedTo_ = to;
    }
    // The bytes about to be written over inside the file as it was, for undoLastAppend(): those
    // in room this object took are zeros and need no copy.
    undoOffset_ = offset;
    undoZeroFrom_ = zeroFrom_;
    const std::uint64_t copied = std::min({end, undoLength_, std::max(offset, zeroFrom_)});
    undoBytes_.resize(static_cast<std::size_t>(copied > offset ? copied - offset : 0));
    copyFromMapping(offset, undoBytes_.data(), undoBytes_.size());
    undoZeroEnd_ = std::min(end, undoLength_);
    undoable_ = true;
    copyIntoMapping(offset, bytes.data(), bytes.size());
    if (zeroFrom_ > offset && zeroFrom_ != ~std::uint64_t{0})
        zeroFrom_ = std::max(zeroFrom_, end);
    else if (zeroFrom_ <= offset)
        zeroFrom_ = offset == zeroFrom_ ? end : ~std::uint64_t{0}; // zeros behind a gap are not tracked
}

void File::releaseWrittenPages(std::uint64_t below) {
    // The pages written through the mapping stay in the system's cache, where they belong, but
    // would also count as this process's memory for as long as the mapping lasts: a table of
    // a million rows would look like a process that grows without end. Letting go of them in a
    // shared mapping loses nothing (the cache keeps them, dirty or not); the header page stays,
    // as it is written with every row.
    static const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t from = std::max(releasedTo_, page);
    const std::uint64_t to = below / page * page;
    if (map_ == nullptr || to <= from)
        return;
    if (::madvise(map_ + from, static_cast<std::size_t>(to - from), MADV_DONTNEED) == 0)
        releasedTo_ = to;
}

void File::undoLastAppend() {
    if (!undoable_ || fd_ < 0)
        return;
    undoable_ = false;
    if (!undoBytes_.empty())
        writeHeaderAt(undoOffset_, undoBytes_);
    const std::uint64_t zeros = undoOffset_ + undoBytes_.size();
    if (undoZeroEnd_ > zeros)
        writeHeaderAt(zeros, std::string(static_cast<std::size_t>(undoZeroEnd_ - zeros), '\0'));
    zeroFrom_ = undoZeroFrom_;
    if (size() != undoLength_) {
        cutBack(undoLength_);
        mapped_ = std::min(mapped_, undoLength_);
        populatedTo_ = std::min(populatedTo_, mapped_);
    }
}

void File::trimTo(std::uint64_t length) {
    if (!grown_ || fd_ < 0)
        return;
    if (size() > length)
        cutBack(length);
    mapped_ = std::min(mapped_, length);
    populatedTo_ = std::min(populatedTo_, mapped_);
    grown_ = false;
}

void File::close() {
    unmap();
    const int fd = std::exchange(fd_, -1);
    locked_ = false;
    // A file system that writes late (a network share) tells of a failed write only here.
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
        throw fileError(errno, displayName(), "closing");
}

void File::cutBack(std::uint64_t length) {
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        throw fileError(errno, displayName(), "writing");
}

Error withCleanupFailure(const Error& failure, const Error& cleanup) {
    return Error(std::string(failure.what()) + " " + cleanup.what(), failure.cause());
}

void File::map() {
    if (mapTried_)
        return;
    mapTried_ = true;
    mapped_ = std::min<std::uint64_t>(size(), kMapLength);
    populatedTo_ = mapped_;
    void* map = ::mmap(nullptr, kMapLength, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_NORESERVE, fd_, 0);
    map_ = map == MAP_FAILED ? nullptr : static_cast<char*>(map);
}

void File::readHeaderAt(std::uint64_t offset, char* out, std::size_t length) {
    map();
    if (map_ == nullptr || offset + length > mapped_) {
        const std::string bytes = readAt(offset, length);
        std::memcpy(out, bytes.data(), length);
        return;
    }
    copyFromMapping(offset, out, length);
}

void File::writeHeaderAt(std::uint64_t offset, std::string_view bytes) {
    map();
    // Only bytes that were inside the file when it was mapped are stored through the mapping
    // (beyond its end they would not reach the file); truncate() drops the mapping.
    if (map_ == nullptr || offset + bytes.size() > mapped_) {
        writeAt(offset, bytes);
        return;
    }
    copyIntoMapping(offset, bytes.data(), bytes.size());
}

std::uint64_t File::size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        throw fileError(errno, displayName(), "reading");
    return static_cast<std::uint64_t>(info.st_size);
}

bool File::lockExclusive() {
    if (locked_)
        return true;
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(kExclusiveUseOffset);
    range.l_len = 1;
    int result = 0;
    do {
        result = ::fcntl(fd_, F_OFD_SETLK, &range);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (errno == EAGAIN || errno == EACCES)
            return false;
        throw fileError(errno, displayName(), "locking");
    }
    locked_ = true;
    return true;
}

bool File::isAt(const std::filesystem::path& path) const {
    struct stat own {};
    struct stat named {};
    return fd_ >= 0 && ::fstat(fd_, &own) == 0 && ::stat(path.c_str(), &named) == 0 &&
           own.st_dev == named.st_dev && own.st_ino == named.st_ino;
}

void renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the flag: a hard link fails on an existing name just the same.
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) != 0)
                throw fileError(errno, shownFileName(from), "renaming");
            return;
        }
        error = errno;
    }
    throw fileError(error, shownFileName(to), "renaming");
}

std::string File::readSomeAt(std::uint64_t offset, std::size_t length) const {
    std::string out(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd_, out.data() + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw fileError(errno, displayName(), "reading");
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    out.resize(done);
    return out;
}

std::string File::readAt(std::uint64_t offset, std::size_t length) const {
    std::string out = readSomeAt(offset, length);
    if (out.size() != length)
        throw Error("File '" + displayName() + "' is not a valid table (it ends early).");
    return out;
}

void File::writeAt(std::uint64_t offset, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throw fileError(errno, displayName(), "writing");
        }
        if (put == 0)
            throw fileError(ENOSPC, displayName(), "writing");
        done += static_cast<std::size_t>(put);
    }
}

void File::appendAt(std::uint64_t offset, std::string_view bytes) {
    const std::uint64_t before = size();
    undoable_ = false;
    undoOffset_ = offset;
    undoLength_ = before;
    undoZeroEnd_ = 0;
    zeroFrom_ = std::numeric_limits<std::uint64_t>::max();
    undoZeroFrom_ = zeroFrom_;
    undoBytes_ = offset < before ? readSomeAt(offset, static_cast<std::size_t>(std::min<std::uint64_t>(
                                                          bytes.size(), before - offset)))
                                 : std::string();
    try {
        writeAt(offset, bytes);
    } catch (const Error& failure) {
        try {
            if (size() > before)
                cutBack(before);
            if (!undoBytes_.empty())
                writeAt(offset, undoBytes_);
        } catch (const Error& cleanup) {
            throw withCleanupFailure(failure, cleanup);
        }
        throw;
    }
    undoable_ = true;
}

void File::truncate(std::uint64_t length) {
    unmap();
    cutBack(length);
    // Whatever room there was ends here.
    grown_ = false;
    zeroFrom_ = ~std::uint64_t{0};
}

std::filesystem::path findFileIgnoringCase(const std::filesystem::path& folder, const std::string& fileName) {
    std::error_code error;
    const auto exact = folder / fileName;
    if (std::filesystem::is_regular_file(exact, error))
        return exact;
    const std::string wanted = asciiLower(fileName);
    std::filesystem::path found;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (asciiLower(name) == wanted && it->is_regular_file(error)) {
            if (found.empty() || name < found.filename().string())
                found = it->path();
        }
    }
    return found;
}

} // namespace qc::foxpro
