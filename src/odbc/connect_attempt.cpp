#include "odbc/connect_attempt.h"

#include "odbc/error.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace qc::odbc::detail {

namespace {

// What the waiting side and the connecting thread share; the thread's copy of the pointer keeps
// it, and the handles, alive for as long as the driver call lasts.
struct Attempt {
    std::shared_ptr<Handles> handles;
    std::function<SQLRETURN(SQLHDBC)> connect;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    SQLRETURN rc = SQL_ERROR;
};

void run(const std::shared_ptr<Attempt>& attempt) {
    const SQLRETURN rc = attempt->connect(attempt->handles->dbc);
    std::lock_guard lock(attempt->mutex);
    attempt->rc = rc;
    attempt->done = true;
    // Nobody waits for a late success any more: the connection would stay open until the
    // program ends, so it is closed here, on the thread that opened it.
    if (attempt->abandoned && succeeded(rc))
        SQLDisconnect(attempt->handles->dbc);
    attempt->finished.notify_all();
}

} // namespace

SQLRETURN connectOffThread(const std::shared_ptr<Handles>& handles, std::function<SQLRETURN(SQLHDBC)> connect,
                           std::chrono::seconds limit, const std::function<void()>& whileWaiting) {
    auto attempt = std::make_shared<Attempt>();
    attempt->handles = handles;
    attempt->connect = std::move(connect);
    std::thread worker([attempt] { run(attempt); });

    const auto deadline = std::chrono::steady_clock::now() + limit;
    constexpr auto kSlice = std::chrono::milliseconds(5);
    // Leaves a running attempt to its thread, which closes a late success itself; an attempt
    // that has finished meanwhile is joined, and a connection it made is closed, as nobody takes it.
    const auto abandon = [&] {
        std::unique_lock lock(attempt->mutex);
        if (!attempt->done) {
            attempt->abandoned = true;
            worker.detach();
            return;
        }
        lock.unlock();
        worker.join();
        if (succeeded(attempt->rc))
            SQLDisconnect(attempt->handles->dbc);
    };
    try {
        std::unique_lock lock(attempt->mutex);
        while (!attempt->done) {
            if (std::chrono::steady_clock::now() >= deadline) {
                // Still under the lock that saw the attempt unfinished: a success from now on
                // finds it abandoned and is closed by the worker.
                attempt->abandoned = true;
                worker.detach();
                lock.unlock();
                throw Error("HYT00", 0,
                            "Login timeout expired: the server did not answer within " +
                                std::to_string(limit.count()) + " seconds.");
            }
            attempt->finished.wait_for(lock, kSlice);
            if (whileWaiting && !attempt->done) {
                // The window's events may take a while and may open connections of their own.
                lock.unlock();
                whileWaiting();
                lock.lock();
            }
        }
    } catch (...) {
        if (worker.joinable())
            abandon();
        throw;
    }
    worker.join();
    return attempt->rc;
}

} // namespace qc::odbc::detail
