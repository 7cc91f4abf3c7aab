#include "foxpro/folder_listing.h"

#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <cerrno>
#include <sys/inotify.h>
#include <sys/statfs.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace qc::foxpro {

namespace fs = std::filesystem;

namespace {

// File systems whose notices tell of every change, because every change is made by this machine.
// A network share (NFS, SMB), a cluster file system or FUSE is changed by others unseen.
bool sendsEveryNotice(const fs::path& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // xfs
    case 0x9123683E: // btrfs
    case 0x01021994: // tmpfs
    case 0x858458F6: // ramfs
    case 0xF2F52010: // f2fs
    case 0x2FC12FC1: // zfs
    case 0xCA451A4E: // bcachefs
    case 0x794C7630: // overlayfs
    case 0x3153464A: // jfs
    case 0x52654973: // reiserfs
    case 0x4D44:     // vfat
    case 0x2011BAB0: // exfat
    case 0x7366746E: // ntfs3
        return true;
    default:
        return false;
    }
}

// Closing a watch's descriptor waits until the kernel has retired its watches, a grace period
// of its own (about 14 ms measured here): at the end of every conversion, longer than the last
// thousand rows take. Nothing needs to wait for it, so the descriptor is closed aside.
void closeAside(int descriptor) noexcept {
    try {
        std::thread([descriptor] { ::close(descriptor); }).detach();
    } catch (const std::system_error&) {
        ::close(descriptor);
    }
}

constexpr std::uint32_t kNamesChange = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

} // namespace

FolderListing::FolderListing(fs::path folder) : folder_(std::move(folder)) {}

FolderListing::~FolderListing() {
    stopWatching();
}

FolderListing::FolderListing(FolderListing&& other) noexcept
    : folder_(std::move(other.folder_)), watchTried_(std::exchange(other.watchTried_, false)),
      notices_(std::exchange(other.notices_, -1)), current_(std::exchange(other.current_, false)),
      names_(std::move(other.names_)) {}

FolderListing& FolderListing::operator=(FolderListing&& other) noexcept {
    if (this != &other) {
        stopWatching();
        folder_ = std::move(other.folder_);
        watchTried_ = std::exchange(other.watchTried_, false);
        notices_ = std::exchange(other.notices_, -1);
        current_ = std::exchange(other.current_, false);
        names_ = std::move(other.names_);
    }
    return *this;
}

void FolderListing::watch() {
    watchTried_ = true;
    if (!sendsEveryNotice(folder_))
        return;
    notices_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notices_ < 0)
        return;
    // Watched before the first reading, so no change falls between the two.
    if (::inotify_add_watch(notices_, folder_.c_str(), kNamesChange | kFolderGone | IN_ONLYDIR) < 0)
        stopWatching();
}

void FolderListing::stopWatching() {
    if (notices_ >= 0)
        closeAside(notices_);
    notices_ = -1;
    current_ = false;
    names_.clear();
}

void FolderListing::read() {
    names_.clear();
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error))
        add(it->path().filename().string());
    current_ = !error;
}

bool FolderListing::catchUp() {
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(notices_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return current_;
        if (got <= 0) {
            stopWatching();
            return false;
        }
        for (const char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if ((event->mask & kFolderGone) != 0) {
                stopWatching();
                return false;
            }
            // Notices were lost: the names are read again once the queue is empty.
            if ((event->mask & IN_Q_OVERFLOW) != 0)
                current_ = false;
            if (!current_ || event->len == 0)
                continue;
            if ((event->mask & (IN_CREATE | IN_MOVED_TO)) != 0)
                add(event->name);
            else if ((event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0)
                remove(event->name);
        }
    }
}

void FolderListing::add(const std::string& name) {
    names_[asciiLower(name)].insert(name);
}

void FolderListing::remove(const std::string& name) {
    const auto found = names_.find(asciiLower(name));
    if (found == names_.end())
        return;
    found->second.erase(name);
    if (found->second.empty())
        names_.erase(found);
}

fs::path FolderListing::find(const std::string& fileName) {
    // A connection that never looks a file up takes no watch.
    if (!watchTried_)
        watch();
    // A notice that comes while the folder is read may tell of a change the reading saw already;
    // taking it in again changes nothing, as the last notice of a name tells what it is now.
    if (notices_ >= 0 && !catchUp() && notices_ >= 0) {
        read();
        catchUp();
    }
    if (!current_)
        return findFileIgnoringCase(folder_, fileName);
    const auto found = names_.find(asciiLower(fileName));
    if (found == names_.end())
        return {};
    // A name may stand for a folder or a link to none; a table's file is a regular file.
    std::error_code error;
    if (found->second.count(fileName) != 0 && fs::is_regular_file(folder_ / fileName, error))
        return folder_ / fileName;
    for (const auto& name : found->second)
        if (fs::is_regular_file(folder_ / name, error))
            return folder_ / name;
    return {};
}

fs::path FolderListing::find(const fs::path& folder, const std::string& fileName) {
    return folder == folder_ ? find(fileName) : findFileIgnoringCase(folder, fileName);
}

} // namespace qc::foxpro
