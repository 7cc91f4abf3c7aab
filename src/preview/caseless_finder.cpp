#include "preview/caseless_finder.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <array>
#include <cstring>

namespace qc::preview {

namespace {

constexpr std::array<unsigned char, 256> makeAsciiLower() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return table;
}
constexpr std::array<unsigned char, 256> kAsciiLower = makeAsciiLower();

// Never equal to a folded character: stands for a byte that does not start valid UTF-8.
constexpr char32_t kInvalid = 0xFFFFFFFFu;

// Decodes the character at `at`; `length` receives its byte count (1 for an invalid byte).
char32_t decodeUtf8(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    length = 1;
    if (lead < 0x80)
        return lead;
    std::size_t count = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        count = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        count = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        count = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return kInvalid;
    }
    if (at + count > text.size())
        return kInvalid;
    for (std::size_t i = 1; i < count; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return kInvalid;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return kInvalid;
    length = count;
    return value;
}

char32_t fold(char32_t c) {
    return c == kInvalid ? kInvalid : QChar::toCaseFolded(c);
}

bool hasNonAsciiByte(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

} // namespace

CaselessFinder::CaselessFinder(const QString& find) {
    for (const char32_t c : find.toUcs4())
        folded_.push_back(QChar::toCaseFolded(c));
    ascii_ = true;
    for (const char32_t c : folded_) {
        if (c >= 0x80) {
            ascii_ = false;
            break;
        }
    }
    if (ascii_) {
        for (const char32_t c : folded_) {
            asciiFolded_.push_back(static_cast<char>(c));
            if (c == U'k' || c == U's')
                reachableFromNonAscii_ = true;
        }
    }
}

std::optional<CaselessFinder::Match> CaselessFinder::find(std::string_view text) const {
    if (folded_.empty())
        return std::nullopt;
    if (ascii_) {
        if (reachableFromNonAscii_ && hasNonAsciiByte(text))
            return findDecoded(text);
        return findAscii(text);
    }
    // A folded non-ASCII character can only come from a non-ASCII one.
    if (!hasNonAsciiByte(text))
        return std::nullopt;
    return findDecoded(text);
}

std::optional<CaselessFinder::Match> CaselessFinder::findAscii(std::string_view text) const {
    const std::size_t m = asciiFolded_.size();
    if (m > text.size())
        return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const auto* pattern = reinterpret_cast<const unsigned char*>(asciiFolded_.data());
    const unsigned char first = pattern[0];
    const std::size_t lastStart = text.size() - m;
    // A first character without case is looked for with memchr, which scans many bytes at once.
    const bool caseless = first < 'a' || first > 'z';
    for (std::size_t i = 0; i <= lastStart; ++i) {
        if (caseless) {
            const void* at = std::memchr(data + i, first, lastStart - i + 1);
            if (at == nullptr)
                return std::nullopt;
            i = static_cast<std::size_t>(static_cast<const unsigned char*>(at) - data);
        } else if (kAsciiLower[data[i]] != first) {
            continue;
        }
        std::size_t j = 1;
        while (j < m && kAsciiLower[data[i + j]] == pattern[j])
            ++j;
        if (j == m)
            return Match{i, m};
    }
    return std::nullopt;
}

std::optional<CaselessFinder::Match> CaselessFinder::findDecoded(std::string_view text) const {
    // Folded characters of the line with the byte offset of each; one more offset marks the end.
    std::vector<char32_t> chars;
    std::vector<std::size_t> offsets;
    chars.reserve(text.size());
    offsets.reserve(text.size() + 1);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 0;
        const char32_t c = decodeUtf8(text, at, length);
        chars.push_back(fold(c));
        offsets.push_back(at);
        at += length;
    }
    offsets.push_back(text.size());

    const std::size_t m = folded_.size();
    if (m > chars.size())
        return std::nullopt;
    for (std::size_t i = 0; i + m <= chars.size(); ++i) {
        if (std::equal(folded_.begin(), folded_.end(), chars.begin() + static_cast<std::ptrdiff_t>(i)))
            return Match{offsets[i], offsets[i + m] - offsets[i]};
    }
    return std::nullopt;
}

} // namespace qc::preview
