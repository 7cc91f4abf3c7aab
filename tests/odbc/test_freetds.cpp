// FreeTDS through unixODBC against the SQL Server stand-in: what is sent after the login, the
// default port, login failures, time-outs and a batch's results.
#include "odbc/connection.h"
#include "odbc/decimal_text.h"
#include "odbc/error.h"
#include "odbc/freetds_environment.h"
#include "odbc/statement.h"
#include "support/tds_server.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include <sql.h>
#include <sqlext.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using qc::test::TdsServer;

namespace {
std::string connectionString(const std::string& server, const std::string& password = "Test#Pass1") {
    return "Driver={SQL Server};Server=" + server + ";Database=TestDB;Uid=testuser;Pwd=" + password + ";";
}

std::string hostPort(int port) {
    return TdsServer::host() + "," + std::to_string(port);
}

// True when this process, not its environment, decides TDSPORT.
bool portIsOurs() {
    qc::odbc::prepareFreeTdsPort("Server=host,1");
    return std::getenv("TDSPORT") == nullptr;
}

// Binds the port on 127.0.0.1 and lets it go again; 0 picks a free one. Returns the port, or 0
// when it was taken.
int bindAndRelease(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int bound = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        bound = ntohs(address.sin_port);
    }
    close(fd);
    return bound;
}
} // namespace

TEST(FreeTds, AsksTheServerForWholeLongValues) {
    TdsServer server(TdsServer::standardFixture());
    QTemporaryDir dir;
    const std::string dump = dir.filePath(QStringLiteral("tds.log")).toStdString();
    setenv("TDSDUMP", dump.c_str(), 1);
    qc::odbc::Connection connection;
    connection.open(connectionString(hostPort(server.port())));
    unsetenv("TDSDUMP");
    QFile log(QString::fromStdString(dump));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("SET TEXTSIZE 2147483647"));

    // A 10,004-character (max) value arrives whole.
    qc::odbc::Statement st(connection);
    st.execute("SELECT * FROM [AllTypes]");
    std::vector<qc::odbc::Value> row;
    bool sawLong = false;
    while (st.next(row))
        for (const auto& v : row)
            if (const auto* s = std::get_if<std::string>(&v); s && s->size() >= 10004)
                sawLong = true;
    EXPECT_TRUE(sawLong);
}

// Decimals read from bound columns give the digits the driver's text of each value, read by
// SQLGetData, gives: every digit after the point, the sign, a 38-digit magnitude, money.
TEST(FreeTds, BoundDecimalsGiveTheDigitsOfTheDriversText) {
    TdsServer server(TdsServer::standardFixture());
    const std::string connect = connectionString(hostPort(server.port()));
    for (const std::string table : {"AllTypes", "BigTable"}) {
        std::vector<std::vector<std::string>> expected; // per row, its decimals' digits ("" for NULL)
        {
            const auto freeEnv = [](SQLHANDLE h) { SQLFreeHandle(SQL_HANDLE_ENV, h); };
            const auto freeDbc = [](SQLHANDLE h) {
                SQLDisconnect(h);
                SQLFreeHandle(SQL_HANDLE_DBC, h);
            };
            SQLHANDLE env = SQL_NULL_HANDLE, dbc = SQL_NULL_HANDLE, stmt = SQL_NULL_HANDLE;
            ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)));
            const std::unique_ptr<void, decltype(freeEnv)> envOwner(env, freeEnv);
            SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
            ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)));
            ASSERT_TRUE(SQL_SUCCEEDED(
                SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())),
                                 SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
            const std::unique_ptr<void, decltype(freeDbc)> dbcOwner(dbc, freeDbc);
            ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)));
            const std::string sql = "SELECT * FROM [" + table + "]";
            ASSERT_TRUE(SQL_SUCCEEDED(
                SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS)));
            SQLSMALLINT columns = 0;
            SQLNumResultCols(stmt, &columns);
            std::vector<SQLUSMALLINT> decimals;
            for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
                SQLLEN type = 0;
                SQLColAttribute(stmt, c, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &type);
                if (type == SQL_DECIMAL || type == SQL_NUMERIC)
                    decimals.push_back(c);
            }
            ASSERT_FALSE(decimals.empty());
            while (SQL_SUCCEEDED(SQLFetch(stmt))) {
                std::vector<std::string>& row = expected.emplace_back();
                for (const SQLUSMALLINT c : decimals) {
                    char text[128] = {};
                    SQLLEN length = 0;
                    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetData(stmt, c, SQL_C_CHAR, text, sizeof text, &length)));
                    row.push_back(length == SQL_NULL_DATA ? "" : qc::odbc::plainDecimal(text).value_or("?"));
                }
            }
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        }
        qc::odbc::Connection connection;
        connection.open(connect);
        qc::odbc::Statement st(connection);
        st.execute("SELECT * FROM [" + table + "]");
        std::vector<std::size_t> decimals;
        for (std::size_t i = 0; i < st.columns().size(); ++i)
            if (st.columns()[i].sqlType == SQL_DECIMAL || st.columns()[i].sqlType == SQL_NUMERIC)
                decimals.push_back(i);
        std::vector<qc::odbc::Value> row;
        std::size_t rows = 0;
        while (st.next(row)) {
            ASSERT_LT(rows, expected.size());
            std::vector<std::string> digits;
            for (const std::size_t i : decimals) {
                const auto* d = std::get_if<qc::odbc::Decimal>(&row[i]);
                digits.push_back(d ? d->digits : qc::odbc::isNull(row[i]) ? "" : "not a decimal");
            }
            EXPECT_EQ(digits, expected[rows]) << table << " row " << rows + 1;
            ++rows;
        }
        EXPECT_EQ(rows, expected.size()) << table;
    }
}

