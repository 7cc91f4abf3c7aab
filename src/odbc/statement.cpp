#include "odbc/statement.h"

#include "odbc/ado_types.h"
#include "odbc/connection.h"
#include "odbc/decimal_text.h"
#include "odbc/error.h"
#include "odbc/handles.h"
#include "odbc/utf.h"

#include <charconv>
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

template <class T> T& reuse(Value& v) {
    if (auto* p = std::get_if<T>(&v))
        return *p;
    return v.emplace<T>();
}

int digitsAt(std::string_view s, std::size_t at, std::size_t count) {
    if (at + count > s.size())
        return -1;
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        n = n * 10 + (s[i] - '0');
    }
    return n;
}

bool isValidDate(const Date& d) {
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31;
}

bool isValidClock(const Time& t) {
    return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 62;
}

// The double whose shortest text is that of the float: a single-precision value reads as the
// number it was written as (0.1, not 0.10000000149011612).
double widenedSingle(float f) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, f);
    if (ec != std::errc())
        return static_cast<double>(f);
    // from_chars, not strtod: the C library's locale (the desktop's, once Qt has started) may
    // take "," for the decimal point and read "0.1" as 0.
    double widened = static_cast<double>(f);
    std::from_chars(text, end, widened);
    return widened;
}

std::string hex(unsigned long v, int width) {
    static const char* digits = "0123456789ABCDEF";
    std::string out(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i, v >>= 4)
        out[static_cast<std::size_t>(i)] = digits[v & 0xF];
    return out;
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

bool Statement::readFixed(SQLUSMALLINT column, SQLSMALLINT cType, void* buffer, SQLLEN size, Value& out,
                          bool* cut) {
    SQLLEN ind = 0;
    const SQLRETURN rc = SQLGetData(stmt_, column, cType, buffer, size, &ind);
    fail(rc, "Reading a value");
    if (ind == SQL_NULL_DATA) {
        out = Null{};
        return false;
    }
    if (cut)
        *cut = rc == SQL_SUCCESS_WITH_INFO && truncated();
    return true;
}

void Statement::failColumn(SQLUSMALLINT column, const char* sqlState, const std::string& holds) {
    throw Error(sqlState, 0, "Column \"" + columns_[column - 1].name + "\" holds " + holds);
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
        Kind kind = Kind::Text;
        switch (type) {
        case SQL_BIT:
            kind = Kind::Bool;
            break;
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            kind = Kind::Integer;
            break;
        case SQL_REAL:
            kind = Kind::Single;
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
            kind = Kind::Double;
            break;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            kind = Kind::Decimal;
            break;
        case SQL_TYPE_DATE:
        case SQL_DATE:
            kind = Kind::Date;
            break;
        case SQL_TYPE_TIME:
        case SQL_TIME:
            kind = Kind::Time;
            break;
        case kSqlSsTime2:
            kind = Kind::TimeText;
            break;
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
            kind = Kind::DateTime;
            break;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
        case kSqlSsUdt:
            kind = Kind::Bytes;
            break;
        case SQL_GUID:
            kind = Kind::Guid;
            break;
        case kSqlSsVariant:
            kind = Kind::VariantText;
            break;
        default:
            kind = Kind::Text;
        }
        kinds_.push_back(kind);
    }
    cursorOpen_ = count > 0;
    if (!cursorOpen_)
        SQLFreeStmt(stmt_, SQL_CLOSE);
}

