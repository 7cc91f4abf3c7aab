#pragma once
// One statement on an open connection: executes a query or lists the tables, describes the result
// columns and streams the rows on a forward-only cursor as typed values.

#include "odbc/cells.h"
#include "odbc/column.h"
#include "odbc/error.h"
#include "odbc/row_block.h"
#include "odbc/value.h"

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qc::odbc {

class Connection;
namespace detail {
struct Handles;
}

class Statement {
  public:
    explicit Statement(const Connection& connection);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Seconds a statement may run; 0 means no limit. Set before execute.
    void setQueryTimeout(int seconds);

    void execute(std::string_view sql);
    // SQLTables with no restrictions: TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE, REMARKS.
    void tables();
    // SQLPrimaryKeys of one table of the current catalog, named exactly (not a pattern); an empty
    // schema names none, for a source without schemas or the login's default one: TABLE_CAT,
    // TABLE_SCHEM, TABLE_NAME, COLUMN_NAME, KEY_SEQ, PK_NAME, a row per column of the key.
    void primaryKeys(std::string_view schema, std::string_view table);

    const std::vector<Column>& columns() const { return columns_; }

    // Moves to the next row and reads all its values into `row` (one per column, in order; the
    // strings and byte vectors already there are reused). False at the end, where the cursor is
    // closed and the connection free for the next statement. A value that cannot be read does
    // not fail the row: it is NULL in `row` and its failure is kept for valueFailure.
    bool next(std::vector<Value>& row);
    // The failure of the current row's value of the 0-based column, or null when it was read.
    const Error* valueFailure(std::size_t column) const;
    // Whether any value of the current row failed (so a caller need not ask column by column).
    bool anyValueFailure() const { return anyFailure_; }

    // Closes the cursor (the rest of the result is discarded).
    void close();
    // Moves to the next result with columns of a batch of statements, discarding the rest of this
    // one; false, with the cursor closed, when there is none. A statement of the batch that failed
    // throws here.
    bool nextResult();
    // Asks the server to stop the statement: a call of it waiting for the server on another
    // thread then fails at once. The one call another thread may make while the statement is in use.
    void cancel();

  private:
    using Kind = detail::Kind;

    void describe();
    void readValue(SQLUSMALLINT column, Kind kind, Value& out);
    // Reads the bound column's value of the current row, by SQLGetData where the block cannot
    // give it.
    void readBound(std::size_t column, Value& out);
    void readText(SQLUSMALLINT column, Value& out, bool bounded);
    void readBytes(SQLUSMALLINT column, Value& out);
    bool truncated();
    // Moves to the next row, fetching the next block when the current one is used up; false at
    // the end.
    bool advance();
    void fail(SQLRETURN rc, const char* context);
    // The failure the handle's diagnostics describe.
    Error failure(SQLRETURN rc, const char* context);
    [[noreturn]] void failColumn(SQLUSMALLINT column, const char* sqlState, const std::string& holds);
    void requireConnection();

    std::shared_ptr<detail::Handles> handles_;
    unsigned session_ = 0;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    bool cursorOpen_ = false;
    std::vector<Column> columns_;
    std::vector<Kind> kinds_;
    std::optional<detail::DriverTraits> traits_;
    detail::RowBlock block_;
    std::size_t rowAt_ = 0;     // the current row within the block
    std::size_t blockRows_ = 0; // rows of the block fetched last
    // Of the current row when the driver failed it whole: the bound values cannot be read.
    std::optional<Error> rowFailure_;
    std::vector<std::optional<Error>> failures_; // per column, of the current row
    bool anyFailure_ = false;
    std::vector<SQLWCHAR> chunk_;
    std::vector<SQLWCHAR> variantChunk_;
    std::u16string pieces_;
    std::vector<std::uint8_t> byteChunk_;
};

} // namespace qc::odbc
