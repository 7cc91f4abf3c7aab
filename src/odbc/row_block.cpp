#include "odbc/row_block.h"

#include "odbc/error.h"

#include <algorithm>
#include <cstring>

namespace qc::odbc::detail {

namespace {
// Bytes of bound buffers a block may take, and the most rows it holds: beyond a few hundred rows
// a larger block saves nothing more per row.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::size_t kMostRows = 512;
// The longest text (in characters) and binary (in bytes) bound; anything longer, a (max) type
// included, is read by pieces. Every SQL Server type short of (max) fits.
constexpr SQLULEN kLongestBoundText = 4000;
constexpr SQLULEN kLongestBoundBytes = 8000;

bool isShortText(const Column& column) {
    switch (column.sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
        return column.size > 0 && column.size <= kLongestBoundText;
    default:
        return false;
    }
}

bool isShortBinary(const Column& column) {
    return (column.sqlType == SQL_BINARY || column.sqlType == SQL_VARBINARY) && column.size > 0 &&
           column.size <= kLongestBoundBytes;
}
} // namespace

DriverTraits driverTraits(SQLHDBC dbc) {
    DriverTraits traits;
    SQLUINTEGER extensions = 0;
    if (succeeded(SQLGetInfo(dbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)))
        traits.getDataExtensions = extensions;
    char name[64] = {};
    SQLSMALLINT length = 0;
    if (succeeded(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length))) {
        traits.declaredLengthsHold = std::strcmp(name, "Microsoft SQL Server") == 0;
        traits.rowsMayWait = std::strcmp(name, "SQLite") != 0;
    }
    return traits;
}

void RowBlock::bind(SQLHSTMT stmt, const std::vector<Column>& columns, const std::vector<Kind>& kinds,
                    const DriverTraits& traits) {
    cells_.assign(columns.size(), {});
    std::size_t firstUnbound = columns.size();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        Cells& c = cells_[i];
        const Column& column = columns[i];
        if (const SQLSMALLINT cType = fixedCType(kinds[i])) {
            c.cType = cType;
            c.size = fixedSize(kinds[i]);
        } else if (kinds[i] == Kind::Text && traits.declaredLengthsHold && isShortText(column)) {
            c.cType = SQL_C_WCHAR;
            c.size = static_cast<SQLLEN>((column.size + 1) * sizeof(SQLWCHAR));
        } else if (kinds[i] == Kind::Bytes && traits.declaredLengthsHold && isShortBinary(column)) {
            c.cType = SQL_C_BINARY;
            c.size = static_cast<SQLLEN>(column.size);
        }
        if (c.size == 0)
            firstUnbound = std::min(firstUnbound, i);
    }
    std::size_t rowBytes = 0;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        // Without SQL_GD_ANY_COLUMN, SQLGetData reaches only the columns after the last bound one.
        if (i > firstUnbound && !(traits.getDataExtensions & SQL_GD_ANY_COLUMN))
            cells_[i].size = 0;
        rowBytes += static_cast<std::size_t>(cells_[i].size) + sizeof(SQLLEN);
    }
    // SQLGetData within a block needs SQLSetPos, which a forward-only cursor does not offer.
    blockRows_ = firstUnbound < columns.size() || traits.rowsMayWait
                     ? 1
                     : std::clamp<std::size_t>(kBlockBytes / rowBytes, 1, kMostRows);
    if (!bindAll(stmt))
        release(stmt);
}

bool RowBlock::bindAll(SQLHSTMT stmt) {
    if (std::none_of(cells_.begin(), cells_.end(), [](const Cells& c) { return c.size > 0; })) {
        cells_.clear();
        blockRows_ = 1;
        return true;
    }
    statuses_.assign(blockRows_, SQL_ROW_NOROW);
    fetched_ = 0;
    if (!succeeded(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE,
                                  reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)))
        return false;
    if (blockRows_ > 1) {
        SQLULEN granted = 0;
        SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows_), 0);
        if (!succeeded(SQLGetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) || granted < 1 ||
            granted > blockRows_)
            return false;
        blockRows_ = granted;
    }
    if (!succeeded(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0)) ||
        !succeeded(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, statuses_.data(), 0)))
        return false;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        Cells& c = cells_[i];
        if (c.size == 0)
            continue;
        c.data.assign(static_cast<std::size_t>(c.size) * blockRows_, std::byte{0});
        c.lengths.assign(blockRows_, 0);
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        if (!succeeded(SQLBindCol(stmt, number, c.cType, c.data.data(), c.size, c.lengths.data())))
            return false;
    }
    return true;
}

void RowBlock::release(SQLHSTMT stmt) {
    if (cells_.empty() && blockRows_ == 1)
        return;
    SQLFreeStmt(stmt, SQL_UNBIND);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    cells_.clear();
    blockRows_ = 1;
    fetched_ = 0;
}

bool RowBlock::read(std::size_t column, std::size_t row, Kind kind, const std::string& name,
                    Value& out) const {
    const Cells& c = cells_[column];
    const SQLLEN length = c.lengths[row];
    if (length == SQL_NULL_DATA) {
        out = Null{};
        return true;
    }
    if ((c.cType == SQL_C_WCHAR && cut(length, c.size, sizeof(SQLWCHAR))) ||
        (c.cType == SQL_C_BINARY && cut(length, c.size, 0)))
        return false;
    cellValue(kind, c.cType, c.data.data() + static_cast<std::size_t>(c.size) * row, c.size, length, name,
              out);
    return true;
}

} // namespace qc::odbc::detail
