#pragma once
// The environment and connection handles that a connection and all its statements share, freed
// when the last of them goes.

#include <sql.h>
#include <sqlext.h>

#include <vector>

namespace qc::odbc::detail {

struct Handles {
    Handles();
    ~Handles();
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;
    // Bumped at every disconnect: a statement of an earlier session must not touch the handle.
    unsigned session = 0;
    // The statements of this session, freed before the disconnect.
    std::vector<SQLHSTMT> statements;

    SQLHSTMT allocateStatement();
    void freeStatement(SQLHSTMT stmt, unsigned ofSession);
    void disconnect();
};

} // namespace qc::odbc::detail
