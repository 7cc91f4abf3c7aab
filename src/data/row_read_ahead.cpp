#include "data/row_read_ahead.h"

#include <algorithm>
#include <chrono>
#include <type_traits>
#include <utility>

namespace qc::data {

namespace {
constexpr auto kSlice = std::chrono::milliseconds(5);
// A taker waiting for rows is woken once this many have come (or at the end): woken for each
// row, it would take turns with the reader row by row, a thread switch each, whenever the source
// is the slower. Fewer rows are taken when its wait's slice runs out.
constexpr std::size_t kWakeAfter = 64;
// How long a read under way when the rows are no longer wanted may take before it is cancelled.
constexpr auto kCancelAfter = std::chrono::milliseconds(200);
// The most rows read between two takings of the lock.
constexpr std::size_t kBatch = 64;
// A slot whose values' buffers grew past this for one large row lets them go, so a few large
// values early in a table do not stay held by every slot for the rest of it.
constexpr std::size_t kSlotKeeps = 4096;

// The bytes of a row's values: their places and the text or bytes they hold.
std::size_t rowBytes(const std::vector<odbc::Value>& values) {
    std::size_t bytes = values.size() * sizeof(odbc::Value);
    for (const auto& value : values)
        bytes += std::visit(
            [](const auto& v) -> std::size_t {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, odbc::Bytes>)
                    return v.size();
                else if constexpr (std::is_same_v<T, odbc::Decimal>)
                    return v.digits.size();
                else if constexpr (std::is_same_v<T, odbc::Guid>)
                    return v.text.size();
                else
                    return 0;
            },
            value);
    return bytes;
}
} // namespace

RowReadAhead::RowReadAhead(WorkerThread& thread, std::unique_ptr<odbc::Statement> statement,
                           std::function<void()> whileWaiting, SpareRing* spare)
    : RowReadAhead(thread, std::move(statement), std::move(whileWaiting), Limits{}, spare) {}

RowReadAhead::RowReadAhead(WorkerThread& thread, std::unique_ptr<odbc::Statement> statement,
                           std::function<void()> whileWaiting, Limits limits, SpareRing* spare)
    : statement_(std::move(statement)),
      whileWaiting_(std::move(whileWaiting)), limits_{std::max<std::size_t>(limits.rows, 1), limits.bytes},
      spare_(spare), ring_(ringFrom(spare, limits_.rows)), opened_(true) {
    thread.post([this] { read(); });
}

RowReadAhead::RowReadAhead(WorkerThread& thread, Opener open, std::function<void()> whileWaiting,
                           SpareRing* spare)
    : open_(std::move(open)), whileWaiting_(std::move(whileWaiting)), limits_{}, spare_(spare),
      ring_(ringFrom(spare, limits_.rows)) {
    thread.post([this] { read(); });
}

std::vector<RowReadAhead::Row> RowReadAhead::ringFrom(SpareRing* spare, std::size_t size) {
    if (spare) {
        std::lock_guard lock(spare->mutex_);
        if (spare->slots_.size() == size)
            return std::exchange(spare->slots_, {});
    }
    return std::vector<Row>(size);
}

RowReadAhead::~RowReadAhead() {
    std::unique_lock lock(mutex_);
    stop_ = true;
    changed_.notify_all();
    // A server that stops sending in the middle of a result would otherwise hold the close up
    // for the query's whole time-out. The row being read is let finish first: unixODBC's
    // SQLCancel frees the statement's diagnostics, which a call handing over a value on the
    // reading thread may be using at that moment, so only a read that stays waiting is cancelled.
    if (reading_ && !finished_ && !changed_.wait_for(lock, kCancelAfter, [this] { return finished_; })) {
        lock.unlock();
        {
            // A reading thread letting the statement go is no longer reading: nothing to cancel.
            std::unique_lock guard(statementMutex_, std::try_to_lock);
            if (guard.owns_lock() && statement_)
                statement_->cancel();
        }
        lock.lock();
    }
    // The reading touches nothing of this object once it has said it finished.
    await(lock, [this] { return finished_; });
    if (!spare_)
        return;
    // Buffers grown for a few large values are not kept for the connection's life.
    for (Row& slot : ring_)
        trim(slot);
    std::lock_guard spareLock(spare_->mutex_);
    spare_->slots_ = std::move(ring_);
}

