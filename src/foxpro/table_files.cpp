#include "foxpro/table_files.h"

#include "foxpro/database.h"
#include "foxpro/dbf_file.h"
#include "foxpro/file_io.h"
#include "foxpro/folder_listing.h"
#include "foxpro/names.h"
#include "foxpro/table_layout.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qc::foxpro {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNewSuffix = ".new";
constexpr const char* kOldSuffix = ".old";

// The final file name a temporary name stands for ("t.dbf" for ".t.dbf.new"), or empty.
std::string targetName(const std::string& name, const char* suffix) {
    const std::string end = suffix;
    if (name.size() <= 1 + end.size() || name[0] != '.' ||
        name.compare(name.size() - end.size(), end.size(), end) != 0)
        return {};
    return name.substr(1, name.size() - 1 - end.size());
}

// Whether the new table file `dbf` has memo fields; nullopt when it was not written whole.
std::optional<bool> writtenWhole(const fs::path& dbf) {
    try {
        File file(dbf, File::Mode::Read);
        const std::string start = file.readAt(0, 32);
        const std::size_t length =
            static_cast<unsigned char>(start[8]) | (static_cast<unsigned char>(start[9]) << 8);
        const auto layout = TableLayout::parse(file.readAt(0, length), dbf.filename().string());
        if (file.size() != static_cast<std::uint64_t>(layout.headerLength) + 1)
            return std::nullopt;
        return layout.hasMemo();
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace

bool hasExtension(const std::string& fileName, const std::string& extension) {
    return fileName.size() >= extension.size() &&
           asciiLower(fileName.substr(fileName.size() - extension.size())) == asciiLower(extension);
}

bool fileExists(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

fs::path newTablePath(const fs::path& target) {
    return target.parent_path() / ("." + target.filename().string() + kNewSuffix);
}

fs::path droppedTablePath(const fs::path& target) {
    return target.parent_path() / ("." + target.filename().string() + kOldSuffix);
}

FolderChangeLock::FolderChangeLock(const fs::path& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw fileError(errno, folder.string(), "opening");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            break; // a file system without locks: nothing to wait for
        if (std::chrono::steady_clock::now() > deadline) {
            ::close(fd_);
            fd_ = -1;
            throw Error("Folder '" + folder.string() + "' is in use.", Error::Cause::Table);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

FolderChangeLock::~FolderChangeLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

void removeFile(const fs::path& file) {
    std::error_code error;
    fs::remove(file, error);
    if (error)
        throw fileError(error.value(), shownFileName(file), "deleting");
}

void removeCompanions(FolderListing& folder, const fs::path& dbf) {
    const std::string stem = dbf.stem().string();
    for (const char* extension : {".fpt", ".cdx"}) {
        const auto companion = folder.find(dbf.parent_path(), stem + extension);
        if (!companion.empty())
            removeFile(companion);
    }
}

fs::path presentContainerOf(const fs::path& dbf) {
    std::string link = backlinkOf(dbf);
    if (link.empty())
        return {};
    // Visual FoxPro writes the path relative to the table, with Windows separators.
    std::replace(link.begin(), link.end(), '\\', '/');
    const fs::path container = dbf.parent_path() / fs::path(link);
    return findFileIgnoringCase(container.parent_path(), container.filename().string());
}

void recoverTableChanges(FolderListing& listing, const std::function<bool(const std::string&)>& listed,
                         const std::function<bool(const fs::path&)>& othersWork) {
    const fs::path& folder = listing.folder();
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());

    for (const auto& name : names) {
        const std::string target = targetName(name, kNewSuffix);
        if (target.empty() || !hasExtension(target, ".dbf"))
            continue;
        const fs::path temporary = folder / name;
        const fs::path dbf = folder / target;
        const fs::path memo = fs::path(dbf).replace_extension(".fpt");
        const fs::path memoTemporary = newTablePath(memo);
        if (othersWork(temporary))
            continue;
        // The memo file goes into place first: a table file written whole with memo fields,
        // whose memo file left its temporary name and is not yet joined by the table, put it
        // there in this change (a creation never starts over an existing memo file).
        const auto memoFields = writtenWhole(temporary);
        if (memoFields && *memoFields && !fileExists(memoTemporary) && !fileExists(dbf))
            removeFile(memo);
        removeFile(temporary);
        removeFile(memoTemporary);
    }
    for (const auto& name : names) {
        const std::string target = targetName(name, kNewSuffix);
        if (!target.empty() && hasExtension(target, ".fpt") && fileExists(folder / name) &&
            !fileExists(newTablePath(fs::path(folder / target).replace_extension(".dbf"))))
            removeFile(folder / name); // a memo file whose table was never begun
    }
    for (const auto& name : names) {
        const std::string target = targetName(name, kOldSuffix);
        if (target.empty() || !hasExtension(target, ".dbf"))
            continue;
        const fs::path dropped = folder / name;
        const fs::path dbf = folder / target;
        if (othersWork(dropped))
            continue;
        if (fileExists(dbf)) {
            removeFile(dropped); // made again since: the drop was complete but for this
            continue;
        }
        if (listed(target)) {
            renameNoReplace(dropped, dbf); // the container still holds it: the drop is undone
            continue;
        }
        removeCompanions(listing, dbf);
        removeFile(dropped);
    }
}

} // namespace qc::foxpro
