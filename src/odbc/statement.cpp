#include "odbc/statement.h"

#include "odbc/ado_types.h"
#include "odbc/connection.h"
#include "odbc/error.h"
#include "odbc/handles.h"
#include "odbc/utf.h"

#include <cstring>

namespace qc::odbc {

namespace {
// Characters per SQLGetData call for text.
constexpr std::size_t kTextChunk = 4096;
constexpr std::size_t kLargestTextChunk = std::size_t{1} << 20;
// A sql_variant holds at most 8,016 bytes: as text it fits in one read of this many characters.
constexpr std::size_t kVariantChunk = 8192;
constexpr std::size_t kByteChunk = 16384;
// No value past this many bytes can be stored anywhere downstream; a driver that keeps
// answering "more data" must not keep us reading.
constexpr std::size_t kValueLimit = std::size_t{1} << 31;

// A failure of one value (a conversion the driver refused), not of the statement or the link.
bool isValueFailure(const std::string& sqlState) {
    return sqlState.rfind("22", 0) == 0 || sqlState == "07006";
}
} // namespace

Statement::Statement(const Connection& connection) : handles_(connection.shared()) {
    stmt_ = handles_->allocateStatement();
    session_ = handles_->session;
    chunk_.resize(kTextChunk + 1);
    byteChunk_.resize(kByteChunk);
}

Statement::~Statement() {
    handles_->freeStatement(stmt_, session_);
}

void Statement::fail(SQLRETURN rc, const char* context) {
    check(rc, SQL_HANDLE_STMT, stmt_, context);
}

Error Statement::failure(SQLRETURN rc, const char* context) {
    try {
        fail(rc, context);
    } catch (const Error& error) {
        return error;
    }
    return Error("HY000", 0, context);
}

void Statement::failColumn(SQLUSMALLINT column, const char* sqlState, const std::string& holds) {
    detail::failColumn(columns_[column - 1].name, sqlState, holds);
}

void Statement::requireConnection() {
    if (session_ != handles_->session || !handles_->connected)
        throw Error("08003", 0, "The connection is closed.");
}

void Statement::cancel() {
    // A statement of a session that has ended has no handle left to cancel.
    if (session_ == handles_->session && handles_->connected)
        SQLCancel(stmt_);
}

void Statement::setQueryTimeout(int seconds) {
    const SQLULEN value = static_cast<SQLULEN>(seconds < 0 ? 0 : seconds);
    const SQLRETURN rc =
        SQLSetStmtAttr(stmt_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(value), 0);
    if (!succeeded(rc))
        fail(rc, "Setting the query time-out");
}

void Statement::execute(std::string_view sql) {
    close();
    requireConnection();
    std::u16string wide = utf8ToUtf16(sql);
    const SQLRETURN rc =
        SQLExecDirectW(stmt_, reinterpret_cast<SQLWCHAR*>(wide.data()), static_cast<SQLINTEGER>(wide.size()));
    if (rc != SQL_NO_DATA && !succeeded(rc))
        fail(rc, "Executing the statement");
    describe();
}

void Statement::tables() {
    close();
    requireConnection();
    const SQLRETURN rc = SQLTablesW(stmt_, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (!succeeded(rc))
        fail(rc, "Listing the tables");
    describe();
}

void Statement::primaryKeys(std::string_view schema, std::string_view table) {
    close();
    requireConnection();
    std::u16string wideSchema = utf8ToUtf16(schema);
    std::u16string wideTable = utf8ToUtf16(table);
    // A null schema, not an empty one: to ODBC an empty schema means the tables that have none,
    // where a null one leaves the schema to the source (the login's default on a SQL Server).
    SQLWCHAR* schemaArgument = schema.empty() ? nullptr : reinterpret_cast<SQLWCHAR*>(wideSchema.data());
    const SQLRETURN rc = SQLPrimaryKeysW(
        stmt_, nullptr, 0, schemaArgument, static_cast<SQLSMALLINT>(wideSchema.size()),
        reinterpret_cast<SQLWCHAR*>(wideTable.data()), static_cast<SQLSMALLINT>(wideTable.size()));
    if (!succeeded(rc))
        fail(rc, "Reading the primary key");
    describe();
}

void Statement::describe() {
    columns_.clear();
    kinds_.clear();
    SQLSMALLINT count = 0;
    fail(SQLNumResultCols(stmt_, &count), "Counting the result columns");
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        std::vector<SQLWCHAR> name(256);
        SQLSMALLINT nameLength = 0, type = 0, decimals = 0, nullable = 0;
        SQLULEN size = 0;
        SQLRETURN rc = SQLDescribeColW(stmt_, i, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                       &nameLength, &type, &size, &decimals, &nullable);
        if (succeeded(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
            name.resize(static_cast<std::size_t>(nameLength) + 1);
            rc = SQLDescribeColW(stmt_, i, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                 &type, &size, &decimals, &nullable);
        }
        fail(rc, "Describing a result column");
        Column column;
        const auto chars = std::min<std::size_t>(static_cast<std::size_t>(nameLength), name.size() - 1);
        column.name = utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name.data()), chars));
        column.sqlType = type;
        column.size = size;
        column.decimals = decimals;
        column.nullable = nullable != SQL_NO_NULLS;
        column.adoType = adoType(type, size);
        columns_.push_back(std::move(column));
        const Kind kind = detail::kindOf(type);
        kinds_.push_back(kind);
    }
    cursorOpen_ = count > 0;
    if (!cursorOpen_) {
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return;
    }
    if (!traits_)
        traits_ = detail::driverTraits(handles_->dbc);
    block_.bind(stmt_, columns_, kinds_, *traits_);
    rowAt_ = blockRows_ = 0;
}

