#include "foxpro/value_encoder.h"

#include "foxpro/database.h"
#include "foxpro/dates.h"
#include "foxpro/decimal_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

namespace qc::foxpro {

namespace {

[[noreturn]] void mismatch(const FieldLayout& field) {
    throw Error("Data type mismatch: field " + field.name + " cannot hold this value.");
}

[[noreturn]] void overflow(const FieldLayout& field) {
    throw Error("Numeric overflow in field " + field.name +
                ". The value does not fit; the row was not written.");
}

void putLe(char* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

DecimalNumber numberOf(const FieldLayout& field, const Literal& value) {
    if (value.kind != Literal::Kind::Number)
        mismatch(field);
    auto number = DecimalNumber::parse(value.text);
    if (!number)
        mismatch(field);
    return *number;
}

// A literal in the plain form: an optional sign, digits, and an optional point with digits after
// it, at least one digit in all; nullopt for any other form (an exponent, blanks).
struct PlainNumber {
    bool negative = false;
    bool point = false;
    std::string_view whole;
    std::string_view fraction;
};

std::optional<PlainNumber> plainNumber(std::string_view text) {
    PlainNumber number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        number.negative = text[i++] == '-';
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return text.substr(start, i - start);
    };
    number.whole = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        number.point = true;
        number.fraction = digits();
    }
    if (i != text.size() || (number.whole.empty() && number.fraction.empty()))
        return std::nullopt;
    return number;
}

std::uint64_t digitValue(std::uint64_t value, std::string_view digits) {
    for (const char digit : digits)
        value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    return value;
}

// A literal of sign and at most 18 digits, the usual whole number, read without the decimal
// arithmetic the general form needs.
std::optional<std::int64_t> plainWhole(const Literal& value) {
    if (value.kind != Literal::Kind::Number)
        return std::nullopt;
    const auto number = plainNumber(value.text);
    if (!number || number->point || number->whole.size() > 18)
        return std::nullopt;
    const auto whole = static_cast<std::int64_t>(digitValue(0, number->whole));
    return number->negative ? -whole : whole;
}

// A literal of sign, at most 19 digits and a point, whose digits make at most 2^53 (the usual
// amount), read without the general conversion: the digits and the power of ten are both exact
// doubles, so the one division rounds the value correctly, as the general one does.
std::optional<double> plainDouble(std::string_view text) {
    static constexpr double kPowers[20] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                           1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
    const auto number = plainNumber(text);
    // 19 digits, which no 64-bit sum overflows.
    if (!number || number->whole.size() + number->fraction.size() > 19)
        return std::nullopt;
    const std::uint64_t digits = digitValue(digitValue(0, number->whole), number->fraction);
    if (digits > (std::uint64_t{1} << 53))
        return std::nullopt;
    const double magnitude = static_cast<double>(digits) / kPowers[number->fraction.size()];
    return number->negative ? -magnitude : magnitude;
}

// The date (and time) a literal stands for in a Date or DateTime field.
DateTimeParts dateOf(const FieldLayout& field, const Literal& value) {
    const bool strict = value.kind == Literal::Kind::Date || value.kind == Literal::Kind::DateTime;
    if (!strict && value.kind != Literal::Kind::Text)
        mismatch(field);
    auto parts = parseDateText(value.text);
    // The strict form {^...} always begins with a four-digit year.
    const auto yearFirst = [&] {
        const auto start = value.text.find_first_not_of(' ');
        return start != std::string::npos && value.text.size() >= start + 5 &&
               value.text.find_first_not_of("0123456789", start) == start + 4;
    };
    if (!parts || (strict && !yearFirst()))
        throw Error("Field " + field.name + ": '" + value.text + "' is not a date.");
    if (!isValidDate(parts->year, parts->month, parts->day) || !isValidTime(*parts))
        throw Error("Field " + field.name + ": '" + value.text + "' is not a valid date or time.");
    return *parts;
}

void putText(const FieldLayout& field, const Literal& value, RecordImage& record, const TableLayout& layout,
             CodePageText* text) {
    if (value.kind != Literal::Kind::Text)
        mismatch(field);
    char* at = record.bytes.data() + field.offset;
    const auto width = static_cast<std::size_t>(field.width);
    std::memset(at, field.type == 'Q' ? 0 : ' ', width);
    // Converted straight into the work record: a text too long leaves it half written, and the
    // row is then refused as a whole.
    std::size_t size = value.text.size();
    if (field.type != 'Q')
        size = text->fromUtf8(value.text, field.name, at, width);
    if (size > width)
        throw Error("String is too long to fit in field " + field.name + ".");
    if (field.type == 'Q')
        std::memcpy(at, value.text.data(), size);
    if (field.type == 'V' || field.type == 'Q') {
        const bool shorter = size < width;
        if (shorter)
            at[width - 1] = static_cast<char>(size);
        setNullBit(layout, record.bytes, field.lengthBit, shorter);
    }
}

void putMemo(const FieldLayout& field, int index, const Literal& value, RecordImage& record,
             CodePageText* text) {
    if (value.kind != Literal::Kind::Text || field.type == 'G')
        mismatch(field);
    std::memset(record.bytes.data() + field.offset, 0, 4);
    if (value.text.empty())
        return;
    RecordImage::Memo memo;
    memo.field = index;
    memo.data = record.takeBuffer();
    if (field.type == 'W') {
        memo.type = kMemoBinary;
        memo.data.assign(value.text);
    } else {
        memo.type = kMemoText;
        // Every character takes at most as many bytes in the code page as in UTF-8.
        memo.data.resize(value.text.size());
        memo.data.resize(text->fromUtf8(value.text, field.name, memo.data.data(), memo.data.size()));
    }
    if (memo.data.size() > 0x7FFFFFF0u)
        throw Error("String is too long to fit in field " + field.name + ".");
    record.memos.push_back(std::move(memo));
}

// A literal of sign, digits and point with no more places after the point than the field has,
// the usual case, written as the general way writes it but without the decimal arithmetic that
// rounding needs. False when the literal takes the general way.
bool putPlainNumeric(const FieldLayout& field, std::string_view text, char* at) {
    const auto decimals = static_cast<std::size_t>(field.decimals);
    const auto number = plainNumber(text);
    if (!number || number->fraction.size() > decimals)
        return false;
    const bool negative = number->negative;
    std::string_view whole = number->whole;
    const std::string_view fraction = number->fraction;
    whole.remove_prefix(std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.size() > 40)
        return false; // past what the general way writes at all
    // Zero has no sign.
    const bool sign =
        negative && (!whole.empty() || fraction.find_first_not_of('0') != std::string_view::npos);
    const std::size_t length =
        (sign ? 1 : 0) + std::max<std::size_t>(whole.size(), 1) + (decimals > 0 ? 1 + decimals : 0);
    const auto width = static_cast<std::size_t>(field.width);
    if (length > width)
        overflow(field);
    std::memset(at, ' ', width - length);
    char* out = at + width - length;
    if (sign)
        *out++ = '-';
    if (whole.empty())
        *out++ = '0';
    out = std::copy(whole.begin(), whole.end(), out);
    if (decimals > 0) {
        *out++ = '.';
        out = std::copy(fraction.begin(), fraction.end(), out);
        std::memset(out, '0', decimals - fraction.size());
    }
    return true;
}

void putNumeric(const FieldLayout& field, const Literal& value, char* at) {
    if (value.kind == Literal::Kind::Number && putPlainNumeric(field, value.text, at))
        return;
    const auto fixed = numberOf(field, value).toFixed(field.decimals);
    if (!fixed || fixed->size() > static_cast<std::size_t>(field.width))
        overflow(field);
    const auto width = static_cast<std::size_t>(field.width);
    std::memset(at, ' ', width);
    std::memcpy(at + width - fixed->size(), fixed->data(), fixed->size());
}

void putLogical(const FieldLayout& field, const Literal& value, char* at) {
    bool truth = false;
    switch (value.kind) {
    case Literal::Kind::True:
        truth = true;
        break;
    case Literal::Kind::False:
        break;
    case Literal::Kind::Number: {
        const auto number = numberOf(field, value);
        const auto whole = number.toInt64();
        if (!whole || (*whole != 0 && *whole != 1))
            mismatch(field);
        truth = *whole == 1;
        break;
    }
    case Literal::Kind::Text: {
        const std::string& t = value.text;
        if (t == "T" || t == "t" || t == "1")
            truth = true;
        else if (!(t == "F" || t == "f" || t == "0"))
            mismatch(field);
        break;
    }
    default:
        mismatch(field);
    }
    *at = truth ? 'T' : 'F';
}

} // namespace

