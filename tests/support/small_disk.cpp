#include "support/small_disk.h"

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace qc::test {

namespace {
std::string options(std::size_t bytes) {
    return "size=" + std::to_string(bytes) + ",mode=0755";
}
} // namespace

SmallDisk::SmallDisk(std::size_t bytes) : bytes_(bytes) {
    std::string pattern = (std::filesystem::temp_directory_path() / "qc-disk-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        error_ = std::string("cannot make a mount point: ") + std::strerror(errno);
        return;
    }
    path_ = buffer.data();
    // MS_NOSUID|MS_NODEV: the disk holds test data only.
    if (mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options(bytes_).c_str()) != 0) {
        error_ = "cannot mount a " + std::to_string(bytes_) + "-byte tmpfs on " + path_ + ": " +
                 std::strerror(errno) + " (the test needs to run as root)";
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_ && umount2(path_.c_str(), 0) != 0)
        umount2(path_.c_str(), MNT_DETACH); // a file still open in the test: let go lazily
    if (!path_.empty())
        rmdir(path_.c_str());
}

bool SmallDisk::setReadOnly(bool readOnly) {
    if (!mounted_)
        return false;
    unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    if (mount("tmpfs", path_.c_str(), "tmpfs", flags, options(bytes_).c_str()) != 0) {
        error_ = std::string("cannot remount ") + path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::size_t SmallDisk::freeBytes() const {
    struct statvfs info {};
    if (statvfs(path_.c_str(), &info) != 0)
        return 0;
    return static_cast<std::size_t>(info.f_bavail) * info.f_frsize;
}

bool SmallDisk::fillLeaving(std::size_t leftBytes) {
    if (!mounted_)
        return false;
    std::FILE* file = std::fopen((path_ + "/.filler").c_str(), "ab");
    if (!file)
        return false;
    std::vector<char> block(4096, 'x');
    while (freeBytes() > leftBytes) {
        const std::size_t n = std::min(block.size(), freeBytes() - leftBytes);
        if (std::fwrite(block.data(), 1, n, file) != n || std::fflush(file) != 0)
            break;
    }
    std::fclose(file);
    return freeBytes() <= leftBytes + 4096;
}

} // namespace qc::test
