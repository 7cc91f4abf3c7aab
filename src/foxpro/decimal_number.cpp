#include "foxpro/decimal_number.h"

#include <limits>

namespace qc::foxpro {

std::optional<DecimalNumber> DecimalNumber::parse(std::string_view text) {
    DecimalNumber out;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        out.negative = text[i++] == '-';
    std::string digits;
    long exponent = 0;
    bool any = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        digits += text[i++];
        any = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            digits += text[i++];
            --exponent;
            any = true;
        }
    }
    if (!any)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        if (i >= text.size())
            return std::nullopt;
        long value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            // Beyond this the value is zero or overflows every field anyway.
            if (value < 100000000)
                value = value * 10 + (text[i] - '0');
            ++i;
        }
        exponent += negativeExponent ? -value : value;
    }
    if (i != text.size())
        return std::nullopt;
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return DecimalNumber{};
    digits.erase(0, first);
    const auto last = digits.find_last_not_of('0');
    exponent += static_cast<long>(digits.size() - last - 1);
    digits.erase(last + 1);
    out.digits = std::move(digits);
    out.exponent = exponent;
    return out;
}

std::optional<std::string> DecimalNumber::toFixed(int decimals) const {
    if (digits.empty())
        return decimals > 0 ? "0." + std::string(static_cast<std::size_t>(decimals), '0') : std::string("0");
    const long scaled = exponent + decimals;
    const long wholeDigits = static_cast<long>(digits.size()) + scaled;
    if (wholeDigits > 40 + decimals)
        return std::nullopt;
    std::string integer;
    if (scaled >= 0) {
        integer = digits + std::string(static_cast<std::size_t>(scaled), '0');
    } else {
        const long cut = -scaled;
        const long size = static_cast<long>(digits.size());
        bool roundUp = false;
        if (cut > size) {
            integer.clear();
        } else {
            integer = digits.substr(0, static_cast<std::size_t>(size - cut));
            roundUp = digits[static_cast<std::size_t>(size - cut)] >= '5';
        }
        if (roundUp) {
            int i = static_cast<int>(integer.size()) - 1;
            while (i >= 0 && integer[static_cast<std::size_t>(i)] == '9')
                integer[static_cast<std::size_t>(i--)] = '0';
            if (i < 0)
                integer.insert(integer.begin(), '1');
            else
                ++integer[static_cast<std::size_t>(i)];
        }
    }
    const auto first = integer.find_first_not_of('0');
    integer = first == std::string::npos ? std::string() : integer.substr(first);
    const bool zero = integer.empty();
    if (integer.size() < static_cast<std::size_t>(decimals) + 1)
        integer.insert(0, static_cast<std::size_t>(decimals) + 1 - integer.size(), '0');
    if (decimals > 0)
        integer.insert(integer.size() - static_cast<std::size_t>(decimals), ".");
    if (negative && !zero)
        integer.insert(integer.begin(), '-');
    return integer;
}

std::optional<std::int64_t> DecimalNumber::toInt64() const {
    if (digits.empty())
        return 0;
    if (exponent < 0 || static_cast<long>(digits.size()) + exponent > 19)
        return std::nullopt;
    unsigned __int128 value = 0;
    for (char c : digits)
        value = value * 10 + static_cast<unsigned>(c - '0');
    for (long i = 0; i < exponent; ++i)
        value *= 10;
    const unsigned __int128 limit =
        static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    if (value > limit)
        return std::nullopt;
    if (negative)
        return static_cast<std::int64_t>(-static_cast<__int128>(value));
    return static_cast<std::int64_t>(value);
}

} // namespace qc::foxpro
