#include "odbc/handles.h"

#include "odbc/error.h"

namespace qc::odbc::detail {

Handles::Handles() {
    check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_HANDLE_ENV, SQL_NULL_HANDLE,
          "Allocating the ODBC environment");
    try {
        check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, env, "Choosing ODBC 3");
        check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env,
              "Allocating an ODBC connection");
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        throw;
    }
}

Handles::~Handles() {
    disconnect();
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

SQLHSTMT Handles::allocateStatement() {
    if (!connected)
        throw Error("08003", 0, "The connection is not open.");
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "Allocating a statement");
    statements.push_back(stmt);
    return stmt;
}

void Handles::freeStatement(SQLHSTMT stmt, unsigned ofSession) {
    if (ofSession != session || stmt == SQL_NULL_HSTMT)
        return;
    std::erase(statements, stmt);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

void Handles::disconnect() {
    if (!connected)
        return;
    for (SQLHSTMT stmt : statements) {
        SQLFreeStmt(stmt, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
    statements.clear();
    connected = false;
    ++session;
    SQLDisconnect(dbc);
}

} // namespace qc::odbc::detail
