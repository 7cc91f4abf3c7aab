#include "data/row_read_ahead.h"

#include <chrono>
#include <utility>

namespace qc::data {

namespace {
// Enough rows ahead that the reader seldom waits, few enough that memory stays small.
constexpr std::size_t kRowsAhead = 1024;
constexpr auto kSlice = std::chrono::milliseconds(5);
} // namespace

RowReadAhead::RowReadAhead(std::unique_ptr<odbc::Statement> statement, std::function<void()> whileWaiting)
    : statement_(std::move(statement)), whileWaiting_(std::move(whileWaiting)), reader_([this] { read(); }) {}

RowReadAhead::~RowReadAhead() {
    std::unique_lock lock(mutex_);
    stop_ = true;
    changed_.notify_all();
    await(lock, [this] { return finished_; });
    lock.unlock();
    reader_.join();
}

void RowReadAhead::read() {
    try {
        for (;;) {
            Row row;
            const bool more = statement_->next(row.values);
            if (more && statement_->anyValueFailure())
                for (std::size_t i = 0; i < row.values.size(); ++i)
                    if (const odbc::Error* failure = statement_->valueFailure(i))
                        row.failures.emplace_back(i, *failure);
            std::unique_lock lock(mutex_);
            if (!more || stop_)
                break;
            rows_.push_back(std::move(row));
            changed_.notify_all();
            changed_.wait(lock, [this] { return stop_ || rows_.size() < kRowsAhead; });
        }
    } catch (...) {
        std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
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
    if (taken_.empty()) {
        std::unique_lock lock(mutex_);
        await(lock, [this] { return !rows_.empty() || finished_; });
        taken_.swap(rows_);
        changed_.notify_all();
        if (taken_.empty()) {
            if (failure_)
                std::rethrow_exception(std::exchange(failure_, nullptr));
            return false;
        }
    }
    row = std::move(taken_.front().values);
    lastFailures_ = std::move(taken_.front().failures);
    taken_.pop_front();
    return true;
}

const odbc::Error* RowReadAhead::valueFailure(std::size_t column) const {
    for (const auto& [index, failure] : lastFailures_)
        if (index == column)
            return &failure;
    return nullptr;
}

} // namespace qc::data
