#pragma once
// Text conversion between UTF-8 (what statements carry) and Windows code page 1252 (what new
// tables store).

#include <string>
#include <string_view>

namespace foxpro {

// Converts UTF-8 to code page 1252. Throws Error naming `field` when the text holds a
// character the code page cannot hold or is not valid UTF-8.
std::string utf8ToCp1252(std::string_view text, const std::string& field);
// The same into `out`, of which only the first `room` bytes are written; returns the length of
// the whole converted text, so a caller sees whether it fitted.
std::size_t utf8ToCp1252(std::string_view text, const std::string& field, char* out, std::size_t room);

std::string cp1252ToUtf8(std::string_view bytes);

// True when `text` is valid UTF-8.
bool isValidUtf8(std::string_view text);

} // namespace foxpro
