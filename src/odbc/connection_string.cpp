#include "odbc/connection_string.h"

#include "odbc/ascii_text.h"

#include <cctype>

namespace qc::odbc {

namespace {
// The character that encloses a value starting with `c`, or '\0' when `c` opens no enclosing.
char closingFor(char c, ValueQuoting quoting) {
    if (quoting == ValueQuoting::Braces)
        return c == '{' ? '}' : '\0';
    return c == '"' || c == '\'' ? c : '\0';
}

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
} // namespace

std::vector<std::pair<std::string, std::string>> connectionAttributes(std::string_view s,
                                                                      ValueQuoting quoting) {
    std::vector<std::pair<std::string, std::string>> attributes;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t eq = s.find('=', i);
        if (eq == std::string_view::npos)
            break;
        const std::string_view name = trimSpaces(s.substr(i, eq - i));
        std::size_t j = eq + 1;
        while (j < s.size() && s[j] == ' ')
            ++j;
        std::string value;
        if (const char close = j < s.size() ? closingFor(s[j], quoting) : '\0') {
            ++j;
            while (j < s.size()) {
                if (s[j] == close) {
                    if (j + 1 < s.size() && s[j + 1] == close) {
                        value.push_back(close);
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value.push_back(s[j++]);
            }
            const std::size_t semi = s.find(';', j);
            i = semi == std::string_view::npos ? s.size() : semi + 1;
        } else {
            const std::size_t semi = s.find(';', eq + 1);
            const std::size_t end = semi == std::string_view::npos ? s.size() : semi;
            value = std::string(trimSpaces(s.substr(eq + 1, end - eq - 1)));
            i = end + 1;
        }
        attributes.emplace_back(std::string(name), std::move(value));
    }
    return attributes;
}

std::optional<std::string> connectionAttribute(std::string_view s, std::string_view key,
                                               ValueQuoting quoting) {
    for (auto& [name, value] : connectionAttributes(s, quoting))
        if (equalsIgnoringCase(name, key))
            return std::move(value);
    return std::nullopt;
}

std::string quoteAttributeValue(std::string_view value, ValueQuoting quoting) {
    const bool braces = quoting == ValueQuoting::Braces;
    const bool plain = value.find(';') == std::string_view::npos &&
                       (value.empty() || (closingFor(value.front(), quoting) == '\0' &&
                                          (braces || (!isSpace(value.front()) && !isSpace(value.back())))));
    if (plain)
        return std::string(value);
    const char open = braces ? '{' : '"';
    const char close = braces ? '}' : '"';
    std::string quoted(1, open);
    for (char c : value) {
        quoted.push_back(c);
        if (c == close)
            quoted.push_back(close);
    }
    quoted.push_back(close);
    return quoted;
}

} // namespace qc::odbc
