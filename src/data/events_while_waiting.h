#pragma once
// A driver call that waits for the server, run so that the window stays responsive meanwhile.

#include "data/worker_thread.h"

#include <functional>

namespace qc::data {

// Runs `work` on `worker` and calls `letEventsThrough` every few milliseconds until it ends, so
// that the window answers, and can be closed, while a statement waits for a server that is slow
// to answer (a table another session holds locked). The caller touches nothing `work` uses until
// it has ended, so each ODBC handle is used by one thread at a time. What `work` throws is thrown
// here. Without `letEventsThrough`, `work` simply runs here.
void runLettingEventsThrough(WorkerThread& worker, const std::function<void()>& work,
                             const std::function<void()>& letEventsThrough);

} // namespace qc::data
