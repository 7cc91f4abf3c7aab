#include "foxpro/dbc_index.h"

#include "foxpro/cdx_writer.h"

#include <cstdio>

namespace foxpro {

namespace {

// STR(parentid): right-aligned in 10 characters.
std::string str10(std::int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%10d", value);
    std::string s = buffer;
    // A value wider than 10 characters shows as asterisks, as STR() does.
    return s.size() > 10 ? std::string(10, '*') : s;
}

std::string padded(std::string text, std::size_t length) {
    text.resize(length, ' ');
    return text;
}

} // namespace

std::string dbcLower(std::string text) {
    for (auto& ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            ch = static_cast<char>(c + 0x20);
        else if (c == 0x8A || c == 0x8C || c == 0x8E)
            ch = static_cast<char>(c + 0x10);
        else if (c == 0x9F)
            ch = static_cast<char>(0xFF);
    }
    return text;
}

std::vector<std::uint8_t> buildContainerIndex(const std::vector<DbcRecord>& records) {
    CdxTag byName;
    byName.name = "OBJECTNAME";
    byName.keyExpression = "str(parentid)+objecttype+lower(objectname)";
    byName.forExpression = "!DELETED()";
    byName.keyLength = 10 + kDbcTypeLength + kDbcNameLength;
    CdxTag byType;
    byType.name = "OBJECTTYPE";
    byType.keyExpression = "str(parentid)+objecttype";
    byType.forExpression = "!DELETED()";
    byType.keyLength = 10 + kDbcTypeLength;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& r = records[i];
        if (r.deleted)
            continue;
        const auto recno = static_cast<std::uint32_t>(i + 1);
        const std::string typeKey = str10(r.parentId) + padded(r.objectType, kDbcTypeLength);
        byType.keys.push_back({typeKey, recno});
        byName.keys.push_back({typeKey + padded(dbcLower(r.objectName), kDbcNameLength), recno});
    }
    return writeCompoundIndex({std::move(byName), std::move(byType)});
}

} // namespace foxpro