TEST(FreeTds, PortVariableFollowsTheServerText) {
    if (!portIsOurs())
        GTEST_SKIP() << "TDSPORT is set by the environment";
    qc::odbc::prepareFreeTdsPort(connectionString("myhost"));
    ASSERT_NE(std::getenv("TDSPORT"), nullptr);
    EXPECT_STREQ(std::getenv("TDSPORT"), "1433");
    // A port or an instance name: the variable must not override it.
    qc::odbc::prepareFreeTdsPort(connectionString("myhost,1500"));
    EXPECT_EQ(std::getenv("TDSPORT"), nullptr);
    qc::odbc::prepareFreeTdsPort(connectionString("myhost"));
    qc::odbc::prepareFreeTdsPort(connectionString("myhost\\SQLEXPRESS"));
    EXPECT_EQ(std::getenv("TDSPORT"), nullptr);
    qc::odbc::prepareFreeTdsPort("Driver={SQLite3};Database=/tmp/x.db;");
    EXPECT_EQ(std::getenv("TDSPORT"), nullptr);
}

TEST(FreeTds, AServerWithoutPortIsReachedOnTheDefaultPort) {
    if (!portIsOurs())
        GTEST_SKIP() << "TDSPORT is set by the environment";
    if (bindAndRelease(1433) == 0)
        GTEST_SKIP() << "port 1433 is taken";
    TdsServer server(TdsServer::standardFixture(), 1433);
    qc::odbc::Connection connection;
    connection.open(connectionString(TdsServer::host()));
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.dbmsName(), "Microsoft SQL Server");
}

TEST(FreeTds, LoginFailuresAreFastAndCarryTheServersCode) {
    TdsServer server(TdsServer::standardFixture());
    qc::odbc::Connection connection;
    try {
        connection.open(connectionString(hostPort(server.port()), "wrong"));
        FAIL() << "a wrong password logged in";
    } catch (const qc::odbc::Error& e) {
        EXPECT_EQ(e.nativeCode(), 18456) << e.what();
        EXPECT_NE(e.message().find("Login failed"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(connection.isOpen());
    // The same object connects once the login is right.
    connection.open(connectionString(hostPort(server.port())));
    EXPECT_TRUE(connection.isOpen());

    const auto start = std::chrono::steady_clock::now();
    qc::odbc::Connection nobody;
    nobody.setLoginTimeout(5);
    EXPECT_THROW(nobody.open(connectionString(hostPort(bindAndRelease(0)))), qc::odbc::Error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(FreeTds, AStatementWhileAResultIsPendingFailsAndTheConnectionRecovers) {
    TdsServer server(TdsServer::standardFixture());
    qc::odbc::Connection connection;
    connection.open(connectionString(hostPort(server.port())));
    qc::odbc::Statement rows(connection);
    rows.execute("SELECT * FROM [BigTable]");
    std::vector<qc::odbc::Value> row;
    ASSERT_TRUE(rows.next(row));
    qc::odbc::Statement count(connection);
    try {
        count.execute("SELECT COUNT(*) FROM [BigTable]");
        FAIL() << "a second result opened while one was pending";
    } catch (const qc::odbc::Error& e) {
        EXPECT_EQ(e.sqlState(), "24000") << e.what();
    }
    rows.close();
    count.execute("SELECT COUNT(*) FROM [BigTable]");
    ASSERT_TRUE(count.next(row));
    EXPECT_EQ(std::get<std::int64_t>(row[0]), 500);
    count.close();

    // A batch's results come one after the other on one statement; a failing statement of the
    // batch fails where its result would start.
    rows.execute("SELECT COUNT(*) FROM [BigTable];\nSELECT * FROM [BigTable]");
    ASSERT_TRUE(rows.next(row));
    EXPECT_EQ(std::get<std::int64_t>(row[0]), 500);
    ASSERT_TRUE(rows.nextResult());
    int read = 0;
    while (rows.next(row))
        ++read;
    EXPECT_EQ(read, 500);
    EXPECT_GT(rows.columns().size(), 1u);
    EXPECT_FALSE(rows.nextResult());
    rows.execute("SELECT COUNT(*) FROM [BigTable];\nSELECT * FROM [NoSuchTable]");
    ASSERT_TRUE(rows.next(row));
    EXPECT_THROW(rows.nextResult(), qc::odbc::Error);
    rows.close();
    count.execute("SELECT COUNT(*) FROM [BigTable]");
    EXPECT_TRUE(count.next(row));
}
