#include "engine/row_statements.h"

#include "engine/type_mapping.h"

#include <QString>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace qc::engine {

namespace {

const odbc::Value kEmptyText{std::string()};

// The locale's separator when the engine reads it back in this place and the table's code page
// can hold it; otherwise the C locale's, so that no value is refused because of the user's
// locale. The engine reads back ASCII separators alone, and every code page it writes holds
// ASCII, so whichever page the table has, the same separators pass.
char separator(QChar c, const char* readable, char fallback) {
    if (c.unicode() < 0x80 && c.unicode() != 0 && std::strchr(readable, static_cast<char>(c.unicode())))
        return static_cast<char>(c.unicode());
    return fallback;
}

// The text can only be a number: sign, digits, one point, an exponent. Nothing else gets
// written unquoted into a statement.
bool isPlainNumber(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i, digits = true;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, digits = true;
    }
    if (!digits)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        bool exponent = false;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, exponent = true;
        if (!exponent)
            return false;
    }
    return i == s.size();
}

// Writes the number with at least `width` digits, zero-padded, and returns the end: at most 11
// characters for an int.
char* putPaddedSlowly(char* out, long long number, int width) {
    if (number >= 0 && number < 10000 && width <= 4) {
        const auto n = static_cast<int>(number);
        const char digits[4] = {static_cast<char>('0' + n / 1000), static_cast<char>('0' + n / 100 % 10),
                                static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
        int length = n >= 1000 ? 4 : n >= 100 ? 3 : n >= 10 ? 2 : 1;
        if (length < width)
            length = width;
        std::memcpy(out, digits + 4 - length, static_cast<std::size_t>(length));
        return out + length;
    }
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number < 0 ? -number : number);
    (void)ec;
    if (number < 0)
        *out++ = '-';
    for (auto length = end - buffer; length < width; ++length)
        *out++ = '0';
    const auto length = static_cast<std::size_t>(end - buffer);
    std::memcpy(out, buffer, length);
    return out + length;
}

// Every date and clock time: two digits, and four for a year of our era.
inline char* putPadded(char* out, long long number, int width) {
    if (width == 2 && number >= 0 && number < 100) {
        out[0] = static_cast<char>('0' + number / 10);
        out[1] = static_cast<char>('0' + number % 10);
        return out + 2;
    }
    if (width == 4 && number >= 1000 && number < 10000) {
        const auto n = static_cast<int>(number);
        out[0] = static_cast<char>('0' + n / 1000);
        out[1] = static_cast<char>('0' + n / 100 % 10);
        out[2] = static_cast<char>('0' + n / 10 % 10);
        out[3] = static_cast<char>('0' + n % 10);
        return out + 4;
    }
    return putPaddedSlowly(out, number, width);
}

// The three literals as the text writes them; a literal ends with ", ", which the next NULL
// shortens and the row's end drops.
void writeNull(std::string& out) {
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    out += "NULL, ";
}

void writeUnquoted(std::string& out, std::string_view text) {
    out += text;
    out += ", ";
}

void writeQuoted(std::string& out, std::string_view text, bool mayHoldApostrophe) {
    out += '\'';
    for (std::size_t start = 0; mayHoldApostrophe;) {
        const std::size_t quote = text.find('\'', start);
        if (quote == std::string_view::npos) {
            text = text.substr(start);
            break;
        }
        out.append(text.substr(start, quote + 1 - start));
        out += '\'';
        start = quote + 1;
    }
    out += text;
    out += "', ";
}

void writeEnd(std::string& out) {
    if (out.size() >= 2)
        out.resize(out.size() - 2);
    out += ");";
}

// A literal as the parser reads it, written as the text that it reads it from.
void writeLiteral(std::string& out, foxpro::Literal::Kind kind, std::string_view text,
                  bool mayHoldApostrophe) {
    switch (kind) {
    case foxpro::Literal::Kind::Number:
        writeUnquoted(out, text);
        break;
    case foxpro::Literal::Kind::Text:
        writeQuoted(out, text, mayHoldApostrophe);
        break;
    default:
        writeNull(out);
        break;
    }
}

} // namespace

const odbc::Value& nullToDefault(const odbc::Value& value, const odbc::Value& fallback) {
    return odbc::isNull(value) ? fallback : value;
}

RowStatement::RowStatement(std::string_view table, std::vector<int> numericColumns, const Locale& locale,
                           Output output)
    : prefix_("INSERT INTO " + bracketedName(table) + " VALUES ("),
      numericColumns_(std::move(numericColumns)),
      decimalSeparator_(separator(locale.decimalSeparator, ",.", '.')),
      dateSeparator_(separator(locale.dateSeparator, "/.-", '/')),
      timeSeparator_(separator(locale.timeSeparator, ":.", ':')), output_(output) {
    text_.reserve(256);
    row_.table.assign(table);
}

void RowStatement::beginRow() {
    cursor_ = 0;
    position_ = 0;
    if (output_ == Output::Text)
        text_.assign(prefix_);
    else
        literalsParse_ = true;
}

