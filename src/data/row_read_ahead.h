#pragma once
// A query's rows read on a thread of their own, a bounded number ahead of the reader, so that a
// reader on the window thread can let window events through while a server is slow to send the
// next row, or stops sending in the middle of a table.

#include "odbc/statement.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace qc::data {

class RowReadAhead {
  public:
    // Starts reading at once; `whileWaiting` is called every few milliseconds while the next row
    // has not arrived.
    RowReadAhead(std::unique_ptr<odbc::Statement> statement, std::function<void()> whileWaiting);
    // Stops the reading at the next row and waits for it, calling `whileWaiting` meanwhile.
    ~RowReadAhead();
    RowReadAhead(const RowReadAhead&) = delete;
    RowReadAhead& operator=(const RowReadAhead&) = delete;

    // The next row into `row`; false at the end. A read that failed throws here, in its place.
    bool next(std::vector<odbc::Value>& row);
    // The failure of the last row's value of the 0-based column, or null when it was read.
    const odbc::Error* valueFailure(std::size_t column) const;

  private:
    void read();
    // Waits, `whileWaiting` called between slices, until `ready` holds; the lock is held on return.
    template <class Ready> void await(std::unique_lock<std::mutex>& lock, Ready ready);

    std::unique_ptr<odbc::Statement> statement_;
    std::function<void()> whileWaiting_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // A row with the failures of the values that could not be read, which travel with it.
    struct Row {
        std::vector<odbc::Value> values;
        std::vector<std::pair<std::size_t, odbc::Error>> failures;
    };
    std::deque<Row> rows_;  // read, not yet taken
    std::deque<Row> taken_; // taken in one go, handed out one by one
    std::vector<std::pair<std::size_t, odbc::Error>> lastFailures_;
    bool finished_ = false;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::thread reader_;
};

} // namespace qc::data
