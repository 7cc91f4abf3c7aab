#include "foxpro/dbc_property.h"

#include "foxpro/database.h"

namespace qc::foxpro {

namespace {
constexpr std::size_t kEntryHeader = 6;

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
} // namespace

DbcProperty DbcProperty::text(std::uint8_t id, std::string_view value) {
    DbcProperty p{id, {value.begin(), value.end()}};
    p.value.push_back(0);
    return p;
}

DbcProperty DbcProperty::byte(std::uint8_t id, std::uint8_t value) {
    return {id, {value}};
}

DbcProperty DbcProperty::int32(std::uint8_t id, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    return {id,
            {static_cast<std::uint8_t>(u >> 24), static_cast<std::uint8_t>(u >> 16),
             static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u)}};
}

std::string DbcProperty::asText() const {
    std::string s(value.begin(), value.end());
    if (const auto nul = s.find('\0'); nul != std::string::npos)
        s.resize(nul);
    return s;
}

std::vector<std::uint8_t> encodeProperties(const std::vector<DbcProperty>& properties) {
    std::vector<std::uint8_t> out;
    for (const auto& p : properties) {
        const auto length = static_cast<std::uint32_t>(kEntryHeader + 1 + p.value.size());
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
        out.push_back(1);
        out.push_back(0);
        out.push_back(p.id);
        out.insert(out.end(), p.value.begin(), p.value.end());
    }
    return out;
}

std::vector<DbcProperty> decodeProperties(std::span<const std::uint8_t> memo) {
    std::vector<DbcProperty> out;
    std::size_t at = 0;
    while (at < memo.size()) {
        if (memo.size() - at < kEntryHeader)
            throw Error("Database container property is damaged.");
        const std::uint32_t length = le32(memo, at);
        const std::size_t idLength = memo[at + 4] | (memo[at + 5] << 8);
        if (idLength < 1 || idLength > 2 || length < kEntryHeader + idLength || length > memo.size() - at)
            throw Error("Database container property is damaged.");
        DbcProperty p;
        // A two-byte id keeps its number in the first byte.
        p.id = memo[at + kEntryHeader];
        p.value.assign(memo.begin() + static_cast<std::ptrdiff_t>(at + kEntryHeader + idLength),
                       memo.begin() + static_cast<std::ptrdiff_t>(at + length));
        out.push_back(std::move(p));
        at += length;
    }
    return out;
}

std::optional<DbcProperty> findProperty(const std::vector<DbcProperty>& properties, std::uint8_t id) {
    for (const auto& p : properties)
        if (p.id == id)
            return p;
    return std::nullopt;
}

} // namespace qc::foxpro
