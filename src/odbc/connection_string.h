#pragma once
// Reading and quoting the attributes of an ODBC connection string ("KEY=value;KEY={va;lue};").

#include <optional>
#include <string>
#include <string_view>

namespace odbc {

// The value of the first attribute named `key` (case-insensitive), braces removed and "}}" read
// as "}"; nothing when the string has no such attribute.
std::optional<std::string> connectionAttribute(std::string_view connectionString, std::string_view key);

// The value as it must stand in a connection string: unchanged unless it holds ";" or begins with
// "{", in which case it is wrapped in braces with every "}" doubled.
std::string quoteAttributeValue(std::string_view value);

} // namespace odbc
