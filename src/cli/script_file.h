#pragma once
// Script files of `convert --script` and `execute`: UTF-8, one statement per line. A statement's
// own line breaks would split it, so a backslash is written "\\", CR "\r" and LF "\n".

#include <string>
#include <vector>

namespace qc::cli {

std::string encodeStatement(const std::string& statement);
// Throws std::runtime_error on an escape other than the three.
std::string decodeStatement(const std::string& line);

// Throws std::runtime_error naming the file when it cannot be written or read.
void writeScript(const std::string& path, const std::vector<std::string>& statements);
std::vector<std::string> readScript(const std::string& path);

} // namespace qc::cli
