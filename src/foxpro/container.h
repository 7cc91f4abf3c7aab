#pragma once
// A Visual FoxPro database container: the .dbc table of object records, its .dct memo holding
// their properties and its .dcx index. The engine never reads the index; it rewrites it from the
// records after every change so that Visual FoxPro finds the new objects.
//
// Its names (of tables and fields, and the paths of the table files) are held in the code page
// the .dbc's mark names; a container without a mark is in the run's page.
//
// Changes are ordered so that a crash of the process leaves the container as it was or as it is
// after the change: values are appended to the .dct before anything points at them, new records
// are written past the record count before the count (the commit) includes them, rewritten
// files are written beside the old ones and renamed over them. The index is renamed into place
// right after the commit; if the process dies between the two, the index file left beside the
// container tells the next writer (or an open that can take the container's lock) to rebuild
// the index from the committed records. The files are
// not flushed to the disk on each change: a change survives the death of the process, and
// what survives a power failure is left to the file system.

#include "foxpro/dbc_names.h"
#include "foxpro/dbc_property.h"
#include "foxpro/dbc_record.h"
#include "foxpro/file_io.h"
#include "foxpro/fpt_file.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qc::foxpro {

class Container {
  public:
    // Writes a new, empty container (the five records of a fresh database) at dbcPath, with its
    // .dct and .dcx beside it, marked with `codePage`. Fails, writing nothing, when any of the
    // three files exists or the engine cannot write the code page.
    static void create(const std::filesystem::path& dbcPath, int codePage = 1252);

    // Opens an existing container; one without a code page mark is taken to be in `runCodePage`.
    // Throws Error, changing nothing, when the .dbc, .dct or .dcx is missing or is not what a
    // container holds. A container whose files cannot be written opens read-only: every change
    // then fails with an Error before anything is written.
    static Container open(const std::filesystem::path& dbcPath, int runCodePage = 1252);

    Container(Container&&) noexcept = default;
    Container& operator=(Container&&) noexcept = default;

    // Reads the container afresh when its files changed since this object last read or wrote
    // them: another connection may have changed it, and a change made from a stale picture would
    // write over that one.
    void reload();

    const std::filesystem::path& path() const { return dbcPath_; }
    std::filesystem::path folder() const { return dbcPath_.parent_path(); }
    bool readOnly() const { return readOnly_; }
    // Throws Error when the container is read-only.
    void requireWritable() const;

    // The records as the .dbc holds them, their names in the container's code page.
    const std::vector<DbcRecord>& records() const { return records_; }
    std::vector<DbcProperty> properties(const DbcRecord& record) const;

    // Names are given and returned in UTF-8.
    // The live Table records' names, lower case, in record order.
    std::vector<std::string> tableNames() const;
    // The live Table record named `name` (case-insensitive, by the container's code page), or
    // null.
    const DbcRecord* findTable(const std::string& name) const;
    // The table's .dbf, from its Path property, relative to the container's folder. Throws
    // Error when the path leaves that folder.
    std::filesystem::path tableFile(const DbcRecord& table) const;
    // The long names of the table's fields, in DBF order.
    std::vector<std::string> fieldNames(const DbcRecord& table) const;

    // The back-link a table beside the container carries: the container's file name, lower case,
    // in the table's code page. Throws Error when the name holds a character that code page
    // cannot hold.
    std::string backlink(int codePage) const;
    // The same in UTF-8, as backlinkOf() reads it back.
    std::string linkName() const;

    // The container's memo file: it is never replaced (the .dbc and .dcx are, by renames), so
    // its lock of exclusive use stays with the container.
    const std::filesystem::path& memoPath() const { return dctPath_; }

    // Adds a Table record for `name` (its file `fileName` beside the container) and one Field
    // record per long field name, then rewrites the index. `beforeCommit` runs once the records
    // are written past the count and before the count takes them in: the uncounted Table record
    // is the record of the change, should the process die before the count moves. Throws Error,
    // writing nothing, when the container's code page cannot hold a name.
    void addTable(const std::string& name, const std::string& fileName,
                  const std::vector<std::string>& fieldNames, const std::function<void()>& beforeCommit);

    // The names of Table records written past the count by a change that did not commit, as they
    // are stored (their files are named after them).
    std::vector<std::string> uncountedTables() const;
    // Cuts off what lies past the counted records and puts the end-of-file mark back.
    void trimUncounted();
    // Rebuilds the index when a change left its new index (or its new .dbc) beside the
    // container. Only with the container's lock of exclusive use held.
    void recoverIndex();

    // Marks deleted the Table record of `name`, the records that belong to it and the relations
    // that name it, then rewrites the index. Returns the table's file.
    std::filesystem::path removeTable(const std::string& name);

  private:
    Container() = default;
    void loadRecords();
    // A new index or a new .dbc lies beside the container.
    bool changeLeftBehind() const;
    // What identifies the state of the .dbc and .dct files: device, inode, size, change time.
    std::vector<long long> fileStamp() const;

    std::filesystem::path dbcPath_;
    std::filesystem::path dctPath_;
    std::filesystem::path dcxPath_;
    File dbc_;
    FptFile dct_;
    TableLayout layout_;
    std::vector<DbcRecord> records_;
    std::vector<std::string> raw_; // the records' bytes as read, rewritten unchanged but for flags
    bool readOnly_ = false;
    std::vector<long long> stamp_;
    int runCodePage_ = 1252;
    std::optional<DbcNames> names_;
};

// The name of the index file written beside `dcxPath` before it replaces it.
std::filesystem::path pendingIndexPath(const std::filesystem::path& dcxPath);

} // namespace qc::foxpro
