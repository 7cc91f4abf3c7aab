#include "odbc/connection.h"

#include "odbc/error.h"
#include "odbc/freetds_environment.h"
#include "odbc/handles.h"
#include "odbc/utf.h"

namespace odbc {

namespace {
constexpr int kDefaultLoginTimeout = 15;
}

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

SQLHDBC Connection::handle() const {
    return handles_->dbc;
}

void Connection::open(const std::string& connectionString) {
    if (handles_->connected)
        throw Error("08002", 0, "The connection is already open.");
    const SQLULEN timeout = static_cast<SQLULEN>(loginTimeout_ > 0 ? loginTimeout_ : kDefaultLoginTimeout);
    check(SQLSetConnectAttr(handles_->dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(timeout), 0),
          SQL_HANDLE_DBC, handles_->dbc, "Setting the login time-out");
    prepareFreeTdsPort(connectionString);
    std::u16string wide = utf8ToUtf16(connectionString);
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc =
        SQLDriverConnectW(handles_->dbc, nullptr, reinterpret_cast<SQLWCHAR*>(wide.data()),
                          static_cast<SQLSMALLINT>(wide.size()), nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
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

} // namespace odbc
