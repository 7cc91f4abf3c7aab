#pragma once
// Exact decimals as the driver writes them, brought to one plain form.

#include <optional>
#include <string>
#include <string_view>

namespace qc::odbc {

// "-", digits, "." and digits: surrounding blanks and a "+" go, a missing leading digit becomes
// "0" (".5" -> "0.5"), an exponent is worked into the digits ("1.5E3" -> "1500"); the digits
// themselves, trailing zeros included, stay as they are. Nothing when the text is no number.
std::optional<std::string> plainDecimal(std::string_view text);

} // namespace qc::odbc
