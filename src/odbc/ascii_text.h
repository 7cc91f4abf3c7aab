#pragma once
// Byte-wise text helpers for the ASCII parts of connection strings and statements; letters outside
// ASCII are compared as they stand.

#include <string_view>

namespace qc::odbc {

// The text without leading and trailing white space.
std::string_view trimSpaces(std::string_view s);

// True when both hold the same letters, ignoring ASCII case.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace qc::odbc
