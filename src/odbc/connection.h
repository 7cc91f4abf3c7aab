#pragma once
// An ODBC connection: its own environment and connection handle, opened with SQLDriverConnect and
// the connection string exactly as given.

#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <memory>
#include <string>

namespace qc::odbc {

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
    // text and binary values whole. The driver works on a thread of its own while this waits,
    // calling `whileWaiting` every few milliseconds; a driver that has not returned when the login
    // time-out is over is left behind (Error HYT00) and this connection takes fresh handles.
    void open(const std::string& connectionString, const std::function<void()>& whileWaiting = {});
    bool isOpen() const;
    // True when the driver knows the link to the server is gone (SQL_ATTR_CONNECTION_DEAD): every
    // further statement would fail the same way.
    bool isDead() const;
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

} // namespace qc::odbc
