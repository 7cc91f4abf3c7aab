#pragma once
// An ODBC connection: its own environment and connection handle, opened with SQLDriverConnect and
// the connection string exactly as given.

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <string>

namespace odbc {

namespace detail {
struct Handles;
}

class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Seconds allowed for the login; 0 means the default of 15 seconds (never "no limit").
    void setLoginTimeout(int seconds);
    int loginTimeout() const { return loginTimeout_; }

    // Throws Error when the connection does not open. A SQL Server is then told to send long
    // text and binary values whole.
    void open(const std::string& connectionString);
    bool isOpen() const;
    void close();

    // The server product ("Microsoft SQL Server", "SQLite").
    std::string dbmsName() const;
    SQLHDBC handle() const;
    // Keeps the handles alive for as long as a statement of this connection lives.
    std::shared_ptr<detail::Handles> shared() const { return handles_; }

  private:
    void executeDirect(const char* statement);

    std::shared_ptr<detail::Handles> handles_;
    int loginTimeout_ = 0;
};

} // namespace odbc