bool Statement::next(std::vector<Value>& row) {
    if (!cursorOpen_)
        return false;
    if (session_ != handles_->session)
        throw Error("08003", 0, "The connection is closed.");
    const SQLRETURN rc = SQLFetch(stmt_);
    if (rc == SQL_NO_DATA) {
        close();
        return false;
    }
    if (!succeeded(rc))
        fail(rc, "Fetching a row");
    row.resize(columns_.size());
    if (anyFailure_) {
        for (auto& failure : failures_)
            failure.reset();
        anyFailure_ = false;
    }
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        try {
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

const Error* Statement::valueFailure(std::size_t column) const {
    if (!anyFailure_ || column >= failures_.size() || !failures_[column])
        return nullptr;
    return &*failures_[column];
}

void Statement::close() {
    if (cursorOpen_ && session_ == handles_->session)
        SQLFreeStmt(stmt_, SQL_CLOSE);
    cursorOpen_ = false;
}

bool Statement::truncated() {
    return firstSqlState(SQL_HANDLE_STMT, stmt_) == "01004";
}

void Statement::readValue(SQLUSMALLINT column, Kind kind, Value& out) {
    switch (kind) {
    case Kind::Bool: {
        unsigned char b = 0;
        if (readFixed(column, SQL_C_BIT, &b, sizeof b, out))
            out = b != 0;
        return;
    }
    case Kind::Integer: {
        SQLBIGINT n = 0;
        if (readFixed(column, SQL_C_SBIGINT, &n, sizeof n, out))
            out = static_cast<std::int64_t>(n);
        return;
    }
    case Kind::Single: {
        float f = 0;
        if (readFixed(column, SQL_C_FLOAT, &f, sizeof f, out))
            out = widenedSingle(f);
        return;
    }
    case Kind::Double: {
        double d = 0;
        if (readFixed(column, SQL_C_DOUBLE, &d, sizeof d, out))
            out = d;
        return;
    }
    case Kind::Decimal:
        readDecimal(column, out);
        return;
    case Kind::Date: {
        SQL_DATE_STRUCT d{};
        if (!readFixed(column, SQL_C_TYPE_DATE, &d, sizeof d, out))
            return;
        const Date date{d.year, d.month, d.day};
        if (!isValidDate(date))
            failColumn(column, "22007", "a date the driver could not convert.");
        out = date;
        return;
    }
    case Kind::Time: {
        SQL_TIME_STRUCT t{};
        if (readFixed(column, SQL_C_TYPE_TIME, &t, sizeof t, out))
            out = Time{t.hour, t.minute, t.second, 0};
        return;
    }
    case Kind::TimeText:
        readTimeText(column, out);
        return;
    case Kind::DateTime: {
        SQL_TIMESTAMP_STRUCT t{};
        if (!readFixed(column, SQL_C_TYPE_TIMESTAMP, &t, sizeof t, out))
            return;
        const DateTime value{Date{t.year, t.month, t.day}, Time{t.hour, t.minute, t.second, t.fraction}};
        if (!isValidDate(value.date) || !isValidClock(value.time))
            failColumn(column, "22007", "a date and time the driver could not convert.");
        out = value;
        return;
    }
    case Kind::Guid: {
        SQLGUID g{};
        if (!readFixed(column, SQL_C_GUID, &g, sizeof g, out))
            return;
        // Braced, as the platform's text form of a GUID (and so what stored files hold) is.
        std::string text = "{" + hex(g.Data1, 8) + "-" + hex(g.Data2, 4) + "-" + hex(g.Data3, 4) + "-";
        for (int i = 0; i < 8; ++i) {
            if (i == 2)
                text += "-";
            text += hex(g.Data4[i], 2);
        }
        text += "}";
        out = Guid{std::move(text)};
        return;
    }
    case Kind::Bytes:
        readBytes(column, out);
        return;
    case Kind::Text:
        readText(column, out, false);
        return;
    case Kind::VariantText:
        readText(column, out, true);
        return;
    }
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
            auto& text = reuse<std::string>(out);
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
    auto& text = reuse<std::string>(out);
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
        auto& bytes = reuse<Bytes>(out);
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
        reuse<Bytes>(out).clear();
}

void Statement::readDecimal(SQLUSMALLINT column, Value& out) {
    char text[128] = {};
    bool cut = false;
    if (!readFixed(column, SQL_C_CHAR, text, sizeof text, out, &cut))
        return;
    if (cut)
        failColumn(column, "22003", "a number too long to read.");
    const std::string_view raw(text, std::strlen(text));
    auto plain = plainDecimal(raw);
    if (!plain)
        failColumn(column, "22018", "\"" + std::string(raw) + "\", which is no number.");
    reuse<Decimal>(out).digits = std::move(*plain);
}

void Statement::readTimeText(SQLUSMALLINT column, Value& out) {
    char text[64] = {};
    if (!readFixed(column, SQL_C_CHAR, text, sizeof text, out))
        return;
    const std::string_view s(text, std::strlen(text));
    const int h = digitsAt(s, 0, 2), m = digitsAt(s, 3, 2), sec = digitsAt(s, 6, 2);
    if (h < 0 || m < 0 || sec < 0 || s[2] != ':' || s[5] != ':')
        failColumn(column, "22018", "\"" + std::string(s) + "\", which is no time.");
    std::uint32_t nanos = 0;
    if (s.size() > 9 && s[8] == '.') {
        std::uint32_t scale = 100000000;
        for (std::size_t i = 9; i < s.size() && s[i] >= '0' && s[i] <= '9' && scale > 0; ++i, scale /= 10)
            nanos += static_cast<std::uint32_t>(s[i] - '0') * scale;
    }
    out = Time{h, m, sec, nanos};
}

} // namespace qc::odbc
