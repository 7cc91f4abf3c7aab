#include "odbc/decimal_text.h"

#include "odbc/ascii_text.h"

#include <cstdlib>

namespace qc::odbc {

namespace {
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

std::optional<std::string> plainDecimal(std::string_view s) {
    s = trimSpaces(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::string intPart, fracPart;
    std::size_t i = 0;
    while (i < s.size() && isDigit(s[i]))
        intPart.push_back(s[i++]);
    bool point = false;
    if (i < s.size() && s[i] == '.') {
        point = true;
        ++i;
        while (i < s.size() && isDigit(s[i]))
            fracPart.push_back(s[i++]);
    }
    if (intPart.empty() && fracPart.empty())
        return std::nullopt;
    long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            expNegative = s[i++] == '-';
        if (i == s.size() || !isDigit(s[i]))
            return std::nullopt;
        while (i < s.size() && isDigit(s[i])) {
            exponent = exponent * 10 + (s[i++] - '0');
            // No driver writes an exact number this far from its point.
            if (exponent > 1000)
                return std::nullopt;
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (i != s.size())
        return std::nullopt;
    if (exponent > 0) {
        const auto shift = static_cast<std::size_t>(exponent);
        if (fracPart.size() <= shift) {
            intPart += fracPart + std::string(shift - fracPart.size(), '0');
            fracPart.clear();
            point = false;
        } else {
            intPart += fracPart.substr(0, shift);
            fracPart.erase(0, shift);
        }
    } else if (exponent < 0) {
        const auto shift = static_cast<std::size_t>(-exponent);
        if (intPart.size() <= shift) {
            fracPart = std::string(shift - intPart.size(), '0') + intPart + fracPart;
            intPart.clear();
        } else {
            fracPart = intPart.substr(intPart.size() - shift) + fracPart;
            intPart.erase(intPart.size() - shift);
        }
        point = true;
    }
    if (exponent != 0) {
        // Leading zeros an exponent left behind carry no meaning.
        const auto first = intPart.find_first_not_of('0');
        intPart = first == std::string::npos ? std::string() : intPart.substr(first);
    }
    if (intPart.empty())
        intPart = "0";
    std::string out;
    out.reserve(intPart.size() + fracPart.size() + 2);
    if (negative)
        out.push_back('-');
    out += intPart;
    if (point && !fracPart.empty()) {
        out.push_back('.');
        out += fracPart;
    }
    return out;
}

} // namespace qc::odbc
