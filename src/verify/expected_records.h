#pragma once
// Source rows made into the records a conversion writes for them: each row's INSERT statement
// as the run makes it, parsed and encoded by the engine into the target table's layout, so that
// the record expected is the one the conversion's statements write, byte for byte, and a row the
// target would refuse is refused here with the engine's reason.

#include "engine/row_statements.h"
#include "foxpro/codepage.h"
#include "foxpro/dbf_file.h"
#include "foxpro/statement.h"
#include "shell/locale.h"
#include "verify/record_hash.h"

#include <optional>
#include <string>
#include <vector>

namespace qc::verify {

class ExpectedRecords {
  public:
    // `blank` is a blank record of `layout`; text goes into it in `codePage`.
    ExpectedRecords(const std::string& table, std::vector<int> numericColumns, const Locale& locale,
                    const foxpro::TableLayout& layout, foxpro::RecordImage blank, int codePage);

    void beginRow() { statement_.beginRow(); }
    void append(const odbc::Value& value) { statement_.appendValue(value); }
    // Makes the row's record, whose bytes record() then holds and whose memo values go into
    // `memos` (one per field); the reason, when the target would refuse the row.
    std::optional<std::string> finishRow(Memos& memos);
    const std::string& record() const { return work_.bytes; }

  private:
    engine::RowStatement statement_;
    const foxpro::TableLayout& layout_;
    foxpro::RecordImage blank_;
    foxpro::RecordImage work_;
    std::vector<int> fields_;
    foxpro::Statement parsed_;
    foxpro::CodePageText text_;
};

} // namespace qc::verify