bool RowReadAhead::full() const {
    // One row is let through whatever its size, so an empty ring is never full.
    return filled_ > 0 && (filled_ >= limits_.rows || bytesFilled_ >= limits_.bytes);
}

void RowReadAhead::trim(Row& slot) {
    // The values' places stay whatever their number; only what they hold counts.
    if (slot.bytes > kSlotKeeps + slot.values.size() * sizeof(odbc::Value))
        slot.values.clear();
    slot.failures.clear();
}

bool RowReadAhead::readInto(Row& slot) {
    trim(slot);
    if (!statement_->next(slot.values))
        return false;
    if (statement_->anyValueFailure())
        for (std::size_t i = 0; i < slot.values.size(); ++i)
            if (const odbc::Error* failure = statement_->valueFailure(i))
                slot.failures.emplace_back(i, *failure);
    slot.bytes = rowBytes(slot.values);
    return true;
}

bool RowReadAhead::openStatement() {
    std::unique_ptr<odbc::Statement> statement;
    std::exception_ptr failure;
    bool stopped = false;
    {
        std::lock_guard lock(mutex_);
        stopped = stop_;
    }
    // A query no longer wanted before its turn came is never sent.
    if (!stopped) {
        try {
            statement = open_();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    open_ = nullptr;
    const bool open = statement != nullptr;
    {
        std::lock_guard guard(statementMutex_);
        statement_ = std::move(statement);
    }
    std::lock_guard lock(mutex_);
    openFailure_ = std::move(failure);
    opened_ = true;
    changed_.notify_all();
    return open;
}

void RowReadAhead::waitOpened() {
    std::unique_lock lock(mutex_);
    await(lock, [this] { return opened_; });
    if (openFailure_)
        std::rethrow_exception(openFailure_);
}

void RowReadAhead::read() {
    std::exception_ptr failure;
    if (!open_ || openStatement())
        readRows(failure);
    // The statement goes here, before the connection's next job: that job may send the server
    // the next query, which a statement with its cursor still open would hold up or cut off, and
    // the connection's statements are made and freed on this thread only.
    {
        std::lock_guard guard(statementMutex_);
        statement_.reset();
    }
    std::lock_guard lock(mutex_);
    // Moved, so that this thread holds no reference to release once the taker may have one.
    failure_ = std::move(failure);
    finished_ = true;
    changed_.notify_all();
}

void RowReadAhead::readRows(std::exception_ptr& failure) {
    for (;;) {
        std::size_t at = 0, room = 0, bytesHeld = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || !full(); });
            if (stop_)
                break;
            // With every row given back, the next ones go to the first slots again: where the
            // source is the slower side, the same few slots, warm in the processors' caches, serve
            // the whole table instead of each row landing in a slot unused since the ring last
            // went round.
            if (filled_ == 0)
                first_ = 0;
            at = (first_ + filled_) % ring_.size();
            room = limits_.rows - filled_;
            bytesHeld = bytesFilled_;
            reading_ = true;
        }
        // The slots after the last row read are this thread's until they are counted in. Rows are
        // read into them a batch at a time and counted in together, so the lock is taken once per
        // batch. Each row read is published as it comes (a store, no lock): a taker that has
        // waited counts in what the batch has so far, so no row that came is held back for long
        // by a read that waits for the server.
        std::size_t count = 0, bytes = 0;
        bool more = true;
        try {
            do {
                Row& slot = ring_[(at + count) % ring_.size()];
                more = readInto(slot);
                if (more) {
                    ++count;
                    bytes += slot.bytes;
                    batchRead_.store(count, std::memory_order_release);
                }
            } while (more && count < room && count < kBatch && bytesHeld + bytes < limits_.bytes);
        } catch (...) {
            failure = std::current_exception();
            more = false;
        }
        std::lock_guard lock(mutex_);
        reading_ = false;
        if (stop_)
            break;
        // Those the taker counted in already stay counted once.
        const std::size_t added = count - batchTaken_;
        countIn(added, bytes - batchTakenBytes_);
        batchTaken_ = batchTakenBytes_ = 0;
        batchRead_.store(0, std::memory_order_relaxed);
        if (!more)
            break;
        // Once, as the rows held reach the mark: the taker, woken, takes them all.
        if ((filled_ >= kWakeAfter && filled_ - added < kWakeAfter) || full())
            changed_.notify_all();
    }
}

