#include "verify/record_hash.h"

#include "foxpro/dbf_file.h"

// Inlined: a row of a wide table hashes dozens of short values, where a call per value would cost
// more than the hashing itself.
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>

namespace qc::verify {

RecordHasher::RecordHasher(const foxpro::TableLayout& layout, std::vector<bool> localeForm)
    : layout_(layout), localeForm_(std::move(localeForm)) {
    localeForm_.resize(layout.fields.size(), false);
}

RecordHasher::FieldImage RecordHasher::fieldImage(int index, std::string_view record, const Memos& memos,
                                                  std::string& scratch) const {
    const auto& field = layout_.fields[static_cast<std::size_t>(index)];
    if (field.nullBit >= 0 && foxpro::nullBitSet(layout_, record, field.nullBit))
        return {true, 0, {}};
    const std::string_view raw =
        record.substr(static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.width));
    if (field.isMemo()) {
        // The block number says only where the value lies: two tables holding the same values
        // put them in other blocks.
        const auto& memo = memos[static_cast<std::size_t>(index)];
        return {false, memo.data.empty() ? 0 : memo.type, memo.data};
    }
    if ((field.type == 'V' || field.type == 'Q') && foxpro::nullBitSet(layout_, record, field.lengthBit))
        return {false, 0,
                raw.substr(0, std::min<std::size_t>(static_cast<unsigned char>(raw.back()), raw.size() - 1))};
    if (!localeForm_[static_cast<std::size_t>(index)])
        return {false, 0, raw};
    scratch.assign(raw);
    std::replace_if(
        scratch.begin(), scratch.end(), [](char c) { return c == ',' || c == ':'; }, '.');
    return {false, 0, scratch};
}

std::uint64_t RecordHasher::hash(std::string_view record, const Memos& memos,
                                 std::vector<std::uint64_t>& fields) {
    const auto count = static_cast<int>(layout_.fields.size());
    fields.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const FieldImage image = fieldImage(i, record, memos, scratch_);
        // Seeded by the position, so equal values in two columns hash apart, and by NULL and the
        // memo's type, so neither hides in bytes that happen to spell it.
        const auto seed = (static_cast<XXH64_hash_t>(i + 1) << 34) | (XXH64_hash_t{image.memoType} << 1) |
                          (image.null ? 1U : 0U);
        fields[static_cast<std::size_t>(i)] =
            XXH3_64bits_withSeed(image.bytes.data(), image.bytes.size(), seed);
    }
    return XXH3_64bits(fields.data(), fields.size() * sizeof(std::uint64_t));
}

std::uint64_t RecordHasher::keyHash(const std::vector<std::uint64_t>& fields,
                                    const std::vector<int>& keyFields) {
    std::uint64_t hash = 0;
    for (int field : keyFields)
        hash = XXH3_64bits_withSeed(&fields[static_cast<std::size_t>(field)], sizeof(std::uint64_t), hash);
    return hash;
}

} // namespace qc::verify
