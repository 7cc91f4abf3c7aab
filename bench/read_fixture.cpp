#include "read_fixture.h"

#include "support/environment.h"

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <stdexcept>
#include <vector>

namespace qc::bench {

void buildReadTable(const std::string& path, int rows) {
    const std::string script =
        "DROP TABLE IF EXISTS Big;"
        "CREATE TABLE Big (id INTEGER, name VARCHAR(40), amount NUMERIC(12,2), ratio DOUBLE, created "
        "TIMESTAMP, "
        "flag BIT, note TEXT, qty SMALLINT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(rows) +
        ") INSERT INTO Big SELECT i, 'Name ' || i || ' résumé', i * 1.25, i / 7.0, "
        "printf('2020-%02d-%02d %02d:%02d:%02d', i % 12 + 1, i % 28 + 1, i % 24, i % 60, (i * 7) % 60), i % "
        "2, "
        "CASE WHEN i % 7 = 0 THEN NULL ELSE 'note ' || i || ', it''s' END, i % 30000 FROM n;";
    const auto result = test::runProcess("/usr/bin/sqlite3", {path, script}, 600);
    if (result.exitCode != 0)
        throw std::runtime_error("sqlite3 failed: " + result.errors);
}

std::string sqliteConnectionString(const std::string& path) {
    return "Driver={SQLite3};Database=" + path + ";";
}

namespace {
void ok(SQLRETURN rc, const char* what) {
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO && rc != SQL_NO_DATA)
        throw std::runtime_error(std::string("bare ODBC loop: ") + what + " failed");
}
} // namespace

BareRead bareOdbcRead(const std::string& connectionString, const std::string& table) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), "SQLAllocHandle");
    ok(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
       "SQLSetEnvAttr");
    ok(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), "SQLAllocHandle");
    ok(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
       "SQLDriverConnect");
    ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), "SQLAllocHandle");

    BareRead result;
    const auto start = std::chrono::steady_clock::now();
    const std::string sql = "SELECT * FROM [" + table + "]";
    ok(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS),
       "SQLExecDirect");
    SQLSMALLINT columns = 0;
    ok(SQLNumResultCols(stmt, &columns), "SQLNumResultCols");
    std::vector<SQLSMALLINT> types(static_cast<std::size_t>(columns));
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
        SQLCHAR name[128];
        SQLSMALLINT nameLength = 0, decimals = 0, nullable = 0;
        SQLULEN size = 0;
        ok(SQLDescribeCol(stmt, c, name, sizeof name, &nameLength, &types[c - 1], &size, &decimals,
                          &nullable),
           "SQLDescribeCol");
    }
    std::vector<SQLWCHAR> text(4096);
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        ok(rc, "SQLFetch");
        ++result.rows;
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
            SQLLEN ind = 0;
            switch (types[c - 1]) {
            case SQL_INTEGER:
            case SQL_SMALLINT:
            case SQL_TINYINT:
            case SQL_BIGINT: {
                SQLBIGINT v = 0;
                ok(SQLGetData(stmt, c, SQL_C_SBIGINT, &v, sizeof v, &ind), "SQLGetData");
                result.checksum += static_cast<unsigned long long>(v);
                break;
            }
            case SQL_BIT: {
                unsigned char v = 0;
                ok(SQLGetData(stmt, c, SQL_C_BIT, &v, sizeof v, &ind), "SQLGetData");
                result.checksum += v;
                break;
            }
            case SQL_DOUBLE:
            case SQL_FLOAT:
            case SQL_REAL: {
                double v = 0;
                ok(SQLGetData(stmt, c, SQL_C_DOUBLE, &v, sizeof v, &ind), "SQLGetData");
                result.checksum += static_cast<unsigned long long>(v);
                break;
            }
            case SQL_TYPE_TIMESTAMP: {
                SQL_TIMESTAMP_STRUCT v{};
                ok(SQLGetData(stmt, c, SQL_C_TYPE_TIMESTAMP, &v, sizeof v, &ind), "SQLGetData");
                result.checksum += static_cast<unsigned long long>(v.second);
                break;
            }
            default:
                ok(SQLGetData(stmt, c, SQL_C_WCHAR, text.data(),
                              static_cast<SQLLEN>(text.size() * sizeof(SQLWCHAR)), &ind),
                   "SQLGetData");
                if (ind > 0)
                    result.checksum += static_cast<unsigned long long>(ind);
            }
        }
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return result;
}

} // namespace qc::bench
