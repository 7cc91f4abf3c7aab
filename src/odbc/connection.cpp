#include "odbc/connection.h"

#include "odbc/ascii_text.h"
#include "odbc/connect_attempt.h"
#include "odbc/connection_string.h"
#include "odbc/error.h"
#include "odbc/freetds_environment.h"
#include "odbc/handles.h"
#include "odbc/private_dsn.h"
#include "odbc/utf.h"

#include <optional>

namespace qc::odbc {

namespace {
constexpr int kDefaultLoginTimeout = 15;

SQLRETURN connectWithString(SQLHDBC dbc, std::u16string& wide) {
    SQLSMALLINT outLength = 0;
    return SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(wide.data()),
                             static_cast<SQLSMALLINT>(wide.size()), nullptr, 0, &outLength,
                             SQL_DRIVER_NOPROMPT);
}

bool isLoginKey(std::string_view key) {
    return equalsIgnoringCase(key, "Uid") || equalsIgnoringCase(key, "User") ||
           equalsIgnoringCase(key, "Pwd") || equalsIgnoringCase(key, "Password");
}

// The login's user name and password when either cannot go through the connection string, with
// every other attribute for the private data source.
struct SeparateLogin {
    std::u16string user;
    std::u16string password;
    std::vector<std::pair<std::string, std::string>> rest;
};

std::optional<SeparateLogin> separateLogin(const std::string& connectionString) {
    auto attributes = connectionAttributes(connectionString);
    std::optional<std::string> user;
    std::optional<std::string> password;
    SeparateLogin login;
    for (auto& [key, value] : attributes) {
        if (!isLoginKey(key)) {
            login.rest.emplace_back(key, value);
            continue;
        }
        // The first one named wins, as in the string itself.
        auto& slot = equalsIgnoringCase(key, "Uid") || equalsIgnoringCase(key, "User") ? user : password;
        if (!slot)
            slot = value;
    }
    if (!(user && detail::needsPrivateDsn(*user)) && !(password && detail::needsPrivateDsn(*password)))
        return std::nullopt;
    login.user = utf8ToUtf16(user.value_or(""));
    login.password = utf8ToUtf16(password.value_or(""));
    return login;
}
} // namespace

Connection::Connection() : handles_(std::make_shared<detail::Handles>()) {}

Connection::~Connection() {
    close();
}

void Connection::setLoginTimeout(int seconds) {
    loginTimeout_ = seconds < 0 ? 0 : seconds;
}

bool Connection::isOpen() const {
    return handles_->connected;
}

bool Connection::isDead() const {
    if (!handles_->connected)
        return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttr(handles_->dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return succeeded(rc) && dead == SQL_CD_TRUE;
}

SQLHDBC Connection::handle() const {
    return handles_->dbc;
}

void Connection::open(const std::string& connectionString, const std::function<void()>& whileWaiting) {
    if (handles_->connected)
        throw Error("08002", 0, "The connection is already open.");
    const int seconds = loginTimeout_ > 0 ? loginTimeout_ : kDefaultLoginTimeout;
    check(SQLSetConnectAttr(handles_->dbc, SQL_ATTR_LOGIN_TIMEOUT,
                            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0),
          SQL_HANDLE_DBC, handles_->dbc, "Setting the login time-out");
    prepareFreeTdsPort(connectionString);

    std::function<SQLRETURN(SQLHDBC)> connect;
    std::optional<detail::PrivateDsn> dsn;
    if (auto login = separateLogin(connectionString)) {
        dsn.emplace(login->rest);
        auto name = utf8ToUtf16(dsn->name());
        connect = [name = std::move(name), login = std::move(*login)](SQLHDBC dbc) mutable {
            const auto chars = [](std::u16string& s) { return reinterpret_cast<SQLWCHAR*>(s.data()); };
            const auto size = [](const std::u16string& s) { return static_cast<SQLSMALLINT>(s.size()); };
            return SQLConnectW(dbc, chars(name), size(name), chars(login.user), size(login.user),
                               chars(login.password), size(login.password));
        };
    } else {
        connect = [wide = utf8ToUtf16(connectionString)](SQLHDBC dbc) mutable {
            return connectWithString(dbc, wide);
        };
    }
    SQLRETURN rc = SQL_ERROR;
    try {
        rc = detail::connectOffThread(handles_, std::move(connect), std::chrono::seconds(seconds),
                                      whileWaiting);
    } catch (...) {
        // The attempt was left behind with the old handles: they stay with the driver call.
        handles_ = std::make_shared<detail::Handles>();
        throw;
    }
    check(rc, SQL_HANDLE_DBC, handles_->dbc, "Connecting");
    handles_->connected = true;
    // Without SET TEXTSIZE a SQL Server cuts long text, ntext and (max) values short for clients
    // that, like FreeTDS, do not ask for more themselves.
    if (dbmsName().find("SQL Server") != std::string::npos) {
        try {
            executeDirect("SET TEXTSIZE 2147483647");
        } catch (...) {
            close();
            throw;
        }
    }
}

void Connection::executeDirect(const char* statement) {
    const unsigned session = handles_->session;
    SQLHSTMT stmt = handles_->allocateStatement();
    const SQLRETURN rc =
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement)), SQL_NTS);
    try {
        check(rc, SQL_HANDLE_STMT, stmt, "Executing a statement");
    } catch (...) {
        handles_->freeStatement(stmt, session);
        throw;
    }
    handles_->freeStatement(stmt, session);
}

std::string Connection::dbmsName() const {
    if (!handles_->connected)
        return {};
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!succeeded(SQLGetInfoW(handles_->dbc, SQL_DBMS_NAME, name, sizeof(name), &length)))
        return {};
    const auto chars = std::min<std::size_t>(static_cast<std::size_t>(length) / sizeof(SQLWCHAR), 255);
    return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name), chars));
}

void Connection::close() {
    handles_->disconnect();
}

} // namespace qc::odbc
