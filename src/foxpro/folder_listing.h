#pragma once
// The file names of a folder of tables, read once and kept current from statement to statement, so
// that finding a file in any letter case does not read the whole folder each time: with every
// table a folder gains, reading it takes longer, and a conversion of many tables would spend more
// on that than on the tables' rows.
//
// The system's notices of the folder (inotify) keep the names current: they tell of every
// creation, deletion and rename in it, by this connection, another one or another program, and
// are taken in before each lookup, so a name another writer made a moment ago (ORDERS.DBF as
// well as orders.dbf) is found. Where no notices can be had (a network share, whose other
// machines send none, a file system of a kind not known to send them, no watch left for this
// user) every lookup that finds nothing reads the folder again, as findFileIgnoringCase does.

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace qc::foxpro {

class FolderListing {
  public:
    explicit FolderListing(std::filesystem::path folder);
    ~FolderListing();
    FolderListing(FolderListing&& other) noexcept;
    FolderListing& operator=(FolderListing&& other) noexcept;
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    const std::filesystem::path& folder() const { return folder_; }

    // `fileName` in the folder, compared ignoring case (ASCII), as findFileIgnoringCase finds it:
    // an exact match first, else the first spelling in byte order; an empty path when absent.
    std::filesystem::path find(const std::string& fileName);
    // The same for a file in `folder`, which need not be this one (a table a container keeps
    // elsewhere): another folder is read as findFileIgnoringCase reads it.
    std::filesystem::path find(const std::filesystem::path& folder, const std::string& fileName);

  private:
    void watch();
    void stopWatching();
    void read();
    // Takes in the notices that came since the last call; false when the names can no longer
    // be kept from them (lost notices, the folder itself gone or moved).
    bool catchUp();
    void add(const std::string& name);
    void remove(const std::string& name);

    std::filesystem::path folder_;
    bool watchTried_ = false;
    int notices_ = -1;     // the inotify descriptor while the folder is watched
    bool current_ = false; // names_ holds the folder as it is, but for notices still to come
    // The folder's file names by their lower-case spelling (a folder may hold several spellings).
    std::map<std::string, std::set<std::string>> names_;
};

} // namespace qc::foxpro
