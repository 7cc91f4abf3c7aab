#include "data/provider_string.h"

#include <cctype>

namespace qc::data {

namespace {
std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
} // namespace

std::optional<std::string> providerAttribute(std::string_view s, std::string_view key) {
    const std::string wanted = lower(key);
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t eq = s.find('=', i);
        if (eq == std::string_view::npos)
            break;
        const std::string name = lower(trim(s.substr(i, eq - i)));
        std::size_t j = eq + 1;
        while (j < s.size() && s[j] == ' ')
            ++j;
        std::string value;
        if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
            const char quote = s[j++];
            while (j < s.size()) {
                if (s[j] == quote) {
                    if (j + 1 < s.size() && s[j + 1] == quote) {
                        value.push_back(quote);
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
        if (name == wanted)
            return value;
    }
    return std::nullopt;
}

std::string quoteProviderValue(std::string_view value) {
    const bool plain = value.find(';') == std::string_view::npos &&
                       (value.empty() || (value.front() != '"' && value.front() != '\'' &&
                                          !std::isspace(static_cast<unsigned char>(value.front())) &&
                                          !std::isspace(static_cast<unsigned char>(value.back()))));
    if (plain)
        return std::string(value);
    std::string quoted = "\"";
    for (char c : value) {
        quoted.push_back(c);
        if (c == '"')
            quoted.push_back('"');
    }
    quoted.push_back('"');
    return quoted;
}

bool namesFoxProProvider(std::string_view connectionString) {
    const auto provider = providerAttribute(connectionString, "Provider");
    return provider && lower(*provider).starts_with("vfpoledb");
}

} // namespace qc::data
