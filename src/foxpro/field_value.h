#pragma once
// A value read from a record, decoded by its field type.

#include "foxpro/table_layout.h"

#include <cstdint>
#include <string>

namespace qc::foxpro {

struct FieldValue {
    enum class Kind {
        Null,     // the field's NULL bit is set
        Text,     // C, V, M: `text` in UTF-8 (trailing blanks of C removed)
        Bytes,    // Q, W, G, binary memos: `text` holds the raw bytes
        Integer,  // I: `integer`
        Double,   // B: `number`
        Currency, // Y: `integer` = value x 10,000
        Numeric,  // N, F: `text` = the digits as stored, blanks removed; empty for a blank field
        Date,     // D: `text` = "YYYYMMDD", empty for a blank date
        DateTime, // T: `integer` = Julian day, `milliseconds`; day 0 is the empty value
        Logical,  // L: `text` = "T", "F" or "" (undetermined)
    };
    Kind kind = Kind::Null;
    std::string text;
    std::int64_t integer = 0;
    double number = 0;
    std::int32_t milliseconds = 0;
};

} // namespace qc::foxpro
