#include "odbc/cells.h"

#include "odbc/ado_types.h"
#include "odbc/decimal_text.h"
#include "odbc/error.h"
#include "odbc/utf.h"

#include <charconv>
#include <cstring>

namespace qc::odbc::detail {

namespace {
template <class T> T load(const void* cell) {
    T value;
    std::memcpy(&value, cell, sizeof value);
    return value;
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

void failColumn(const std::string& column, const char* sqlState, const std::string& holds) {
    throw Error(sqlState, 0, "Column \"" + column + "\" holds " + holds);
}

Kind kindOf(int sqlType) {
    switch (sqlType) {
    case SQL_BIT:
        return Kind::Bool;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        return Kind::Integer;
    case SQL_REAL:
        return Kind::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return Kind::Double;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return Kind::Decimal;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return Kind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return Kind::Time;
    case kSqlSsTime2:
        return Kind::TimeText;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return Kind::DateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
    case kSqlSsUdt:
        return Kind::Bytes;
    case SQL_GUID:
        return Kind::Guid;
    case kSqlSsVariant:
        return Kind::VariantText;
    default:
        return Kind::Text;
    }
}

SQLSMALLINT fixedCType(Kind kind) {
    switch (kind) {
    case Kind::Bool:
        return SQL_C_BIT;
    case Kind::Integer:
        return SQL_C_SBIGINT;
    case Kind::Single:
        return SQL_C_FLOAT;
    case Kind::Double:
        return SQL_C_DOUBLE;
    case Kind::Date:
        return SQL_C_TYPE_DATE;
    case Kind::Time:
        return SQL_C_TYPE_TIME;
    case Kind::DateTime:
        return SQL_C_TYPE_TIMESTAMP;
    case Kind::Guid:
        return SQL_C_GUID;
    case Kind::Decimal:
    case Kind::TimeText:
        // As the driver's text: FreeTDS fills an SQL_NUMERIC_STRUCT with scale 0, whatever the
        // row descriptor asks, and drops every digit after the point.
        return SQL_C_CHAR;
    default:
        return 0;
    }
}

SQLLEN fixedSize(Kind kind) {
    switch (kind) {
    case Kind::Bool:
        return 1;
    case Kind::Integer:
        return sizeof(SQLBIGINT);
    case Kind::Single:
        return sizeof(float);
    case Kind::Double:
        return sizeof(double);
    case Kind::Date:
        return sizeof(SQL_DATE_STRUCT);
    case Kind::Time:
        return sizeof(SQL_TIME_STRUCT);
    case Kind::DateTime:
        return sizeof(SQL_TIMESTAMP_STRUCT);
    case Kind::Guid:
        return sizeof(SQLGUID);
    case Kind::Decimal:
        return 128; // a longer text is no number we keep
    case Kind::TimeText:
        return 64;
    default:
        return 0;
    }
}

void cellValue(Kind kind, SQLSMALLINT cType, const void* cell, SQLLEN size, SQLLEN length,
               const std::string& column, Value& out) {
    switch (cType) {
    case SQL_C_BIT:
        out = load<unsigned char>(cell) != 0;
        return;
    case SQL_C_SBIGINT:
        out = static_cast<std::int64_t>(load<SQLBIGINT>(cell));
        return;
    case SQL_C_FLOAT:
        out = widenedSingle(load<float>(cell));
        return;
    case SQL_C_DOUBLE:
        out = load<double>(cell);
        return;
    case SQL_C_TYPE_DATE: {
        const auto d = load<SQL_DATE_STRUCT>(cell);
        const Date date{d.year, d.month, d.day};
        if (!isValidDate(date))
            failColumn(column, "22007", "a date the driver could not convert.");
        out = date;
        return;
    }
    case SQL_C_TYPE_TIME: {
        const auto t = load<SQL_TIME_STRUCT>(cell);
        out = Time{t.hour, t.minute, t.second, 0};
        return;
    }
    case SQL_C_TYPE_TIMESTAMP: {
        const auto t = load<SQL_TIMESTAMP_STRUCT>(cell);
        const DateTime value{Date{t.year, t.month, t.day}, Time{t.hour, t.minute, t.second, t.fraction}};
        if (!isValidDate(value.date) || !isValidClock(value.time))
            failColumn(column, "22007", "a date and time the driver could not convert.");
        out = value;
        return;
    }
    case SQL_C_GUID: {
        const auto g = load<SQLGUID>(cell);
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
    case SQL_C_WCHAR: {
        const std::u16string_view text(static_cast<const char16_t*>(cell),
                                       static_cast<std::size_t>(length) / sizeof(char16_t));
        auto& utf8 = reuse<std::string>(out);
        utf8.clear();
        appendUtf8(text, utf8);
        return;
    }
    case SQL_C_BINARY: {
        const auto* bytes = static_cast<const std::uint8_t*>(cell);
        reuse<Bytes>(out).assign(bytes, bytes + length);
        return;
    }
    case SQL_C_CHAR:
        break;
    default:
        return;
    }
    const auto* chars = static_cast<const char*>(cell);
    const std::string_view s(chars, strnlen(chars, static_cast<std::size_t>(size)));
    if (kind == Kind::Decimal) {
        if (cut(length, size, 1))
            failColumn(column, "22003", "a number too long to read.");
        auto plain = plainDecimal(s);
        if (!plain)
            failColumn(column, "22018", "\"" + std::string(s) + "\", which is no number.");
        reuse<Decimal>(out).digits = std::move(*plain);
        return;
    }
    // A time of SQL Server 2008 and later, which drivers of its own era hand over as text.
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

} // namespace qc::odbc::detail
