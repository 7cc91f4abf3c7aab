#pragma once
// A data source of one connection's own, for logins that a connection string cannot carry to
// FreeTDS. FreeTDS reads a braced value up to the first "}" before a ";" (or the end) and keeps
// a doubled "}" doubled, so a user name or password that needs braces and holds "}" arrives
// changed. Such a login goes through SQLConnect, which takes user name and password as they are,
// with the other attributes in a data source file that only the user can read, named to the
// driver manager through ODBCINI for the length of the attempt.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qc::odbc::detail {

// True when the value cannot reach FreeTDS intact inside a connection string.
bool needsPrivateDsn(std::string_view value);

class PrivateDsn {
  public:
    // `attributes` are the connection string's, without the login; "Driver" among them names the
    // registered driver. Throws Error when a value cannot be written into the file.
    explicit PrivateDsn(const std::vector<std::pair<std::string, std::string>>& attributes);
    // Removes the file and its folder and gives ODBCINI back its earlier value.
    ~PrivateDsn();
    PrivateDsn(const PrivateDsn&) = delete;
    PrivateDsn& operator=(const PrivateDsn&) = delete;

    // Unique to this attempt: the driver manager keeps what it read from data source files for a
    // while under the section name, whatever file the section came from.
    const std::string& name() const { return name_; }

  private:
    std::string name_;
    std::string folder_;
    std::string file_;
    bool hadOdbcIni_ = false;
    std::string previousOdbcIni_;
};

} // namespace qc::odbc::detail
