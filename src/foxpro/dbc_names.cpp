#include "foxpro/dbc_names.h"

#include "foxpro/database.h"
#include "foxpro/dbc_record.h"

#include <algorithm>
#include <locale.h>
#include <utility>
#include <wctype.h>

namespace qc::foxpro {

namespace {

// Unicode's case rule as glibc's C.UTF-8 locale holds it, never the locale the program runs
// under: the index keys must come out the same whoever writes them, or FoxPro would miss the
// tables of a run made under another language.
class UnicodeCase {
  public:
    UnicodeCase() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {}
    ~UnicodeCase() {
        if (locale_ != nullptr)
            freelocale(locale_);
    }
    UnicodeCase(const UnicodeCase&) = delete;
    UnicodeCase& operator=(const UnicodeCase&) = delete;

    bool known() const { return locale_ != nullptr; }
    std::uint32_t lower(std::uint32_t code) const {
        return static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(code), locale_));
    }

  private:
    locale_t locale_;
};

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

DbcNames::DbcNames(int codePage, std::string container)
    : codePage_(codePage), container_(std::move(container)),
      text_(std::make_unique<CodePageText>(isWritableCodePage(codePage) ? codePage : 1252)) {
    for (int b = 0; b < 256; ++b)
        lower_[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    const UnicodeCase unicode;
    if (!unicode.known())
        throw Error("The letters of database container '" + container_ +
                    "' cannot be compared: the system lacks the C.UTF-8 locale.");
    const bool doubleByte = isDoubleByteCodePage(text_->codePage());
    for (int b = 0x80; b < 256; ++b) {
        const std::string utf8 = text_->toUtf8(std::string(1, static_cast<char>(b)));
        std::size_t at = 0;
        std::uint32_t code = 0;
        if (!nextCodePoint(utf8, at, code) || at != utf8.size() || code == 0xFFFD) {
            // Not a character on its own: in a double-byte page, the first byte of one.
            lead_[b] = doubleByte;
            continue;
        }
        const std::uint32_t lowerCode = unicode.lower(code);
        if (lowerCode == code)
            continue;
        std::string lowerUtf8;
        appendUtf8(lowerUtf8, lowerCode);
        try {
            const std::string bytes = text_->fromUtf8(lowerUtf8, "");
            if (bytes.size() == 1)
                lower_[b] = static_cast<unsigned char>(bytes[0]);
        } catch (const Error&) {
            // The page lacks the lower-case letter: the byte stays as it is.
        }
    }
}

std::string DbcNames::toPage(const std::string& name, const std::string& what, bool objectName) const {
    std::string bytes;
    bool held = false;
    if (codePage_ == text_->codePage()) {
        try {
            bytes = text_->fromUtf8(name, what);
            held = true;
        } catch (const Error&) {
        }
    } else if (isAscii(name)) {
        bytes = name;
        held = true;
    }
    if (!held)
        throw Error("The name of " + what + " '" + name + "' cannot be written in " +
                    (codePage_ ? "code page " + std::to_string(codePage_) : "an unknown code page") +
                    ", which database container '" + container_ + "' uses; give the " + what +
                    " a name that code page can hold.");
    if (objectName && bytes.size() > kDbcNameLength)
        throw Error("Database container object name \"" + name + "\" is too long.");
    return bytes;
}

std::string DbcNames::toUtf8(const std::string& bytes) const {
    return text_->toUtf8(bytes);
}

std::string DbcNames::lower(std::string bytes) const {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (lead_[c])
            ++i; // its second byte may look like an ASCII letter, and is none
        else
            bytes[i] = static_cast<char>(lower_[c]);
    }
    return bytes;
}

} // namespace qc::foxpro
