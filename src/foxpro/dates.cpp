#include "foxpro/dates.h"

#include <cctype>
#include <string>

namespace qc::foxpro {

bool isValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last;
}

bool isValidTime(const DateTimeParts& p) {
    return p.hour >= 0 && p.hour <= 23 && p.minute >= 0 && p.minute <= 59 && p.second >= 0 &&
           p.second <= 59 && p.millisecond >= 0 && p.millisecond <= 999;
}

std::int32_t julianDay(int year, int month, int day) {
    // Fliegel and Van Flandern.
    const int a = (14 - month) / 12;
    const int y = year + 4800 - a;
    const int m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void dateFromJulianDay(std::int32_t jd, int& year, int& month, int& day) {
    std::int64_t l = static_cast<std::int64_t>(jd) + 68569;
    const std::int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    const std::int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const std::int64_t j = 80 * l / 2447;
    day = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    month = static_cast<int>(j + 2 - 12 * l);
    year = static_cast<int>(100 * (n - 49) + i + l);
}

std::int32_t millisecondsOfDay(const DateTimeParts& p) {
    return ((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.millisecond;
}

namespace {

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    void skip() { ++pos_; }
    // 1 to maxDigits decimal digits.
    std::optional<int> number(std::size_t minDigits, std::size_t maxDigits) {
        std::size_t start = pos_;
        int value = 0;
        while (!atEnd() && std::isdigit(static_cast<unsigned char>(text_[pos_])) && pos_ - start < maxDigits)
            value = value * 10 + (text_[pos_++] - '0');
        if (pos_ - start < minDigits || (!atEnd() && std::isdigit(static_cast<unsigned char>(peek()))))
            return std::nullopt;
        return value;
    }
    bool accept(char c) {
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }
    std::size_t pos() const { return pos_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// The clock parts are separated by ":" or, as several locales write them, by ".".
bool readTime(Reader& r, DateTimeParts& p) {
    auto hour = r.number(1, 2);
    if (!hour)
        return false;
    const char separator = r.peek();
    if (separator != ':' && separator != '.')
        return false;
    r.skip();
    auto minute = r.number(1, 2);
    if (!minute)
        return false;
    p.hour = *hour;
    p.minute = *minute;
    if (r.accept(separator)) {
        auto second = r.number(1, 2);
        if (!second)
            return false;
        p.second = *second;
        if (r.accept('.')) {
            std::size_t start = r.pos();
            auto fraction = r.number(1, 3);
            if (!fraction)
                return false;
            const std::size_t digits = r.pos() - start;
            p.millisecond = *fraction * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
        }
    }
    p.hasTime = true;
    return true;
}

// The `count` characters at `at` as a number when all are digits.
bool digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "mm/dd/yyyy" and "mm/dd/yyyy hh:mm:ss" with every part at full width, the form statements
// written from a source's dates take; the general reading below gives the same parts for them.
bool readFullWidth(std::string_view text, DateTimeParts& p) {
    if (text.size() != 10 && text.size() != 19)
        return false;
    const char separator = text[2];
    if ((separator != '/' && separator != '.' && separator != '-') || text[5] != separator ||
        !digitsAt(text, 0, 2, p.month) || !digitsAt(text, 3, 2, p.day) || !digitsAt(text, 6, 4, p.year))
        return false;
    if (text.size() == 10)
        return true;
    const char clock = text[13];
    if ((text[10] != ' ' && text[10] != 'T') || (clock != ':' && clock != '.') || text[16] != clock ||
        !digitsAt(text, 11, 2, p.hour) || !digitsAt(text, 14, 2, p.minute) ||
        !digitsAt(text, 17, 2, p.second))
        return false;
    p.hasTime = true;
    return true;
}

} // namespace

std::optional<DateTimeParts> parseDateText(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (DateTimeParts full; readFullWidth(text, full))
        return full;
    Reader r(text);
    DateTimeParts p;
    auto first = r.number(1, 4);
    const std::size_t firstDigits = r.pos();
    if (!first)
        return std::nullopt;
    const char separator = r.peek();
    if (separator != '/' && separator != '.' && separator != '-')
        return std::nullopt;
    r.skip();
    auto second = r.number(1, 2);
    if (!second || !r.accept(separator))
        return std::nullopt;
    const std::size_t thirdStart = r.pos();
    auto third = r.number(1, 4);
    if (!third)
        return std::nullopt;
    const std::size_t thirdDigits = r.pos() - thirdStart;
    if (firstDigits == 4) {
        p.year = *first;
        p.month = *second;
        p.day = *third;
        if (thirdDigits > 2)
            return std::nullopt;
    } else if (firstDigits <= 2 && thirdDigits == 4) {
        p.month = *first;
        p.day = *second;
        p.year = *third;
    } else {
        return std::nullopt;
    }
    if (r.atEnd())
        return p;
    if (!r.accept(' ') && !r.accept('T'))
        return std::nullopt;
    while (r.accept(' ')) {
    }
    if (!readTime(r, p) || !r.atEnd())
        return std::nullopt;
    return p;
}

} // namespace qc::foxpro
