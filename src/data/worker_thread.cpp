#include "data/worker_thread.h"

#include <utility>

namespace qc::data {

WorkerThread::~WorkerThread() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    posted_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void WorkerThread::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    posted_.notify_all();
    if (!thread_.joinable())
        thread_ = std::thread([this] { serve(); });
}

void WorkerThread::serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        posted_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        // The job's own objects go before the next job starts, as a thread of its own would end.
        job = nullptr;
        lock.lock();
    }
}

} // namespace qc::data
