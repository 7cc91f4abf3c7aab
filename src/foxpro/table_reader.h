#pragma once
// A table read record by record and changed in nothing, for comparing what a conversion wrote
// with its source: the fields as the header describes them and every value decoded as the engine
// decodes it.

#include "foxpro/dbf_file.h"
#include "foxpro/field_value.h"
#include "foxpro/table_layout.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qc::foxpro {

class TableReader {
  public:
    // Opens the table file and its memo file (found case-insensitively beside it) for reading
    // only. It takes no lock, so a connection writing the table (which uses it exclusively, see
    // docs/foxpro-locking.md) neither blocks nor is blocked by it; the reader sees the records
    // the header counted when it opened, each written whole before it was counted. Text of a
    // table whose mark names no code page (0x00) is read in `unmarkedCodePage`. Throws Error
    // when the files are missing or are not a FoxPro table.
    static TableReader open(const std::filesystem::path& dbfPath, int unmarkedCodePage = 1252);

    // The user fields in record order (_NullFlags is not among them): name, type, width (the
    // length), decimals, nullable.
    const std::vector<FieldLayout>& fields() const { return table_.layout().fields; }
    const TableLayout& layout() const { return table_.layout(); }
    // A blank record of the table, as the engine starts every record it writes.
    RecordImage blankRecord() const { return table_.blankRecord(); }
    // The header's record count when the table was opened.
    std::uint32_t recordCount() const { return table_.recordCount(); }

    // Steps to the next record (the first one on the first call); false past the last one.
    bool next();
    // 0-based number of the record next() stepped to.
    std::uint32_t index() const { return index_; }
    bool deleted() const { return table_.isDeleted(record()); }
    // The record's bytes as stored, deletion flag first.
    std::string_view record() const;
    // The value of field `field` (an index into fields()); memo values are read from the memo
    // file now.
    FieldValue value(int field) const { return table_.value(record(), field); }
    // The block a memo field of the record points to, as stored (its type and bytes); an empty
    // one for a memo field with no value. Throws Error when the memo file lacks it.
    FptFile::Block memoBlock(int field);
    // Steps to record `index` (0-based), as next() would; false past the last one.
    bool seek(std::uint32_t index);

  private:
    DbfFile table_;
    std::string block_; // records [blockFirst_, blockFirst_ + block_.size() / length)
    std::uint32_t blockFirst_ = 0;
    std::uint32_t index_ = 0;
    bool started_ = false;
};

} // namespace qc::foxpro
