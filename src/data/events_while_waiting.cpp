#include "data/events_while_waiting.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

namespace qc::data {

void runLettingEventsThrough(WorkerThread& worker, const std::function<void()>& work,
                             const std::function<void()>& letEventsThrough) {
    if (!letEventsThrough) {
        work();
        return;
    }
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    worker.post([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_all();
    });
    // The worker uses this frame until it ends, so it is always waited for, even when letting
    // events through fails; only ending the program cuts the wait short.
    std::exception_ptr pumpFailure;
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(5), [&] { return done; })) {
        if (pumpFailure)
            continue;
        lock.unlock();
        try {
            letEventsThrough();
        } catch (...) {
            pumpFailure = std::current_exception();
        }
        lock.lock();
    }
    lock.unlock();
    if (pumpFailure)
        std::rethrow_exception(pumpFailure);
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace qc::data
