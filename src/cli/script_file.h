#pragma once
// Script files of `convert --script` and `execute`: UTF-8, one statement per line. A statement's
// own line breaks would split it, so a backslash is written "\\", CR "\r" and LF "\n".

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace qc::cli {

std::string encodeStatement(const std::string& statement);
// Throws std::runtime_error on an escape other than the three.
std::string decodeStatement(const std::string& line);

// A script written statement by statement as a run makes them, into a hidden file beside the
// script's place, which takes that place only once the run is over: until then (a Ctrl-C, a
// crash) an older script there stays as it was, and no statement is held in memory. A symbolic
// link is written through to its target; the script gets the mode the old file had, or the
// usual mode of a new file under the umask.
class ScriptWriter {
  public:
    // Creates the hidden file; throws std::runtime_error naming `path` when it cannot.
    explicit ScriptWriter(const std::string& path);
    // Removes the hidden file unless the script was put in place.
    ~ScriptWriter();
    ScriptWriter(const ScriptWriter&) = delete;
    ScriptWriter& operator=(const ScriptWriter&) = delete;

    // Never throws: a failed write is kept and thrown by commit().
    void add(const std::string& statement);
    // Puts the script in its place; throws std::runtime_error naming `path` when a write failed,
    // and the older script stays.
    void commit();
    // Removes the hidden file (Ctrl-C); the older script stays.
    void discard();
    std::size_t statements() const { return statements_; }

  private:
    void failWith(int error);

    std::string path_;   // as the user named it
    std::string target_; // the file the path leads to through its symbolic links
    std::string hidden_;
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    int error_ = 0; // errno of the first write that failed
    std::size_t statements_ = 0;
};

// Throws std::runtime_error naming the file when it cannot be written or read.
void writeScript(const std::string& path, const std::vector<std::string>& statements);
std::vector<std::string> readScript(const std::string& path);

} // namespace qc::cli
