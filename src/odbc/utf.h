#pragma once
// UTF-16 (as ODBC's wide calls use it) to and from UTF-8.

#include <string>
#include <string_view>

namespace qc::odbc {

// Appends the UTF-8 form of the UTF-16 text to `out`; an unpaired surrogate becomes U+FFFD.
void appendUtf8(std::u16string_view text, std::string& out);
std::string utf16ToUtf8(std::u16string_view text);

// Malformed UTF-8 bytes become U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);

} // namespace qc::odbc
