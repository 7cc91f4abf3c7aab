#pragma once
// The tables of a run of several jobs, handed out one at a time in the run's order to whichever
// job asks first (table_jobs.h).

#include <QString>

#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace qc::engine {

class TableDispenser {
  public:
    // `order` as conversionOrder() gives it: indexes into the source's listing, each with the
    // schema that takes its FoxPro name when that is another one.
    using Entry = std::pair<int, QString>;
    explicit TableDispenser(std::vector<Entry> order) : order_(std::move(order)) {}

    // The next table; nullopt once every table was handed out or the dispenser was stopped.
    std::optional<Entry> take() {
        const std::lock_guard lock(mutex_);
        if (stopped_ || next_ >= order_.size())
            return std::nullopt;
        return order_[next_++];
    }
    // No table is handed out any more: a job met a source or target that ends the run.
    void stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    const std::vector<Entry>& order() const { return order_; }

  private:
    std::mutex mutex_;
    std::vector<Entry> order_;
    std::size_t next_ = 0;
    bool stopped_ = false;
};

} // namespace qc::engine
