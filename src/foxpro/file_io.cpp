#include "foxpro/file_io.h"

#include "foxpro/database.h"
#include "foxpro/names.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace foxpro {

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
        throw Error(fileErrorMessage(errno, displayName(), "opening"));
}

File::~File() {
    close();
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)),
      header_(std::exchange(other.header_, nullptr)), mapped_(std::exchange(other.mapped_, 0)),
      mapTried_(std::exchange(other.mapTried_, false)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        header_ = std::exchange(other.header_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        mapTried_ = std::exchange(other.mapTried_, false);
    }
    return *this;
}

namespace {
constexpr std::size_t kHeaderMap = 4096;
} // namespace

void File::unmap() {
    if (header_ != nullptr)
        ::munmap(header_, kHeaderMap);
    header_ = nullptr;
    mapped_ = 0;
    mapTried_ = false;
}

void File::close() {
    unmap();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void File::map() {
    if (mapTried_)
        return;
    mapTried_ = true;
    mapped_ = static_cast<std::size_t>(std::min<std::uint64_t>(size(), kHeaderMap));
    void* map = ::mmap(nullptr, kHeaderMap, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    header_ = map == MAP_FAILED ? nullptr : static_cast<char*>(map);
}

void File::readHeaderAt(std::uint64_t offset, char* out, std::size_t length) {
    map();
    if (header_ == nullptr || offset + length > mapped_) {
        const std::string bytes = readAt(offset, length);
        std::memcpy(out, bytes.data(), length);
        return;
    }
    std::atomic_thread_fence(std::memory_order_seq_cst);
    std::memcpy(out, header_ + offset, length);
}

void File::writeHeaderAt(std::uint64_t offset, std::string_view bytes) {
    map();
    // Only bytes that were inside the file when it was mapped are stored through the mapping
    // (beyond its end they would not reach the file); truncate() drops the mapping.
    if (header_ == nullptr || offset + bytes.size() > mapped_) {
        writeAt(offset, bytes);
        return;
    }
    // Earlier writes stay before this one for every reader.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    std::memcpy(header_ + offset, bytes.data(), bytes.size());
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

std::uint64_t File::size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        throw Error(fileErrorMessage(errno, displayName(), "reading"));
    return static_cast<std::uint64_t>(info.st_size);
}

bool File::isUnlinked() const {
    struct stat info {};
    return ::fstat(fd_, &info) != 0 || info.st_nlink == 0;
}

std::string File::readSomeAt(std::uint64_t offset, std::size_t length) const {
    std::string out(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd_, out.data() + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw Error(fileErrorMessage(errno, displayName(), "reading"));
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
            throw Error(fileErrorMessage(errno, displayName(), "writing"));
        }
        if (put == 0)
            throw Error(fileErrorMessage(ENOSPC, displayName(), "writing"));
        done += static_cast<std::size_t>(put);
    }
}

void File::truncate(std::uint64_t length) {
    unmap();
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        throw Error(fileErrorMessage(errno, displayName(), "writing"));
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

} // namespace foxpro
