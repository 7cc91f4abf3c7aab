#include "odbc/connection_string.h"

#include <cctype>

namespace odbc {

namespace {
std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool sameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

std::optional<std::string> connectionAttribute(std::string_view s, std::string_view key) {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t eq = s.find('=', i);
        if (eq == std::string_view::npos)
            return std::nullopt;
        const std::string_view name = trim(s.substr(i, eq - i));
        std::size_t j = eq + 1;
        while (j < s.size() && s[j] == ' ')
            ++j;
        std::string value;
        if (j < s.size() && s[j] == '{') {
            ++j;
            while (j < s.size()) {
                if (s[j] == '}') {
                    if (j + 1 < s.size() && s[j + 1] == '}') {
                        value.push_back('}');
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
            value = std::string(trim(s.substr(eq + 1, end - eq - 1)));
            i = end + 1;
        }
        if (sameKey(name, key))
            return value;
    }
    return std::nullopt;
}

std::string quoteAttributeValue(std::string_view value) {
    if (value.find(';') == std::string_view::npos && (value.empty() || value.front() != '{'))
        return std::string(value);
    std::string quoted = "{";
    for (char c : value) {
        quoted.push_back(c);
        if (c == '}')
            quoted.push_back('}');
    }
    quoted.push_back('}');
    return quoted;
}

} // namespace odbc
