#pragma once
// A connection attempt run on a thread of its own, so the caller can keep its window alive while
// the driver works, and can walk away from a driver that never returns: FreeTDS, facing a server
// that accepts the connection and then says nothing, ignores its own login time-out for good.

#include "odbc/handles.h"

#include <sql.h>

#include <chrono>
#include <functional>
#include <memory>

namespace qc::odbc::detail {

// Runs `connect` with the connection handle of `handles` on a new thread and waits for it at most
// `limit`, calling `whileWaiting` (when given) every few milliseconds. Returns what `connect`
// returned. When the limit passes first, the thread is left behind: it keeps its own share of the
// handles, so nothing it uses is ever freed under it, closes a connection that opens too late, and
// the caller gets Error HYT00 and must not use `handles` again.
SQLRETURN connectOffThread(const std::shared_ptr<Handles>& handles, std::function<SQLRETURN(SQLHDBC)> connect,
                           std::chrono::seconds limit, const std::function<void()>& whileWaiting);

} // namespace qc::odbc::detail
