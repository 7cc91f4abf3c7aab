#pragma once
// How tables come and go without a crash leaving a state readers reject or the next run cannot
// complete: a new table is written under temporary names and renamed into place; a dropped
// table is first renamed out of the way, then its companions are deleted, then the renamed file.
// Those temporary names are the engine's own record of a change that did not finish: the next
// connection that writes completes or undoes it (recoverTableChanges) while holding the folder's
// change lock, which every CREATE and DROP holds, so a name found then is never a change still
// under way.

#include <filesystem>
#include <functional>
#include <string>

namespace qc::foxpro {

class FolderListing;

// ".t.dbf.new": the file `target` while it is being written.
std::filesystem::path newTablePath(const std::filesystem::path& target);
// ".t.dbf.old": the table file `target` while it is being dropped.
std::filesystem::path droppedTablePath(const std::filesystem::path& target);

// The change lock of a folder of tables (an exclusive flock on the folder itself: no reader locks
// a folder), waited for a few seconds at most; "Folder 'x' is in use." when it stays taken.
class FolderChangeLock {
  public:
    explicit FolderChangeLock(const std::filesystem::path& folder);
    ~FolderChangeLock();
    FolderChangeLock(const FolderChangeLock&) = delete;
    FolderChangeLock& operator=(const FolderChangeLock&) = delete;

  private:
    int fd_ = -1;
};

// Whether the file name ends in `extension` (".dbf"), in any letter case.
bool hasExtension(const std::string& fileName, const std::string& extension);

// True when something (even a dangling link) has the name `path`.
bool fileExists(const std::filesystem::path& path);
// Deletes `file` when it is there; a failure is an Error naming it.
void removeFile(const std::filesystem::path& file);
// Deletes the companions of the table file `dbf` (its .fpt and .cdx, found ignoring case in
// `folder`, the listing of the folder it lies in).
void removeCompanions(FolderListing& folder, const std::filesystem::path& dbf);

// The database container the table file `dbf` is bound to, when that container is there (its
// back-link leads to an existing file); empty otherwise.
std::filesystem::path presentContainerOf(const std::filesystem::path& dbf);

// Completes or undoes every table change left unfinished in the folder of `folder`: a creation is undone (its
// CREATE never returned, and a table that readers did not see is not there); a drop of a table
// `listed` still names (a container that did not commit it) is undone, any other drop finished.
// A change whose table file `othersWork` claims (bound to another container that is there) is
// left alone: only a writer of that container knows whether it committed. Call with the
// folder's change lock held.
void recoverTableChanges(FolderListing& folder,
                         const std::function<bool(const std::string& fileName)>& listed,
                         const std::function<bool(const std::filesystem::path& file)>& othersWork);

} // namespace qc::foxpro
