#include "foxpro/codepage.h"

#include "foxpro/database.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iconv.h>

namespace qc::foxpro {

namespace {

struct PageMark {
    int codePage;
    std::uint8_t mark;
    const char* converter; // glibc's iconv name; nullptr where it has none
};

// FoxPro's marks (foxpro-formats.md table 1.3). The conversion itself is glibc's: its tables are
// kept by people who follow the code pages, where ours would only be copied once.
constexpr std::array kPages = {
    PageMark{437, 0x01, "CP437"},       PageMark{620, 0x69, nullptr},
    PageMark{737, 0x6A, "CP737"},       PageMark{850, 0x02, "CP850"},
    PageMark{852, 0x64, "CP852"},       PageMark{857, 0x6B, "CP857"},
    PageMark{861, 0x67, "CP861"},       PageMark{865, 0x66, "CP865"},
    PageMark{866, 0x65, "CP866"},       PageMark{874, 0x7C, "CP874"},
    PageMark{895, 0x68, nullptr},       PageMark{932, 0x7B, "CP932"},
    PageMark{936, 0x7A, "CP936"},       PageMark{949, 0x79, "CP949"},
    PageMark{950, 0x78, "CP950"},       PageMark{1250, 0xC8, "CP1250"},
    PageMark{1251, 0xC9, "CP1251"},     PageMark{1252, 0x03, "CP1252"},
    PageMark{1253, 0xCB, "CP1253"},     PageMark{1254, 0xCA, "CP1254"},
    PageMark{1255, 0x7D, "CP1255"},     PageMark{1256, 0x7E, "CP1256"},
    PageMark{10000, 0x04, "MACINTOSH"}, PageMark{10006, 0x98, nullptr},
    PageMark{10007, 0x96, "CP10007"},   PageMark{10029, 0x97, "MAC-CENTRALEUROPE"}};

const PageMark* pageOf(int codePage) {
    const auto found =
        std::find_if(kPages.begin(), kPages.end(), [&](const PageMark& p) { return p.codePage == codePage; });
    return found == kPages.end() ? nullptr : &*found;
}

// Windows leaves five bytes of code page 1252 undefined and hands them over as the C1 controls
// of the same number; glibc refuses them. Tables written before the engine used iconv hold them
// that way, and a value read from one and written again must come back byte for byte, so these
// five are carried across here, around the converter.
constexpr bool isCp1252Gap(std::uint32_t code) {
    return code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D;
}

struct IconvClose {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using Iconv = std::unique_ptr<void, IconvClose>;

Iconv openIconv(const char* to, const char* from, int codePage) {
    const iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw Error("Code page " + std::to_string(codePage) + " has no converter on this system.");
    return Iconv(handle);
}

// Runs the converter over [in, in + size) into `out`; returns what stopped it (0 when all of it
// went) and leaves the pointers past what was converted.
int convert(void* handle, const char*& in, std::size_t& size, char*& out, std::size_t& room) {
    auto* from = const_cast<char*>(in);
    const std::size_t result = iconv(static_cast<iconv_t>(handle), &from, &size, &out, &room);
    in = from;
    return result == static_cast<std::size_t>(-1) ? errno : 0;
}

} // namespace

int codePageOfMark(std::uint8_t mark) {
    for (const auto& page : kPages)
        if (page.mark == mark)
            return page.codePage;
    return 0;
}

std::uint8_t markOfCodePage(int codePage) {
    const PageMark* page = pageOf(codePage);
    return page ? page->mark : 0;
}

const std::vector<int>& writableCodePages() {
    static const std::vector<int> pages = [] {
        std::vector<int> out;
        for (const auto& page : kPages)
            if (page.converter)
                out.push_back(page.codePage);
        std::sort(out.begin(), out.end());
        return out;
    }();
    return pages;
}

bool isWritableCodePage(int codePage) {
    const PageMark* page = pageOf(codePage);
    return page && page->converter;
}

void requireWritableCodePage(int codePage) {
    if (!isWritableCodePage(codePage))
        throw Error("Code page " + std::to_string(codePage) + " cannot be written by this engine.");
}

bool isDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

struct CodePageText::Converters {
    Iconv encoder;
    Iconv decoder;
    std::string spill; // where a text too long for its room is converted to learn its length
};

CodePageText::CodePageText(int codePage) : codePage_(codePage) {
    requireWritableCodePage(codePage);
    const PageMark* page = pageOf(codePage);
    converters_ = std::make_unique<Converters>();
    converters_->encoder = openIconv(page->converter, "UTF-8", codePage);
    converters_->decoder = openIconv("UTF-8", page->converter, codePage);
}

CodePageText::CodePageText(CodePageText&&) noexcept = default;
CodePageText& CodePageText::operator=(CodePageText&&) noexcept = default;
CodePageText::~CodePageText() = default;

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
        return;
    }
    const int extra = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[extra] | (code >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k)
        out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
}

