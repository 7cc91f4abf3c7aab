#include "cli/source_row_counter.h"

#include "data/mssql_source.h"

namespace qc::cli {

std::optional<std::int64_t> SourceRowCounter::operator()(const data::SourceTable& table) {
    if (failed_)
        return std::nullopt;
    try {
        if (!source_) {
            source_ = std::make_unique<data::Connection>();
            source_->setCommandTimeout(timeout_);
            data::letEventsThroughWhileOpening(*source_, port_);
            source_->open(data::mssqlConnectionString(login_));
        }
        const std::int64_t rows = data::countRows(*source_, data::selectAllStatement(table));
        return rows < 0 ? std::nullopt : std::optional(rows);
    } catch (...) {
        // A table that cannot be counted (no permission) leaves the others countable.
        failed_ = source_->lost();
        return std::nullopt;
    }
}

} // namespace qc::cli
