#pragma once
// One record of a database container's .dbc table and the fixed shape of that table.

#include "foxpro/table_layout.h"

#include <cstdint>
#include <string>

namespace qc::foxpro {

inline constexpr int kDbcRecordLength = 165;
inline constexpr int kDbcTypeLength = 10;
inline constexpr int kDbcNameLength = 128;

struct DbcRecord {
    bool deleted = false;
    std::int32_t objectId = 0;
    std::int32_t parentId = 0;
    std::string objectType; // "Database", "Table", "Field", "Index", "Relation", ...
    std::string objectName; // trailing blanks removed
    std::uint32_t propertyBlock = 0;
    std::uint32_t codeBlock = 0;
    std::string riInfo; // trailing blanks removed
    std::uint32_t userBlock = 0;

    // The 165 record bytes (deletion flag first). Throws Error when a text does not fit.
    std::string encode() const;
    // Reads record bytes of a .dbc (exactly kDbcRecordLength of them).
    static DbcRecord decode(const std::string& bytes);
};

// The .dbc table's fields as Visual FoxPro defines them, placed.
const TableLayout& dbcLayout();

// Whether a layout read from a file is that of a database container.
bool isDbcLayout(const TableLayout& layout);

} // namespace qc::foxpro
