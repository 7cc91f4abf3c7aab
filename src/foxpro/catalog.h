#pragma once
// Where a Database's tables live.
//
// The statement executor (statement_executor.h) parses a statement, checks the table name and
// encodes the values; everything that depends on *where* tables are kept goes through a
// Catalog:
//   - a folder of free tables (FolderCatalog, folder_catalog.h): one name.dbf (+ name.fpt) per
//     table, no back-link, field names cut to 10 characters by shortFieldNames();
//   - a database container (.dbc): the table files beside the container, a back-link naming the
//     container in each table's header, one Table and one Field record per field in the .dbc,
//     long field names (up to 128) kept there and the 10-character names in the DBF.
//
// Contract for an implementation:
//   - Names given to it are already checked by checkTableName() (no path separators, no "."
//     or ".."); it compares them case-insensitively and writes file names in lower case.
//   - It finds the files of its folder through a FolderListing (folder_listing.h) kept for the
//     connection, so that a lookup does not read the folder, while a file another writer made or
//     removed meanwhile is seen as it is.
//   - Every failure throws foxpro::Error with a plain FoxPro-style message ("File 'x.dbf' does
//     not exist."); the executor puts "SQL error: " in front.
//   - beginWriting() comes before every change of a connection: it takes what the catalog's
//     exclusive use needs (a container's lock) and completes or undoes the changes a dead
//     process left unfinished (table_files.h), so the change that follows starts from a state
//     the engine knows.
//   - createTable() writes the table with DbfFile::create() (dbf_file.h), passing the back-link
//     text, and fails with "File 'x.dbf' already exists." when the table is there already.
//     When it fails half-way it removes what it wrote. It returns the table open for writing,
//     holding its lock of exclusive use from before its name existed.
//   - dropTable() is called while the executor holds the table's lock of exclusive use and no
//     other handle on it.
//   - Each call leaves the files consistent when it returns, and a process killed at any point
//     of it leaves files that readers open and that the next beginWriting() puts right.

#include "foxpro/dbf_file.h"
#include "foxpro/table_layout.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qc::foxpro {

class Catalog {
  public:
    virtual ~Catalog() = default;

    // The tables, lower case, in a stable order.
    virtual std::vector<std::string> tableNames() = 0;

    // The .dbf of the table `name`, found case-insensitively; nullopt when there is none.
    virtual std::optional<std::filesystem::path> findTable(const std::string& name) = 0;

    // Before every change; see the contract above.
    virtual void beginWriting() = 0;

    // Creates the table `name`. `columns` carry the field names exactly as the statement wrote
    // them (the catalog derives the names stored in the DBF, e.g. with shortFieldNames(), and
    // builds the layout with TableLayout::make()) and their types, widths and NULL rules. The
    // table carries the mark of `codePage`, one of writableCodePages().
    virtual DbfFile createTable(const std::string& name, const std::vector<FieldSpec>& columns,
                                int codePage) = 0;

    // Removes the table `name` (files and registration).
    virtual void dropTable(const std::string& name) = 0;

    // The file `fileName` in the folder of the file `beside` (a table's index beside it), found
    // case-insensitively; an empty path when there is none.
    virtual std::filesystem::path findBeside(const std::filesystem::path& beside,
                                             const std::string& fileName) = 0;

    // Throws Error when the table file `dbf` belongs to a writer of another kind and must not be
    // dropped, repaired or written to from here (a container's table seen from its folder).
    virtual void requireOwnTable(const std::filesystem::path& /*dbf*/) {}

    // See Database::takeNotices().
    virtual std::vector<std::string> takeNotices() { return {}; }

    // The names an INSERT's field list may use for the table's fields, in DBF field order (the
    // long names in a container). `layout` is the table's layout as read from its DBF.
    virtual std::vector<std::string> fieldNames(const std::string& name, const TableLayout& layout) = 0;
};

} // namespace qc::foxpro
