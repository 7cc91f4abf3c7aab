#pragma once
// A typed value read from a source column.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace qc::odbc {

struct Null {
    bool operator==(const Null&) const = default;
};
// An exact decimal as text: optional "-", digits, optional "." and digits (never exponent form).
struct Decimal {
    std::string digits;
    bool operator==(const Decimal&) const = default;
};
struct Date {
    int year = 0, month = 0, day = 0;
    bool operator==(const Date&) const = default;
};
struct Time {
    int hour = 0, minute = 0, second = 0;
    std::uint32_t nanos = 0;
    bool operator==(const Time&) const = default;
};
struct DateTime {
    Date date;
    Time time;
    bool operator==(const DateTime&) const = default;
};
// A GUID in its braced 38-character form, upper case: "{6F9619FF-8B86-D011-B42D-00C04FC964FF}".
struct Guid {
    std::string text;
    bool operator==(const Guid&) const = default;
};
using Bytes = std::vector<std::uint8_t>;

// Text is UTF-8.
using Value =
    std::variant<Null, bool, std::int64_t, double, Decimal, Date, Time, DateTime, std::string, Bytes, Guid>;

inline bool isNull(const Value& v) {
    return std::holds_alternative<Null>(v);
}

} // namespace qc::odbc
