#include "cli/script_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qc::cli {

namespace {

// Each character a line cannot hold as it is, and the letter standing for it after a backslash.
struct Escape {
    char character;
    char letter;
};
constexpr Escape kEscapes[] = {{'\\', '\\'}, {'\r', 'r'}, {'\n', 'n'}};

std::runtime_error fileError(const char* what, const std::string& path, int error = errno) {
    return std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(error));
}

// The file `path` leads to through its symbolic links, relative ones taken from the link's folder.
std::filesystem::path throughLinks(std::filesystem::path path) {
    std::error_code error;
    for (int hop = 0; hop < 40 && std::filesystem::is_symlink(path, error); ++hop) {
        const std::filesystem::path link = std::filesystem::read_symlink(path, error);
        if (error)
            break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
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

ScriptWriter::ScriptWriter(const std::string& path) : path_(path), target_(throughLinks(path).string()) {
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw fileError("cannot write", path_, EISDIR);
    const std::filesystem::path target(target_);
    int fd = -1;
    // 0666 lets the umask give a new script the usual mode.
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        hidden_ =
            (target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                                     "-" + std::to_string(attempt) + ".part"))
                .string();
        fd = ::open(hidden_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        hidden_.clear();
        throw fileError("cannot write", path_, error);
    }
    if (exists && ::fchmod(fd, old.st_mode & 07777) != 0)
        failWith(errno);
    file_.reset(::fdopen(fd, "w"));
    if (!file_) {
        const int error = errno;
        ::close(fd);
        discard();
        throw fileError("cannot write", path_, error);
    }
}

ScriptWriter::~ScriptWriter() {
    discard();
}

void ScriptWriter::failWith(int error) {
    if (error_ == 0)
        error_ = error;
}

void ScriptWriter::add(const std::string& statement) {
    ++statements_;
    if (error_ != 0 || !file_)
        return;
    const std::string line = encodeStatement(statement) + '\n';
    if (std::fwrite(line.data(), 1, line.size(), file_.get()) != line.size())
        failWith(errno);
}

void ScriptWriter::commit() {
    if (!file_)
        throw fileError("cannot write", path_, error_ != 0 ? error_ : EBADF);
    if (std::fflush(file_.get()) != 0 || ::fsync(::fileno(file_.get())) != 0)
        failWith(errno);
    if (std::fclose(file_.release()) != 0)
        failWith(errno);
    if (error_ == 0 && std::rename(hidden_.c_str(), target_.c_str()) != 0)
        failWith(errno);
    if (error_ != 0) {
        discard();
        throw fileError("cannot write", path_, error_);
    }
    hidden_.clear();
}

void ScriptWriter::discard() {
    file_.reset();
    if (!hidden_.empty())
        ::unlink(hidden_.c_str());
    hidden_.clear();
}

void writeScript(const std::string& path, const std::vector<std::string>& statements) {
    ScriptWriter script(path);
    for (const std::string& statement : statements)
        script.add(statement);
    script.commit();
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