bool isValidUtf8(std::string_view text) {
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < text.size();)
        if (!nextCodePoint(text, i, code))
            return false;
    return true;
}

std::size_t CodePageText::fromUtf8(std::string_view text, const std::string& field, char* out,
                                   std::size_t room) {
    std::size_t length = 0;
    const auto put = [&](const char* bytes, std::size_t count) {
        if (length < room)
            std::memcpy(out + length, bytes, std::min(count, room - length));
        length += count;
    };
    for (std::size_t i = 0; i < text.size();) {
        // A run of plain ASCII, the same in every code page here, goes across in one copy; its
        // end is sought eight bytes at a time.
        std::size_t end = i;
        for (std::uint64_t word = 0; end + 8 <= text.size(); end += 8) {
            std::memcpy(&word, text.data() + end, 8);
            if ((word & 0x8080808080808080u) != 0)
                break;
        }
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
            ++end;
        put(text.data() + i, end - i);
        i = end;
        if (i == text.size())
            break;
        // Then the run of other characters, through the converter.
        while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80)
            ++end;
        const char* in = text.data() + i;
        std::size_t left = end - i;
        while (left > 0) {
            const bool fits = length < room;
            char* to = fits ? out + length : nullptr;
            std::size_t space = fits ? room - length : 0;
            if (!fits) {
                converters_->spill.resize(left);
                to = converters_->spill.data();
                space = left;
            }
            char* const start = to;
            const int stop = convert(converters_->encoder.get(), in, left, to, space);
            length += static_cast<std::size_t>(to - start);
            if (stop == 0 || stop == E2BIG) {
                // Past the room: the rest is converted aside for its length alone.
                if (stop == E2BIG && fits)
                    room = length;
                continue;
            }
            iconv(static_cast<iconv_t>(converters_->encoder.get()), nullptr, nullptr, nullptr, nullptr);
            std::size_t at = static_cast<std::size_t>(in - text.data());
            std::uint32_t code = 0;
            if (!nextCodePoint(text, at, code))
                throw Error("The text for field " + field + " is not valid UTF-8.");
            if (codePage_ == 1252 && isCp1252Gap(code)) {
                const char byte = static_cast<char>(code);
                put(&byte, 1);
                left -= at - static_cast<std::size_t>(in - text.data());
                in = text.data() + at;
                continue;
            }
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
            throw Error("Character " + std::string(hex) + " cannot be stored in field " + field +
                        ": code page " + std::to_string(codePage_) + " has no such character.");
        }
        i = end;
    }
    return length;
}

std::string CodePageText::fromUtf8(std::string_view text, const std::string& field) {
    std::string out(text.size(), '\0');
    out.resize(fromUtf8(text, field, out.data(), out.size()));
    return out;
}

std::string CodePageText::toUtf8(std::string_view bytes) {
    std::string out(bytes.size() * 3 + 4, '\0');
    std::size_t length = 0;
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        char* to = out.data() + length;
        std::size_t space = out.size() - length;
        const int stop = convert(converters_->decoder.get(), in, left, to, space);
        length = static_cast<std::size_t>(to - out.data());
        if (stop == 0)
            break;
        if (stop == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // A byte the page leaves undefined, or a lead byte without its trail.
        iconv(static_cast<iconv_t>(converters_->decoder.get()), nullptr, nullptr, nullptr, nullptr);
        const auto byte = static_cast<unsigned char>(*in);
        std::string put;
        appendUtf8(put, codePage_ == 1252 && isCp1252Gap(byte) ? byte : 0xFFFD);
        if (out.size() - length < put.size())
            out.resize(out.size() * 2 + put.size());
        std::memcpy(out.data() + length, put.data(), put.size());
        length += put.size();
        ++in;
        --left;
    }
    out.resize(length);
    return out;
}

} // namespace qc::foxpro