bool Statement::advance() {
    if (rowAt_ + 1 < blockRows_) {
        ++rowAt_;
        return true;
    }
    const SQLRETURN rc = SQLFetch(stmt_);
    if (rc == SQL_NO_DATA) {
        close();
        return false;
    }
    rowFailure_.reset();
    rowAt_ = 0;
    blockRows_ = block_.size() > 1 ? block_.rows() : 1;
    if (!succeeded(rc)) {
        Error error = failure(rc, "Fetching a row");
        // A single row whose bound value the driver could not convert is still a row: its
        // values are read one by one, or fail together where that is not allowed.
        if (block_.size() > 1 || !isValueFailure(error.sqlState()))
            throw error;
        rowFailure_ = std::move(error);
    } else if (rc == SQL_SUCCESS_WITH_INFO && block_.size() > 1) {
        for (std::size_t i = 0; i < blockRows_; ++i)
            if (block_.status(i) == SQL_ROW_ERROR) {
                rowFailure_ = failure(SQL_ERROR, "Fetching a row");
                break;
            }
    }
    return true;
}

bool Statement::next(std::vector<Value>& row) {
    if (!cursorOpen_)
        return false;
    if (session_ != handles_->session)
        throw Error("08003", 0, "The connection is closed.");
    if (!advance())
        return false;
    row.resize(columns_.size());
    if (anyFailure_) {
        for (auto& failure : failures_)
            failure.reset();
        anyFailure_ = false;
    }
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        try {
            if (block_.bound(i))
                readBound(i, row[i]);
            else
                readValue(static_cast<SQLUSMALLINT>(i + 1), kinds_[i], row[i]);
        } catch (const Error& error) {
            // A lost connection fails the row: no later value or row could be read either.
            if (error.sqlState().rfind("08", 0) == 0)
                throw;
            // One value the driver or this reader cannot convert costs that value, not the
            // rest of the row nor the rows after it.
            row[i] = Null{};
            failures_.resize(columns_.size());
            failures_[i] = error;
            anyFailure_ = true;
        }
    }
    return true;
}

void Statement::readBound(std::size_t column, Value& out) {
    // Where SQLGetData reaches a bound column of a one-row block, it reads what the block could
    // not hold, as it read every value before columns were bound.
    const bool again = block_.size() == 1 && (traits_->getDataExtensions & SQL_GD_BOUND);
    const auto number = static_cast<SQLUSMALLINT>(column + 1);
    const bool rowFailed = rowFailure_ || (block_.size() > 1 && block_.status(rowAt_) == SQL_ROW_ERROR);
    if (rowFailed) {
        if (!again)
            throw rowFailure_ ? *rowFailure_ : Error("HY000", 0, "The driver could not read the row.");
    } else if (block_.read(column, rowAt_, kinds_[column], columns_[column].name, out)) {
        return;
    } else if (!again) {
        failColumn(number, "22001", "a value longer than its declared length.");
    }
    readValue(number, kinds_[column], out);
}

const Error* Statement::valueFailure(std::size_t column) const {
    if (!anyFailure_ || column >= failures_.size() || !failures_[column])
        return nullptr;
    return &*failures_[column];
}

void Statement::close() {
    if (cursorOpen_ && session_ == handles_->session) {
        SQLFreeStmt(stmt_, SQL_CLOSE);
        block_.release(stmt_);
    }
    cursorOpen_ = false;
    rowAt_ = blockRows_ = 0;
}

bool Statement::nextResult() {
    requireConnection();
    if (cursorOpen_)
        block_.release(stmt_);
    cursorOpen_ = false;
    rowAt_ = blockRows_ = 0;
    // A statement's count of the rows it touched is a result of its own, without columns.
    SQLSMALLINT columns = 0;
    do {
        const SQLRETURN rc = SQLMoreResults(stmt_);
        if (rc == SQL_NO_DATA)
            return false;
        if (!succeeded(rc))
            fail(rc, "Moving to the next result");
        fail(SQLNumResultCols(stmt_, &columns), "Counting the result columns");
    } while (columns == 0);
    describe();
    return true;
}