void encodeValue(const TableLayout& layout, int index, const Literal& value, RecordImage& record,
                 CodePageText* text) {
    const FieldLayout& field = layout.fields[static_cast<std::size_t>(index)];
    char* at = record.bytes.data() + field.offset;
    if (value.kind == Literal::Kind::Null) {
        if (!field.nullable)
            throw Error("Field " + field.name + " does not accept null values.");
        setNullBit(layout, record.bytes, field.nullBit, true);
        return;
    }
    setNullBit(layout, record.bytes, field.nullBit, false);
    switch (field.type) {
    case 'C':
    case 'V':
    case 'Q':
        putText(field, value, record, layout, text);
        break;
    case 'M':
    case 'W':
    case 'G':
        putMemo(field, index, value, record, text);
        break;
    case 'N':
    case 'F':
        putNumeric(field, value, at);
        break;
    case 'B': {
        if (value.kind != Literal::Kind::Number)
            mismatch(field);
        if (const auto plain = plainDouble(value.text)) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &*plain, 8);
            putLe(at, bits, 8);
            break;
        }
        std::string_view text = value.text;
        if (!text.empty() && text.front() == '+')
            text.remove_prefix(1);
        double number = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
        if (result.ec == std::errc::result_out_of_range) {
            if (DecimalNumber::parse(value.text).value_or(DecimalNumber{}).exponent > 0)
                overflow(field);
            number = 0; // a value too small to tell from zero
        } else if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
                   !std::isfinite(number)) {
            mismatch(field);
        }
        std::uint64_t bits = 0;
        std::memcpy(&bits, &number, 8);
        putLe(at, bits, 8);
        break;
    }
    case 'I': {
        if (const auto plain = plainWhole(value)) {
            if (*plain < INT32_MIN || *plain > INT32_MAX)
                overflow(field);
            putLe(at, static_cast<std::uint32_t>(static_cast<std::int32_t>(*plain)), 4);
            break;
        }
        const auto number = numberOf(field, value);
        if (!number.isIntegral())
            throw Error("Field " + field.name + " holds whole numbers only; " + value.text + " is not one.");
        const auto whole = number.toInt64();
        if (!whole || *whole < INT32_MIN || *whole > INT32_MAX)
            overflow(field);
        putLe(at, static_cast<std::uint32_t>(static_cast<std::int32_t>(*whole)), 4);
        break;
    }
    case 'Y': {
        const auto fixed = numberOf(field, value).toFixed(4);
        if (!fixed)
            overflow(field);
        std::string digits = *fixed;
        digits.erase(digits.find('.'), 1);
        const auto units = DecimalNumber::parse(digits);
        const auto whole = units ? units->toInt64() : std::nullopt;
        if (!whole)
            overflow(field);
        putLe(at, static_cast<std::uint64_t>(*whole), 8);
        break;
    }
    case 'D': {
        if (value.kind == Literal::Kind::EmptyDate ||
            (value.kind == Literal::Kind::Text && value.text.empty())) {
            std::memset(at, ' ', 8);
            break;
        }
        const auto parts = dateOf(field, value);
        if (parts.hasTime && millisecondsOfDay(parts) != 0)
            throw Error("Field " + field.name + " holds dates only; '" + value.text + "' has a time of day.");
        // A real date: four digits of year, two of month and day.
        for (int i = 3, year = parts.year; i >= 0; --i, year /= 10)
            at[i] = static_cast<char>('0' + year % 10);
        at[4] = static_cast<char>('0' + parts.month / 10);
        at[5] = static_cast<char>('0' + parts.month % 10);
        at[6] = static_cast<char>('0' + parts.day / 10);
        at[7] = static_cast<char>('0' + parts.day % 10);
        break;
    }
    case 'T': {
        if (value.kind == Literal::Kind::EmptyDate ||
            (value.kind == Literal::Kind::Text && value.text.empty())) {
            std::memset(at, 0, 8);
            break;
        }
        const auto parts = dateOf(field, value);
        putLe(at, static_cast<std::uint32_t>(julianDay(parts.year, parts.month, parts.day)), 4);
        putLe(at + 4, static_cast<std::uint32_t>(millisecondsOfDay(parts)), 4);
        break;
    }
    case 'L':
        putLogical(field, value, at);
        break;
    default:
        mismatch(field);
    }
}

void encodeRecord(const TableLayout& layout, const std::vector<int>& fields,
                  const std::vector<Literal>& values, const RecordImage& blank, RecordImage& record,
                  CodePageText* text) {
    record.bytes = blank.bytes;
    record.clearMemos();
    for (std::size_t i = 0; i < fields.size(); ++i)
        encodeValue(layout, fields[i], values[i], record, text);
}

} // namespace qc::foxpro
