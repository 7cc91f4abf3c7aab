#pragma once
// The bytes a field's value is made of, and hashes of them, taken alike from a record made in
// memory from a source row and from a record read from the table's files, so that the two sides
// compare without either being decoded.

#include "foxpro/fpt_file.h"
#include "foxpro/table_layout.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qc::verify {

// The memo values of one record, by field index; fields that are no memo fields stay empty.
using Memos = std::vector<foxpro::FptFile::Block>;

class RecordHasher {
  public:
    // `localeForm[i]` marks field i as one whose text is a number or a time of day written in
    // some locale's form: its separators ("," or "." for the decimal point, ":" or "." between
    // the parts of a time) count as one, whichever locale the conversion ran in.
    RecordHasher(const foxpro::TableLayout& layout, std::vector<bool> localeForm);

    // The hash of every field of `record` into `fields` (one per field) and of the whole row.
    std::uint64_t hash(std::string_view record, const Memos& memos, std::vector<std::uint64_t>& fields);
    // The hash of the values of `keyFields` among hashes hash() made.
    static std::uint64_t keyHash(const std::vector<std::uint64_t>& fields, const std::vector<int>& keyFields);

    // What field `field` compares by: NULL, or the memo's type and bytes, the value of a V or Q
    // field up to its length, or the field's bytes as stored. The bytes are viewed where they lie,
    // but for a field of locale form, whose separators are made alike in `scratch`.
    struct FieldImage {
        bool null = false;
        std::uint32_t memoType = 0; // of a memo value
        std::string_view bytes;
        bool operator==(const FieldImage&) const = default;
    };
    FieldImage fieldImage(int field, std::string_view record, const Memos& memos, std::string& scratch) const;

  private:
    const foxpro::TableLayout& layout_;
    std::vector<bool> localeForm_;
    std::string scratch_; // kept from field to field for its buffer
};

} // namespace qc::verify
