#include "verify/expected_records.h"

#include "foxpro/value_encoder.h"

#include <numeric>

namespace qc::verify {

ExpectedRecords::ExpectedRecords(const std::string& table, std::vector<int> numericColumns,
                                 const Locale& locale, const foxpro::TableLayout& layout,
                                 foxpro::RecordImage blank, int codePage)
    : statement_(table, std::move(numericColumns), locale), layout_(layout), blank_(std::move(blank)),
      fields_(layout.fields.size()), text_(codePage) {
    std::iota(fields_.begin(), fields_.end(), 0);
}

std::optional<std::string> ExpectedRecords::finishRow(Memos& memos) {
    statement_.finishRow();
    try {
        foxpro::parseStatement(statement_.text(), parsed_);
        const auto* insert = std::get_if<foxpro::InsertInto>(&parsed_);
        if (!insert)
            return "Syntax error.";
        if (insert->values.size() != fields_.size())
            return insert->values.size() < fields_.size() ? "Not enough values for the fields of the table."
                                                          : "Too many values for the fields of the table.";
        foxpro::encodeRecord(layout_, fields_, insert->values, blank_, work_, &text_);
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
    memos.resize(layout_.fields.size());
    for (auto& memo : memos)
        memo.data.clear();
    // Swapped, not copied: the buffers go back and forth between the two for the next rows.
    for (auto& memo : work_.memos) {
        auto& into = memos[static_cast<std::size_t>(memo.field)];
        into.type = memo.type;
        std::swap(into.data, memo.data);
    }
    return std::nullopt;
}

} // namespace qc::verify
