#pragma once
// The PROPERTY memo of a database container record: a run of entries, each a little-endian
// total length, a little-endian id length, the id and the value.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qc::foxpro {

namespace dbc_property {
inline constexpr std::uint8_t kPath = 1;
inline constexpr std::uint8_t kSubType = 2;
inline constexpr std::uint8_t kVersion = 24;
} // namespace dbc_property

struct DbcProperty {
    std::uint8_t id = 0;
    std::vector<std::uint8_t> value;

    static DbcProperty text(std::uint8_t id, std::string_view value); // text and a closing NUL
    static DbcProperty byte(std::uint8_t id, std::uint8_t value);
    static DbcProperty int32(std::uint8_t id, std::int32_t value); // stored big-endian

    // The value read back as text (up to its NUL).
    std::string asText() const;

    bool operator==(const DbcProperty&) const = default;
};

std::vector<std::uint8_t> encodeProperties(const std::vector<DbcProperty>& properties);
// Throws foxpro::Error when an entry's lengths do not fit the memo.
std::vector<DbcProperty> decodeProperties(std::span<const std::uint8_t> memo);
std::optional<DbcProperty> findProperty(const std::vector<DbcProperty>& properties, std::uint8_t id);

} // namespace qc::foxpro
