#include "odbc/error.h"

#include "odbc/utf.h"

#include <algorithm>
#include <vector>

namespace qc::odbc {

namespace {
std::string describe(const std::string& state, long native, const std::string& message) {
    std::string text = message.empty() ? "ODBC call failed." : message;
    text += " (SQLSTATE " + (state.empty() ? std::string("none") : state) + ", native error " +
            std::to_string(native) + ")";
    return text;
}
} // namespace

Error::Error(std::string sqlState, long nativeCode, std::string message)
    : std::runtime_error(describe(sqlState, nativeCode, message)), sqlState_(std::move(sqlState)),
      nativeCode_(nativeCode), message_(std::move(message)) {}

std::string firstSqlState(SQLSMALLINT handleType, SQLHANDLE handle) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR text[2] = {};
    SQLSMALLINT length = 0;
    if (!succeeded(SQLGetDiagRecW(handleType, handle, 1, state, &native, text, 2, &length)))
        return {};
    return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(state), 5));
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* context) {
    if (succeeded(rc) || rc == SQL_NO_DATA)
        return;
    std::string firstState;
    long firstNative = 0;
    std::string message;
    bool primaryFound = false;
    if (handle != SQL_NULL_HANDLE) {
        // Bounded: a driver that keeps answering must not keep us here.
        for (SQLSMALLINT record = 1; record <= 20; ++record) {
            SQLWCHAR state[6] = {};
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            std::vector<SQLWCHAR> text(1024);
            SQLRETURN d = SQLGetDiagRecW(handleType, handle, record, state, &native, text.data(),
                                         static_cast<SQLSMALLINT>(text.size()), &length);
            if (!succeeded(d))
                break;
            if (length >= static_cast<SQLSMALLINT>(text.size())) {
                text.resize(static_cast<std::size_t>(length) + 1);
                d = SQLGetDiagRecW(handleType, handle, record, state, &native, text.data(),
                                   static_cast<SQLSMALLINT>(text.size()), &length);
                if (!succeeded(d))
                    break;
            }
            const auto len = std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1);
            const std::string line =
                utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), len));
            // The first record that is more than a warning names the failure.
            const bool warning = state[0] == u'0' && state[1] == u'1';
            if (record == 1 || (!primaryFound && !warning)) {
                primaryFound = !warning;
                firstState = utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(state), 5));
                firstNative = native;
            }
            if (!message.empty())
                message += '\n';
            message += line;
        }
    }
    if (message.empty())
        message = std::string(context) + " failed" + (rc == SQL_INVALID_HANDLE ? " (invalid handle)." : ".");
    throw Error(firstState, firstNative, message);
}

} // namespace qc::odbc