bool Statement::truncated() {
    return firstSqlState(SQL_HANDLE_STMT, stmt_) == "01004";
}

void Statement::readValue(SQLUSMALLINT column, Kind kind, Value& out) {
    switch (kind) {
    case Kind::Bytes:
        readBytes(column, out);
        return;
    case Kind::Text:
        readText(column, out, false);
        return;
    case Kind::VariantText:
        readText(column, out, true);
        return;
    default:
        break;
    }
    // Large enough for every fixed C type, a decimal's text included.
    alignas(8) char buffer[128] = {};
    const SQLSMALLINT cType = detail::fixedCType(kind);
    const SQLLEN size = detail::fixedSize(kind);
    SQLLEN length = 0;
    fail(SQLGetData(stmt_, column, cType, buffer, size, &length), "Reading a value");
    if (length == SQL_NULL_DATA) {
        out = Null{};
        return;
    }
    detail::cellValue(kind, cType, buffer, size, length, columns_[column - 1].name, out);
}

void Statement::readText(SQLUSMALLINT column, Value& out, bool singleChunk) {
    std::vector<SQLWCHAR>& chunk = singleChunk ? variantChunk_ : chunk_;
    if (chunk.empty())
        chunk.resize(kVariantChunk + 1);
    std::size_t room = chunk.size() - 1;
    pieces_.clear();
    for (;;) {
        SQLLEN ind = 0;
        const SQLRETURN rc = SQLGetData(stmt_, column, SQL_C_WCHAR, chunk.data(),
                                        static_cast<SQLLEN>(chunk.size() * sizeof(SQLWCHAR)), &ind);
        if (rc == SQL_NO_DATA)
            break;
        fail(rc, "Reading a value");
        if (ind == SQL_NULL_DATA) {
            out = Null{};
            return;
        }
        const bool more = rc == SQL_SUCCESS_WITH_INFO && truncated();
        std::size_t got = room;
        if (!more) {
            if (ind >= 0)
                got = std::min(static_cast<std::size_t>(ind) / sizeof(SQLWCHAR), room);
            else
                got = std::char_traits<char16_t>::length(reinterpret_cast<const char16_t*>(chunk.data()));
        }
        const std::u16string_view piece(reinterpret_cast<const char16_t*>(chunk.data()), got);
        if (!more && pieces_.empty()) {
            auto& text = detail::reuse<std::string>(out);
            text.clear();
            appendUtf8(piece, text);
            return;
        }
        pieces_.append(piece);
        // A sql_variant read as text never reports its end: one chunk holds all of it.
        if (!more || singleChunk)
            break;
        // A long value is read in ever larger pieces: some drivers convert the whole rest of the
        // value for every piece asked for, which makes small pieces cost the square of its length.
        if (chunk.size() <= kLargestTextChunk / 2) {
            chunk.resize(chunk.size() * 2);
            room = chunk.size() - 1;
        }
        if (pieces_.size() * sizeof(char16_t) >= kValueLimit)
            failColumn(column, "22001", "a value larger than 2 GB.");
    }
    auto& text = detail::reuse<std::string>(out);
    text.clear();
    appendUtf8(pieces_, text);
}

void Statement::readBytes(SQLUSMALLINT column, Value& out) {
    bool first = true;
    for (;;) {
        SQLLEN ind = 0;
        const SQLRETURN rc = SQLGetData(stmt_, column, SQL_C_BINARY, byteChunk_.data(),
                                        static_cast<SQLLEN>(byteChunk_.size()), &ind);
        if (rc == SQL_NO_DATA)
            break;
        fail(rc, "Reading a value");
        if (ind == SQL_NULL_DATA) {
            out = Null{};
            return;
        }
        auto& bytes = detail::reuse<Bytes>(out);
        if (first)
            bytes.clear();
        first = false;
        const bool more = rc == SQL_SUCCESS_WITH_INFO && truncated();
        std::size_t got = byteChunk_.size();
        if (!more && ind >= 0)
            got = std::min(static_cast<std::size_t>(ind), byteChunk_.size());
        bytes.insert(bytes.end(), byteChunk_.begin(), byteChunk_.begin() + static_cast<std::ptrdiff_t>(got));
        if (!more)
            return;
        if (bytes.size() >= kValueLimit)
            failColumn(column, "22001", "a value larger than 2 GB.");
    }
    if (first)
        detail::reuse<Bytes>(out).clear();
}

} // namespace qc::odbc
