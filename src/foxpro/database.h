#pragma once
// The embedded FoxPro engine as the access layer sees it: a folder of free tables or a database
// container, executing one statement per call.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qc::foxpro {

// Every failure of the engine. A failing statement's description begins "SQL error: ".
class Error : public std::runtime_error {
  public:
    // What a failure says about the statements that would follow it: a value of this row that
    // the table cannot hold leaves the next row free to succeed; a table that is unusable (in
    // use, gone, damaged) refuses every further row of it; a target that takes no more writes
    // (disk full, read-only, access denied) refuses every further table as well. A memo file at
    // its size limit refuses this row and every later row of the table that has a memo value,
    // while rows without one still go in.
    enum class Cause { Row, Table, Target, MemoLimit };

    explicit Error(const std::string& message, Cause cause = Cause::Row)
        : std::runtime_error(message), cause_(cause) {}
    Cause cause() const { return cause_; }

  private:
    Cause cause_;
};

class Catalog;
struct InsertInto;

class Database {
  public:
    struct Limits {
        // Neither a table nor a memo file may grow past this many bytes.
        std::uint64_t maxFileSize = 2147483647;
    };

    virtual ~Database() = default;

    // Opens the folder (free tables) or the .dbc file at path; throws Error when it does not
    // exist or cannot be used. New tables are written in `codePage` (one of
    // writableCodePages(), codepage.h), as are tables that carry no code page mark.
    static std::unique_ptr<Database> open(const std::string& path);
    static std::unique_ptr<Database> open(const std::string& path, const Limits& limits, int codePage = 1252);
    // Where open() keeps the tables of `path` (catalog.h); throws as open() does.
    static std::unique_ptr<Catalog> openCatalog(const std::string& path, int codePage);

    // Executes one CREATE TABLE, DROP TABLE or INSERT INTO statement (a trailing ";" allowed).
    // When it returns, its effect is in the files and the files are consistent.
    virtual void execute(std::string_view statement) = 0;
    // Executes the INSERT INTO that execute() would read from a statement's text, as its parser
    // hands it over (statement.h): what a caller holding the values spares writing and reading.
    virtual void execute(const InsertInto& statement) = 0;

    // Throws the Error that execute() would throw for a statement whose text, table name or
    // table definition (field names, types, widths, at most 255 fields, the record's length) the
    // engine refuses, and changes nothing. What depends on the files (a table that is there
    // already, a full disk) is not looked at.
    static void check(std::string_view statement);

    // The tables, lower case: the folder's .dbf files, or the tables the container holds.
    virtual std::vector<std::string> tableNames() = 0;

    // Closes the files the connection keeps open. A write the system could not make is told
    // by some file systems (a network share) only when the file closes: that failure is thrown
    // here, after every file was closed. Closing without it tells nobody.
    virtual void close() {}

    // What the engine put right on its own since the last call, each told once (a table found
    // bound to a container that does not hold it, now a free table).
    virtual std::vector<std::string> takeNotices() { return {}; }
};

} // namespace qc::foxpro
