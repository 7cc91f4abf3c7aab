#pragma once
// The one exception type of the ODBC layer: the first diagnostic record of a failed call, with
// every record's message in the readable description.

#include <sql.h>
#include <sqlext.h>

#include <stdexcept>
#include <string>

namespace qc::odbc {

class Error : public std::runtime_error {
  public:
    Error(std::string sqlState, long nativeCode, std::string message);

    const std::string& sqlState() const { return sqlState_; }
    long nativeCode() const { return nativeCode_; }
    // The driver's own message (all diagnostic records, one per line).
    const std::string& message() const { return message_; }

  private:
    std::string sqlState_;
    long nativeCode_;
    std::string message_;
};

// Throws Error built from the handle's diagnostics when rc is not a success; `context` names the
// call in the description when the driver left no diagnostic record.
void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* context);

inline bool succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The SQLSTATE of the first diagnostic record ("" when there is none).
std::string firstSqlState(SQLSMALLINT handleType, SQLHANDLE handle);

} // namespace qc::odbc
