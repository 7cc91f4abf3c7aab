#pragma once
// Exact decimal arithmetic on number literals, so that a value stored into a Numeric or
// Currency field is the literal's own digits, never a binary approximation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qc::foxpro {

struct DecimalNumber {
    bool negative = false;
    std::string digits; // no leading or trailing zeros; empty for zero
    long exponent = 0;  // value = digits x 10^exponent

    bool isZero() const { return digits.empty(); }
    bool isIntegral() const { return exponent >= 0 || digits.empty(); }

    // nullopt when `text` is not a number literal.
    static std::optional<DecimalNumber> parse(std::string_view text);

    // The value with `decimals` digits after the point, rounded half away from zero
    // ("-12.50"); nullopt when its whole part has more than 40 digits.
    std::optional<std::string> toFixed(int decimals) const;

    // The whole value as int64; nullopt when it is not integral or out of range.
    std::optional<std::int64_t> toInt64() const;
};

} // namespace qc::foxpro
