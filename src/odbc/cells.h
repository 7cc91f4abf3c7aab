#pragma once
// A value as the driver hands it over in a C type of ODBC, made into a typed value: the one place
// that does so, whether the value came through SQLGetData or a bound column's buffer.

#include "odbc/value.h"

#include <sql.h>
#include <sqlext.h>

#include <string>

namespace qc::odbc::detail {

// How a column's values are read, from its SQL type.
enum class Kind {
    Bool,
    Integer,
    Single,
    Double,
    Decimal,
    Date,
    Time,
    TimeText,
    DateTime,
    Text,
    Bytes,
    Guid,
    VariantText
};

Kind kindOf(int sqlType);

// The C type a value of `kind` is asked for when it fits a buffer whole, and that buffer's size;
// 0 for the kinds read by pieces (text, bytes).
SQLSMALLINT fixedCType(Kind kind);
SQLLEN fixedSize(Kind kind);

// One value of the column named `column`: `cell` holds it in `cType` in a buffer of `size` bytes,
// `length` is what the driver put beside it (never SQL_NULL_DATA here). Throws Error, naming the
// column, for a value no typed value can hold. Text (SQL_C_WCHAR) and bytes must fit the buffer.
void cellValue(Kind kind, SQLSMALLINT cType, const void* cell, SQLLEN size, SQLLEN length,
               const std::string& column, Value& out);

// Whether a value of `length` bytes was cut to fit a buffer of `size` bytes holding text with a
// terminator (`terminator`: its size in bytes) or bytes (0).
inline bool cut(SQLLEN length, SQLLEN size, SQLLEN terminator) {
    return length == SQL_NO_TOTAL || length > size - terminator;
}

// The value's alternative T, kept with its buffer when it holds one already.
template <class T> T& reuse(Value& v) {
    if (auto* p = std::get_if<T>(&v))
        return *p;
    return v.emplace<T>();
}

[[noreturn]] void failColumn(const std::string& column, const char* sqlState, const std::string& holds);

} // namespace qc::odbc::detail
