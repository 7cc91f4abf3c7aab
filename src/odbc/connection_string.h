#pragma once
// Reading and quoting the attributes of a connection string ("KEY=value;KEY={va;lue};"). Keys are
// case-insensitive and the first one named wins; how a value holding ";" is enclosed depends on
// the string's kind.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qc::odbc {

enum class ValueQuoting {
    // ODBC: "{va;lue}", a "}" inside written "}}".
    Braces,
    // OLE DB: "\"va;lue\"" or "'va;lue'", the enclosing quote doubled inside.
    Quotes,
};

// The value of the first attribute named `key` (case-insensitive), its enclosing removed and the
// doubled closing character read once; nothing when the string has no such attribute.
std::optional<std::string> connectionAttribute(std::string_view connectionString, std::string_view key,
                                               ValueQuoting quoting = ValueQuoting::Braces);

// Every attribute of the string in order, as (key, value) with the value read as above.
std::vector<std::pair<std::string, std::string>>
connectionAttributes(std::string_view connectionString, ValueQuoting quoting = ValueQuoting::Braces);

// The value as it must stand in a connection string: unchanged unless reading it back plainly
// would change it (it holds ";", begins with an opening character, or - for quotes - has white
// space at either end, which plain reading trims), in which case it is enclosed with the closing
// character doubled ("{...}" for braces, "\"...\"" for quotes).
std::string quoteAttributeValue(std::string_view value, ValueQuoting quoting = ValueQuoting::Braces);

} // namespace qc::odbc