void RowStatement::appendValue(const odbc::Value& raw) {
    const odbc::Value& value = nullToDefault(raw, kEmptyText);
    const Form form = nextForm();
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, odbc::Null>) {
                appendNull();
            } else if constexpr (std::is_same_v<T, bool>) {
                if (form == Form::Numeric)
                    appendUnquoted(v ? "1" : "0");
                else
                    appendQuoted(v ? "True" : "False");
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                char buffer[24];
                const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
                const std::string_view digits(buffer, static_cast<std::size_t>(end - buffer));
                if (form == Form::Numeric)
                    appendUnquoted(digits);
                else
                    appendQuoted(digits, false);
            } else if constexpr (std::is_same_v<T, double>) {
                // The shortest text that reads back as the same double.
                char buffer[32];
                const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
                (void)ec;
                appendNumber(std::string_view(buffer, static_cast<std::size_t>(end - buffer)), form);
            } else if constexpr (std::is_same_v<T, odbc::Decimal>) {
                if (v.digits.empty())
                    appendNull();
                else
                    appendNumber(v.digits, form);
            } else if constexpr (std::is_same_v<T, odbc::Date>) {
                appendDateTime(v, nullptr);
            } else if constexpr (std::is_same_v<T, odbc::DateTime>) {
                // A date-time at midnight is written as the date alone.
                const bool midnight = v.time.hour == 0 && v.time.minute == 0 && v.time.second == 0;
                appendDateTime(v.date, midnight ? nullptr : &v.time);
            } else if constexpr (std::is_same_v<T, odbc::Time>) {
                appendTime(v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                if (v.empty())
                    appendNull();
                else if (form != Form::Numeric)
                    appendQuoted(v);
                else if (v == "True" || v == "False")
                    appendUnquoted(v == "True" ? "1" : "0");
                else if (isPlainNumber(v))
                    appendUnquoted(v);
                else
                    appendQuoted(v); // the target refuses it as it would any mismatch
            } else if constexpr (std::is_same_v<T, odbc::Bytes>) {
                if (v.empty()) {
                    appendNull();
                    return;
                }
                static constexpr char kHex[] = "0123456789ABCDEF";
                scratch_.clear();
                for (std::uint8_t b : v) {
                    scratch_ += kHex[b >> 4];
                    scratch_ += kHex[b & 0x0F];
                }
                appendQuoted(scratch_, false);
            } else if constexpr (std::is_same_v<T, odbc::Guid>) {
                if (v.text.empty())
                    appendNull();
                else
                    appendQuoted(v.text);
            }
        },
        value);
    ++position_;
}

void RowStatement::finishRow() {
    if (output_ == Output::Text)
        writeEnd(text_);
    else
        row_.values.resize(static_cast<std::size_t>(position_));
}

std::string RowStatement::renderText() const {
    std::string out = prefix_;
    for (const auto& literal : row_.values)
        writeLiteral(out, literal.kind, literal.text, true);
    writeEnd(out);
    return out;
}

void RowStatement::appendLiteral(foxpro::Literal::Kind kind, std::string_view text, bool mayHoldApostrophe) {
    if (output_ == Output::Text) {
        writeLiteral(text_, kind, text, mayHoldApostrophe);
        return;
    }
    const auto at = static_cast<std::size_t>(position_);
    if (at == row_.values.size())
        row_.values.emplace_back();
    row_.values[at].kind = kind;
    row_.values[at].text.assign(text);
}

void RowStatement::appendNumber(std::string_view digits, Form form) {
    if (form == Form::Numeric) {
        // A double's text may be "inf" or "nan", which the parser refuses.
        if (output_ == Output::Literals && !isPlainNumber(digits))
            literalsParse_ = false;
        appendUnquoted(digits);
        return;
    }
    if (form == Form::TextOnly) {
        appendQuoted(digits);
        return;
    }
    // A number in a text column of a table that has numeric columns keeps the user's own
    // decimal separator, as the text of the number reads in that locale.
    scratch_.assign(digits);
    const std::size_t point = scratch_.find('.');
    if (point != std::string::npos)
        scratch_[point] = decimalSeparator_;
    appendQuoted(scratch_);
}

char* RowStatement::putDate(char* out, const odbc::Date& date) const {
    out = putPadded(out, date.month, 2);
    *out++ = dateSeparator_;
    out = putPadded(out, date.day, 2);
    *out++ = dateSeparator_;
    return putPadded(out, date.year, 4);
}

char* RowStatement::putClock(char* out, const odbc::Time& time) const {
    out = putPadded(out, time.hour, 2);
    *out++ = timeSeparator_;
    out = putPadded(out, time.minute, 2);
    *out++ = timeSeparator_;
    return putPadded(out, time.second, 2);
}

void RowStatement::appendDateTime(const odbc::Date& date, const odbc::Time* time) {
    char buffer[2 * kPartRoom + 2];
    char* at = putDate(buffer, date);
    if (time) {
        *at++ = ' ';
        at = putClock(at, *time);
    }
    appendQuoted(std::string_view(buffer, static_cast<std::size_t>(at - buffer)), false);
}

void RowStatement::appendTime(const odbc::Time& time) {
    char clock[kPartRoom + 16];
    char* at = putClock(clock, time);
    if (time.nanos != 0) {
        char fraction[16];
        std::snprintf(fraction, sizeof fraction, "%09u", static_cast<unsigned>(time.nanos % 1000000000u));
        std::string_view digits(fraction, 9);
        digits = digits.substr(0, digits.find_last_not_of('0') + 1);
        *at++ = '.';
        std::memcpy(at, digits.data(), digits.size());
        at += digits.size();
    }
    appendQuoted(std::string_view(clock, static_cast<std::size_t>(at - clock)), false);
}

std::string rowStatement(std::string_view table, const std::vector<int>& numericColumns,
                         const std::vector<odbc::Value>& row, const Locale& locale) {
    RowStatement statement(table, numericColumns, locale);
    statement.beginRow();
    for (const auto& value : row)
        statement.appendValue(value);
    statement.finishRow();
    return statement.text();
}

} // namespace qc::engine
