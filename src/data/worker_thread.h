#pragma once
// One thread that runs the jobs handed to it one after another. A source connection keeps one for
// all of its waits and reads ahead, so a table costs no thread started and joined for opening its
// query and none for reading its rows: a run of hundreds of small tables would otherwise start
// a few hundred threads.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace qc::data {

class WorkerThread {
  public:
    WorkerThread() = default;
    // Waits for the jobs handed over to end.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs `job` on the thread once the jobs before it have ended; the thread starts with the
    // first. A job ends every wait of its own: the thread serves nothing else meanwhile.
    void post(std::function<void()> job);

  private:
    void serve();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> jobs_; // under mutex_
    bool ending_ = false;                    // under mutex_
    std::thread thread_;
};

} // namespace qc::data
