#pragma once
// A query's rows read on a thread of their own, a bounded number ahead of the reader, so that the
// source is read while the rows before are being written, and a reader on the window thread can
// let window events through while a server is slow to send the next row, or stops sending in the
// middle of a table.
//
// The rows travel through a ring of slots that both threads reuse: a row's vector and the text
// buffers inside it go back to the reading thread once taken, so a row costs no allocation once
// the ring is warm, and neither thread frees what the other allocated.

#include "data/worker_thread.h"
#include "odbc/statement.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace qc::data {

class RowReadAhead {
  public:
    struct Limits {
        // The most rows read and not yet taken.
        std::size_t rows = 2048;
        // The most bytes of values read and not yet taken; one row is always let through,
        // however large.
        std::size_t bytes = std::size_t{4} << 20;
    };

    class SpareRing;

    // Starts reading on `thread` at once (or once the jobs before it there have ended);
    // `whileWaiting` is called every few milliseconds while the next row has not arrived. The
    // ring's slots come from `spare` when it has some, and go back there at the end.
    RowReadAhead(WorkerThread& thread, std::unique_ptr<odbc::Statement> statement,
                 std::function<void()> whileWaiting, SpareRing* spare = nullptr);
    RowReadAhead(WorkerThread& thread, std::unique_ptr<odbc::Statement> statement,
                 std::function<void()> whileWaiting, Limits limits, SpareRing* spare = nullptr);
    // A query asked ahead of its turn: `open` runs on `thread` first and gives the statement whose
    // rows are then read ahead, while the thread that takes them is still busy with the rows
    // before. waitOpened() throws what `open` threw.
    using Opener = std::function<std::unique_ptr<odbc::Statement>()>;
    RowReadAhead(WorkerThread& thread, Opener open, std::function<void()> whileWaiting,
                 SpareRing* spare = nullptr);
    // Stops the reading, cancelling a read the server keeps waiting, and waits for it to end,
    // calling `whileWaiting` meanwhile.
    ~RowReadAhead();
    RowReadAhead(const RowReadAhead&) = delete;
    RowReadAhead& operator=(const RowReadAhead&) = delete;

    // Waits until the statement is open, calling `whileWaiting` meanwhile; throws the failure of
    // opening it.
    void waitOpened();
    // The next row into `row` (whose old values go back to the reading thread); false at the
    // end. A read that failed throws here, in its place.
    bool next(std::vector<odbc::Value>& row);
    // The failure of the last row's value of the 0-based column, or null when it was read.
    const odbc::Error* valueFailure(std::size_t column) const;
    // The most rows and bytes that were ever read and not yet taken at once.
    std::size_t mostRowsHeld() const;
    std::size_t mostBytesHeld() const;
    // Waits, at most `atMost`, until the reader holds as many rows or bytes as it may and so waits
    // for room; false when the reading ended or the time ran out first. Tells a test that the
    // rows ahead are all read without guessing how long that takes.
    bool waitUntilFull(std::chrono::milliseconds atMost);

  private:
    // The two threads write their own fields row by row, and each its own slot of the ring: kept on
    // lines of their own, neither's writes take the other's cache line away from it. Without this,
    // whether two such fields shared a line would depend on where the heap placed the object.
    static constexpr std::size_t kCacheLine = 64;

    // A row with the failures of the values that could not be read, which travel with it.
    struct alignas(kCacheLine) Row {
        std::vector<odbc::Value> values;
        std::vector<std::pair<std::size_t, odbc::Error>> failures;
        // The values' bytes when read; once the row is handed out, those of the buffers that
        // came back in its place.
        std::size_t bytes = 0;
    };

    // A ring of `size` slots, those of `spare` if it holds as many.
    static std::vector<Row> ringFrom(SpareRing* spare, std::size_t size);
    void read();
    // Runs the opener on the reading thread; false when there is no statement to read.
    bool openStatement();
    void readRows(std::exception_ptr& failure);
    // Lets go of the buffers of `slot` that one large row grew, and of its failures.
    static void trim(Row& slot);
    // Reads the next row into `slot`; false at the end.
    bool readInto(Row& slot);
    // Waits, `whileWaiting` called between slices, until `ready` holds; the lock is held on return.
    template <class Ready> void await(std::unique_lock<std::mutex>& lock, Ready ready);
    // Under mutex_: the reader may hold no more until rows are taken.
    bool full() const;
    // Under mutex_: the rows and bytes held grow by these.
    void countIn(std::size_t rows, std::size_t bytes);
    // Under mutex_: counts in the rows of the reader's batch under way that it has read so far.
    void takeFromBatch();

    // Freed by the reading thread as it ends, under statementMutex_, which a cancel holds too.
    std::unique_ptr<odbc::Statement> statement_;
    Opener open_; // the reading thread's, until it has run
    std::mutex statementMutex_;
    std::function<void()> whileWaiting_;
    const Limits limits_;
    SpareRing* spare_;
    std::vector<Row> ring_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // Under mutex_. The rows read and not yet given back lie in the slots from first_ on; the
    // taking thread moves first_ as it gives rows back, the reading thread only while it holds
    // none (back to the first slot), and alone fills the slots after the last.
    std::size_t first_ = 0;
    std::size_t filled_ = 0;
    std::size_t bytesFilled_ = 0;
    std::size_t mostRows_ = 0;
    std::size_t mostBytes_ = 0;
    bool opened_ = false;
    std::exception_ptr openFailure_;
    bool finished_ = false;
    bool stop_ = false;
    bool reading_ = false; // the reading thread is in a call that waits for the server
    // The reader's batch under way, which starts right after the rows counted in: how many of its
    // rows the taker counted in before the reader did (under mutex_), and how many the reader has
    // read (its own, published row by row).
    std::size_t batchTaken_ = 0;
    std::size_t batchTakenBytes_ = 0;
    std::exception_ptr failure_;
    alignas(kCacheLine) std::atomic<std::size_t> batchRead_ = 0;

    // The taking thread's own: the slots claimed at its last wait and how many of them it took.
    alignas(kCacheLine) std::size_t claimed_ = 0;
    std::size_t taken_ = 0;
    std::size_t takenBytes_ = 0;
    std::size_t handedBytes_ = 0; // of the row last handed out, whose buffers the caller holds
    std::vector<std::pair<std::size_t, odbc::Error>> lastFailures_;

  public:
    // The slots of a reading that ended, kept for the next one on the same connection. A ring is
    // one large allocation, cleared each time, and each of its slots keeps the buffers of the
    // rows it held: a run of many small tables paid for both with every table, and for every row
    // its slot's first buffers.
    class SpareRing {
        friend class RowReadAhead;
        std::mutex mutex_;
        std::vector<Row> slots_;
    };
};

} // namespace qc::data
