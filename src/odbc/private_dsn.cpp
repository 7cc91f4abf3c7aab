#include "odbc/private_dsn.h"

#include "odbc/connection_string.h"
#include "odbc/error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qc::odbc::detail {

namespace {

std::string temporaryRoot() {
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"})
        if (const char* dir = std::getenv(variable); dir && *dir)
            return dir;
    return "/tmp";
}

[[noreturn]] void fail(const std::string& what) {
    throw Error("HY000", 0, what);
}

// The ini reader trims blanks around a value, ends it at a line break and takes "[" at the start
// of a line as a section: such a value would arrive changed.
bool iniSafe(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos &&
           (text.empty() ||
            (text.front() != ' ' && text.front() != '\t' && text.back() != ' ' && text.back() != '\t'));
}

} // namespace

bool needsPrivateDsn(std::string_view value) {
    return value.find('}') != std::string_view::npos && quoteAttributeValue(value) != value;
}

PrivateDsn::PrivateDsn(const std::vector<std::pair<std::string, std::string>>& attributes) {
    std::string body;
    for (const auto& [key, value] : attributes) {
        if (!iniSafe(key) || !iniSafe(value) || key.find('=') != std::string::npos)
            fail("The connection attribute \"" + key +
                 "\" cannot be handed to the driver together with this user name or password.");
        body += key + " = " + value + "\n";
    }
    std::string folder = temporaryRoot() + "/marravex-login-XXXXXX";
    // mkdtemp makes the folder 0700 whatever the umask.
    if (!mkdtemp(folder.data()))
        fail("Could not make a private folder for the login: " + std::string(std::strerror(errno)));
    folder_ = folder;
    file_ = folder_ + "/odbc.ini";
    name_ = "Marravex-" + folder_.substr(folder_.size() - 6);
    const std::string text = "[" + name_ + "]\n" + body;
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool written =
        fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!written) {
        ::unlink(file_.c_str());
        ::rmdir(folder_.c_str());
        fail("Could not write the private login file: " + std::string(std::strerror(error)));
    }
    if (const char* previous = std::getenv("ODBCINI")) {
        hadOdbcIni_ = true;
        previousOdbcIni_ = previous;
    }
    setenv("ODBCINI", file_.c_str(), 1);
}

PrivateDsn::~PrivateDsn() {
    if (hadOdbcIni_)
        setenv("ODBCINI", previousOdbcIni_.c_str(), 1);
    else
        unsetenv("ODBCINI");
    ::unlink(file_.c_str());
    ::rmdir(folder_.c_str());
}

} // namespace qc::odbc::detail
