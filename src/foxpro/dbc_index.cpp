#include "foxpro/dbc_index.h"

#include "foxpro/cdx_writer.h"

#include <cstdio>

namespace qc::foxpro {

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

std::vector<std::uint8_t> buildContainerIndex(const std::vector<DbcRecord>& records, const DbcNames& names) {
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
        byName.keys.push_back({typeKey + padded(names.lower(r.objectName), kDbcNameLength), recno});
    }
    return writeCompoundIndex({std::move(byName), std::move(byType)});
}

} // namespace qc::foxpro
