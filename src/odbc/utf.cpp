#include "odbc/utf.h"

namespace qc::odbc {

void appendUtf8(std::u16string_view text, std::string& out) {
    const std::size_t n = text.size();
    const std::size_t start = out.size();
    // At most three bytes per UTF-16 unit (a surrogate pair gives four bytes for two units).
    out.resize(start + 3 * n);
    char* p = out.data() + start;
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *p++ = static_cast<char>(0xF0 | (c >> 18));
            *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    appendUtf8(text, out);
    return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        char32_t c = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xF4) {
            const std::size_t need = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            if (i + need <= n) {
                char32_t v = b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
                bool ok = true;
                for (std::size_t k = 1; k < need; ++k) {
                    if ((s[i + k] & 0xC0) != 0x80) {
                        ok = false;
                        break;
                    }
                    v = (v << 6) | (s[i + k] & 0x3F);
                }
                const char32_t minimum = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
                if (ok && v >= minimum && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                    c = v;
                    len = need;
                }
            }
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += len;
    }
    return out;
}

} // namespace qc::odbc