void RowReadAhead::countIn(std::size_t rows, std::size_t bytes) {
    filled_ += rows;
    bytesFilled_ += bytes;
    mostRows_ = std::max(mostRows_, filled_);
    mostBytes_ = std::max(mostBytes_, bytesFilled_);
}

void RowReadAhead::takeFromBatch() {
    const std::size_t read = batchRead_.load(std::memory_order_acquire);
    if (read <= batchTaken_)
        return;
    // The batch's rows not yet counted in follow the last row counted in.
    const std::size_t from = first_ + filled_;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < read - batchTaken_; ++i)
        bytes += ring_[(from + i) % ring_.size()].bytes;
    countIn(read - batchTaken_, bytes);
    batchTaken_ = read;
    batchTakenBytes_ += bytes;
}

template <class Ready> void RowReadAhead::await(std::unique_lock<std::mutex>& lock, Ready ready) {
    while (!ready()) {
        changed_.wait_for(lock, kSlice);
        if (whileWaiting_ && !ready()) {
            lock.unlock();
            whileWaiting_();
            lock.lock();
        }
    }
}

bool RowReadAhead::next(std::vector<odbc::Value>& row) {
    if (taken_ == claimed_) {
        std::unique_lock lock(mutex_);
        // The rows taken go back, and with them the room they held.
        first_ = (first_ + taken_) % ring_.size();
        filled_ -= taken_;
        bytesFilled_ -= takenBytes_;
        taken_ = claimed_ = takenBytes_ = 0;
        changed_.notify_all();
        // The rows of the batch under way are counted in only once this taker has waited: taking
        // them as they come would hand rows over one by one whenever the reader is the slower
        // side, while a batch held up by a slow server still gives up its rows within a slice.
        bool waited = false;
        await(lock, [this, &waited] {
            if (std::exchange(waited, true))
                takeFromBatch();
            return filled_ > 0 || finished_;
        });
        claimed_ = filled_;
        if (claimed_ == 0) {
            if (failure_)
                std::rethrow_exception(std::exchange(failure_, nullptr));
            return false;
        }
    }
    Row& slot = ring_[(first_ + taken_) % ring_.size()];
    ++taken_;
    takenBytes_ += slot.bytes;
    row.swap(slot.values);
    lastFailures_.swap(slot.failures);
    // The slot now holds the buffers of the row handed out before, and their size with them.
    std::swap(slot.bytes, handedBytes_);
    return true;
}

const odbc::Error* RowReadAhead::valueFailure(std::size_t column) const {
    for (const auto& [index, failure] : lastFailures_)
        if (index == column)
            return &failure;
    return nullptr;
}

std::size_t RowReadAhead::mostRowsHeld() const {
    std::lock_guard lock(mutex_);
    return mostRows_;
}

std::size_t RowReadAhead::mostBytesHeld() const {
    std::lock_guard lock(mutex_);
    return mostBytes_;
}

bool RowReadAhead::waitUntilFull(std::chrono::milliseconds atMost) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, atMost, [this] { return full() || finished_; });
    return full();
}

} // namespace qc::data
