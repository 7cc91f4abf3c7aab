#pragma once
// The bound columns of a result, and the block of rows one SQLFetch brings into their buffers.
// Asking for each value with SQLGetData costs a call into the driver per value and, for text, a
// conversion per call; bound, the driver fills a whole block of rows with one call. Values read
// by pieces (long text, large binaries) stay with SQLGetData, which a driver lets us mix with
// bound columns only as far as its SQL_GETDATA_EXTENSIONS allow.

#include "odbc/cells.h"
#include "odbc/column.h"

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <vector>

namespace qc::odbc::detail {

// What a connection's driver and server allow, asked once per result.
struct DriverTraits {
    SQLUINTEGER getDataExtensions = 0;
    // The server holds every value to its column's declared length (SQL Server does; SQLite
    // declares lengths it never enforces), so a buffer of that length takes any value whole.
    bool declaredLengthsHold = false;
    // A server may hold the next rows back (a lock, a stall in the middle of a result); only a
    // driver that reads a file of its own (SQLite) never waits for anyone. Rows are fetched in
    // blocks only where nothing waits: a block waits for its last row, and would keep the rows
    // that came before a stall from the caller.
    bool rowsMayWait = true;
};

DriverTraits driverTraits(SQLHDBC dbc);

class RowBlock {
  public:
    // Binds what may be bound of the described columns and sets the block's size; after a
    // failure to bind, nothing is bound and the block is one row.
    void bind(SQLHSTMT stmt, const std::vector<Column>& columns, const std::vector<Kind>& kinds,
              const DriverTraits& traits);
    // Undoes bind, for the statement's next result.
    void release(SQLHSTMT stmt);

    // Rows the last fetch brought.
    std::size_t rows() const { return static_cast<std::size_t>(fetched_); }
    std::size_t size() const { return blockRows_; }
    bool bound(std::size_t column) const { return column < cells_.size() && cells_[column].size > 0; }
    // The row's status as the driver set it (SQL_ROW_SUCCESS, SQL_ROW_ERROR, ...).
    SQLUSMALLINT status(std::size_t row) const { return statuses_[row]; }
    // The bound column's value at the row into `out`; false when the driver cut it to fit.
    bool read(std::size_t column, std::size_t row, Kind kind, const std::string& name, Value& out) const;

  private:
    struct Cells {
        SQLSMALLINT cType = 0;
        // Bytes per row, 0 when not bound. Exactly the C type's size for the fixed types: in a
        // block, a driver steps through their values by that size, whatever buffer length it is given.
        SQLLEN size = 0;
        std::vector<std::byte> data;
        std::vector<SQLLEN> lengths;
    };
    bool bindAll(SQLHSTMT stmt);

    std::vector<Cells> cells_;
    std::vector<SQLUSMALLINT> statuses_;
    std::size_t blockRows_ = 1;
    SQLULEN fetched_ = 0;
};

} // namespace qc::odbc::detail
