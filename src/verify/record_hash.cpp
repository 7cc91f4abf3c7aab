#include "verify/record_hash.h"

#include "foxpro/dbf_file.h"

// Inlined: a row of a wide table hashes dozens of short values, where a call per value would cost
// more than the hashing itself.
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>

namespace qc::verify {

namespace {

// Tags keep a NULL, an empty memo and a value whose bytes happen to spell a tag apart.
constexpr char kNullTag = 'N';
constexpr char kValueTag = 'v';

} // namespace

RecordHasher::RecordHasher(const foxpro::TableLayout& layout, std::vector<bool> localeForm)
    : layout_(layout), localeForm_(std::move(localeForm)) {
    localeForm_.resize(layout.fields.size(), false);
}

void RecordHasher::fieldBytes(int index, std::string_view record, const Memos& memos,
                              std::string& out) const {
    const auto& field = layout_.fields[static_cast<std::size_t>(index)];
    out.clear();
    if (field.nullBit >= 0 && foxpro::nullBitSet(layout_, record, field.nullBit)) {
        out += kNullTag;
        return;
    }
    out += kValueTag;
    const std::string_view raw =
        record.substr(static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.width));
    if (field.isMemo()) {
        // The block number says only where the value lies: two tables holding the same values
        // put them in other blocks.
        const auto& memo = memos[static_cast<std::size_t>(index)];
        if (!memo.data.empty()) {
            out += static_cast<char>('0' + memo.type);
            out += memo.data;
        }
        return;
    }
    if ((field.type == 'V' || field.type == 'Q') && foxpro::nullBitSet(layout_, record, field.lengthBit)) {
        out += raw.substr(0, std::min<std::size_t>(static_cast<unsigned char>(raw.back()), raw.size() - 1));
        return;
    }
    const std::size_t start = out.size();
    out += raw;
    if (localeForm_[static_cast<std::size_t>(index)])
        std::replace_if(
            out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
            [](char c) { return c == ',' || c == ':'; }, '.');
}

std::uint64_t RecordHasher::hash(std::string_view record, const Memos& memos,
                                 std::vector<std::uint64_t>& fields) {
    const auto count = static_cast<int>(layout_.fields.size());
    fields.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        fieldBytes(i, record, memos, bytes_);
        // Seeded by the position, so equal values in two columns hash apart.
        fields[static_cast<std::size_t>(i)] =
            XXH3_64bits_withSeed(bytes_.data(), bytes_.size(), static_cast<XXH64_hash_t>(i) + 1);
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
