#pragma once
// One source table compared with the FoxPro table converted from it.
//
// The source is read as a conversion reads it and each row made into the record the
// conversion's statements write (expected_records.h). A first pass hashes every row of both
// sides and adds the hashes up, per table and per field: sums do not depend on the order rows
// come in, so a source that returns its rows in another order still compares equal, while two
// values swapped between rows change both rows' hashes. Only a table whose sums differ is read
// again, to pair its rows and show the first that differ: by the source's primary key where it
// has one, in passes that each hold a bounded share of the keys, else by position.

#include "data/db_access.h"
#include "shell/locale.h"
#include "shell/ui_port.h"
#include "verify/table_verdict.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qc::verify {

class TableCheck {
  public:
    // `locale` made the conversion's statements (only its separators matter, and any locale's
    // count as one) and gives the code page of tables marked with none. `progress` is called
    // every few thousand source rows with the verdict so far; it may throw to stop the check.
    TableCheck(data::Connection& source, UiPort& port, const Locale& locale,
               std::function<void(const TableVerdict&)> progress);

    // Compares the source table `verdict.table` with the table file `dbf`; `keyColumns` are the
    // source table's primary key, empty when it has none. Fills in the rest of `verdict`.
    void check(TableVerdict& verdict, const std::filesystem::path& dbf,
               const std::vector<std::string>& keyColumns);

    // Keys held at once when rows are paired by key; a test sets it low to need several passes.
    void setKeysPerPass(std::size_t keys) { keysPerPass_ = keys; }

  private:
    data::Connection& source_;
    UiPort& port_;
    Locale locale_;
    std::function<void(const TableVerdict&)> progress_;
    std::size_t keysPerPass_ = std::size_t{1} << 20;
};

} // namespace qc::verify
