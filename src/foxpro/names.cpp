#include "foxpro/names.h"

#include "foxpro/database.h"

#include <algorithm>
#include <set>

namespace qc::foxpro {

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string asciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    return asciiLower(a) == asciiLower(b);
}

void checkTableName(const std::string& name) {
    const bool bad = name.empty() || name == "." || name == ".." ||
                     name.find_first_of(std::string("/\\:\0", 4)) != std::string::npos;
    if (bad)
        throw Error("Invalid table name '" + std::string(name.c_str()) + "'.");
}

std::string tableFileName(const std::string& name, const std::string& extension) {
    return asciiLower(name) + extension;
}

namespace {

// Letters, digits and "_" stay (upper case); every other character, however many bytes its
// UTF-8 form takes, becomes one "_".
std::string normalizedFieldName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        std::size_t length = 1;
        if (c >= 0xF0)
            length = 4;
        else if (c >= 0xE0)
            length = 3;
        else if (c >= 0xC0)
            length = 2;
        const bool keep =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        out += keep ? static_cast<char>(c) : '_';
        i += std::min(length, name.size() - i);
    }
    out = asciiUpper(out);
    if (!out.empty() && out[0] >= '0' && out[0] <= '9')
        out.insert(out.begin(), '_');
    return out;
}

} // namespace

std::vector<std::string> shortFieldNames(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    std::set<std::string> taken;
    std::set<std::string> seen;
    // The hidden field's name is never given to a user field.
    taken.insert("_NULLFLAGS");
    for (const auto& name : names) {
        if (name.empty())
            throw Error("Field name is empty.");
        if (!seen.insert(asciiLower(name)).second)
            throw Error("Field name '" + name + "' is duplicated.");
        const std::string base = normalizedFieldName(name).substr(0, 10);
        std::string candidate = base;
        for (int number = 2; taken.count(candidate) != 0; ++number) {
            const std::string suffix = std::to_string(number);
            candidate = base.substr(0, 10 - suffix.size()) + suffix;
        }
        taken.insert(candidate);
        out.push_back(candidate);
    }
    return out;
}

} // namespace qc::foxpro
