#include "cli/script_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace qc::cli {

namespace {

// Each character a line cannot hold as it is, and the letter standing for it after a backslash.
struct Escape {
    char character;
    char letter;
};
constexpr Escape kEscapes[] = {{'\\', '\\'}, {'\r', 'r'}, {'\n', 'n'}};

std::runtime_error fileError(const char* what, const std::string& path) {
    return std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(errno));
}

} // namespace

std::string encodeStatement(const std::string& statement) {
    std::string line;
    line.reserve(statement.size());
    for (const char c : statement) {
        const auto* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                          [c](const Escape& e) { return e.character == c; });
        if (escape == std::end(kEscapes))
            line += c;
        else
            line += {'\\', escape->letter};
    }
    return line;
}

std::string decodeStatement(const std::string& line) {
    std::string statement;
    statement.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            statement += line[i];
            continue;
        }
        const char next = i + 1 < line.size() ? line[++i] : '\0';
        const auto* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                          [next](const Escape& e) { return e.letter == next; });
        if (escape == std::end(kEscapes))
            throw std::runtime_error("a backslash must be followed by \\, r or n");
        statement += escape->character;
    }
    return statement;
}

void writeScript(const std::string& path, const std::vector<std::string>& statements) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw fileError("cannot write", path);
    for (const std::string& statement : statements)
        out << encodeStatement(statement) << '\n';
    out.flush();
    if (!out)
        throw fileError("cannot write", path);
}

std::vector<std::string> readScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw fileError("cannot read", path);
    std::vector<std::string> statements;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        // A script saved by an editor that ends lines with CR LF reads the same.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        try {
            statements.push_back(decodeStatement(line));
        } catch (const std::exception& e) {
            throw std::runtime_error(path + ", statement " + std::to_string(number) + ": " + e.what());
        }
    }
    if (in.bad())
        throw fileError("cannot read", path);
    return statements;
}

} // namespace qc::cli
