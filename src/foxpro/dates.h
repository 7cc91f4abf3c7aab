#pragma once
// Calendar arithmetic for Date and DateTime fields, and the date texts statements may carry.

#include <cstdint>
#include <optional>
#include <string_view>

namespace qc::foxpro {

struct DateTimeParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    bool hasTime = false;
};

bool isValidDate(int year, int month, int day);
bool isValidTime(const DateTimeParts& parts);

// Julian day number (2000-01-01 is 2,451,545) of a proleptic Gregorian date.
std::int32_t julianDay(int year, int month, int day);
void dateFromJulianDay(std::int32_t julianDay, int& year, int& month, int& day);

// Milliseconds since midnight.
std::int32_t millisecondsOfDay(const DateTimeParts& parts);

// Reads "mm/dd/yyyy[ hh:mm:ss[.fff]]" (date separators "/", "." or "-"; time separators ":" or
// ".", the same between all parts) or
// "yyyy-mm-dd[ hh:mm:ss[.fff]]" (also with "T" before the time). The parts are not checked
// for being a real date; nullopt when the text has neither form.
std::optional<DateTimeParts> parseDateText(std::string_view text);

} // namespace qc::foxpro
