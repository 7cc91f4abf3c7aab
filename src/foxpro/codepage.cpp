#include "foxpro/codepage.h"

#include "foxpro/database.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace foxpro {

namespace {

// Code points of bytes 0x80-0x9F; the five bytes Windows leaves undefined map to the C1
// control of the same number, so every byte survives a round trip.
constexpr std::uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one UTF-8 character at `i`; returns false when the bytes are not valid UTF-8.
bool nextCodePoint(std::string_view text, std::size_t& i, std::uint32_t& code) {
    const auto c = static_cast<unsigned char>(text[i]);
    int extra = 0;
    if (c < 0x80) {
        code = c;
    } else if (c >= 0xC2 && c <= 0xDF) {
        code = c & 0x1F;
        extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        code = c & 0x0F;
        extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
        code = c & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + extra >= text.size() && extra > 0)
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return false;
        code = (code << 6) | (next & 0x3F);
    }
    if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return false;
    i += 1 + extra;
    return true;
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

bool isValidUtf8(std::string_view text) {
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < text.size();)
        if (!nextCodePoint(text, i, code))
            return false;
    return true;
}

std::size_t utf8ToCp1252(std::string_view text, const std::string& field, char* out, std::size_t room) {
    std::size_t length = 0;
    const auto put = [&](char c) {
        if (length < room)
            out[length] = c;
        ++length;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            // A run of plain ASCII goes across in one copy; its end is sought eight bytes at a time.
            std::size_t end = i + 1;
            for (std::uint64_t word = 0; end + 8 <= text.size(); end += 8) {
                std::memcpy(&word, text.data() + end, 8);
                if ((word & 0x8080808080808080u) != 0)
                    break;
            }
            while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
                ++end;
            if (length < room)
                std::memcpy(out + length, text.data() + i, std::min(end - i, room - length));
            length += end - i;
            i = end;
            continue;
        }
        std::uint32_t code = 0;
        if (!nextCodePoint(text, i, code))
            throw Error("The text for field " + field + " is not valid UTF-8.");
        if (code >= 0xA0 && code <= 0xFF) {
            put(static_cast<char>(code));
            continue;
        }
        bool found = false;
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] == code) {
                put(static_cast<char>(0x80 + k));
                found = true;
                break;
            }
        }
        if (!found) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
            throw Error("Character " + std::string(hex) + " cannot be stored in field " + field +
                        ": code page 1252 has no such character.");
        }
    }
    return length;
}

std::string utf8ToCp1252(std::string_view text, const std::string& field) {
    // Every character takes at most as many bytes in the code page as in UTF-8.
    std::string out(text.size(), '\0');
    out.resize(utf8ToCp1252(text, field, out.data(), out.size()));
    return out;
}

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out += ch;
        else if (c < 0xA0)
            appendUtf8(out, kHigh[c - 0x80]);
        else
            appendUtf8(out, c);
    }
    return out;
}

} // namespace foxpro
