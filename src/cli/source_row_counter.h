#pragma once
// The source's row count of the tables a run did not read (kept, not attempted, given up before
// their query opened), for the summary: each by a count of its own, on a connection opened when
// the first is asked for.

#include "data/db_access.h"
#include "data/source_table.h"
#include "data/sql_server_login.h"
#include "shell/ui_port.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace qc::cli {

class SourceRowCounter {
  public:
    // `timeout`: the seconds a count may wait for the server. With `sourceLost`, the run's
    // source was lost, and no count is tried.
    SourceRowCounter(const data::SqlServerLogin& login, UiPort& port, int timeout, bool sourceLost)
        : login_(login), port_(port), timeout_(timeout), failed_(sourceLost) {}

    // The rows of the table; nullopt when none can be counted.
    std::optional<std::int64_t> operator()(const data::SourceTable& table);

  private:
    const data::SqlServerLogin& login_;
    UiPort& port_;
    int timeout_;
    bool failed_; // the source cannot be reached: no further count is tried
    std::unique_ptr<data::Connection> source_;
};

} // namespace qc::cli
