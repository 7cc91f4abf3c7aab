#pragma once
// Writes a compound index file (.cdx, and the .dcx of a database container) in one pass from
// the complete key set of every tag: a bulk build, never an in-place update, so the result
// depends only on the keys and a rebuild after every change is always correct.

#include <cstdint>
#include <string>
#include <vector>

namespace qc::foxpro {

struct CdxKey {
    std::string bytes; // exactly the tag's key length
    std::uint32_t record = 0;
};

struct CdxTag {
    std::string name; // at most 10 characters
    std::string keyExpression;
    std::string forExpression; // empty when the tag has no FOR clause
    std::uint16_t keyLength = 0;
    std::uint8_t options = 0x60; // compact | compound; 0x08 is added for a FOR clause
    char pad = ' ';              // the byte that pads shorter keys (space for character keys)
    std::vector<CdxKey> keys;    // any order; the writer sorts them
};

inline constexpr std::size_t kCdxPageSize = 512;

// The whole file image: the tag directory, then each tag's header and nodes, in the given order.
// Throws foxpro::Error when a key does not have its tag's length or a tag name is too long.
std::vector<std::uint8_t> writeCompoundIndex(std::vector<CdxTag> tags);

} // namespace qc::foxpro
