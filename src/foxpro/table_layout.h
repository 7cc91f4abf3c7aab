#pragma once
// The shape of a Visual FoxPro table: its fields as the DBF header describes them, where each
// sits in a record, which bits of the hidden _NullFlags field belong to it, and the header bytes
// that follow from all that.

#include <cstdint>
#include <string>
#include <vector>

namespace qc::foxpro {

// Most records FoxPro accepts, in bytes, and most fields (the _NullFlags field counts).
inline constexpr int kMaxRecordLength = 65500;
inline constexpr int kMaxFields = 255;
// Length of the area after the field descriptors holding the container's file name.
inline constexpr int kBacklinkLength = 263;

// One field as a CREATE TABLE defines it. `name` is the name stored in the DBF (at most 10
// characters, upper case for user fields).
struct FieldSpec {
    std::string name;
    char type = 'C';  // C V Q N F B I Y D T L M W G
    int width = 0;    // bytes in the record; ignored for the fixed-size types
    int decimals = 0; // N, F, B; always 4 for Y
    bool nullable = false;
    bool binary = false; // no code-page translation; implied for I B Y T W Q
    bool autoIncrement = false;
    std::uint32_t autoNext = 1;
    std::uint8_t autoStep = 1;
};

struct FieldLayout : FieldSpec {
    int offset = 0;     // displacement inside the record (the deletion flag is byte 0)
    int nullBit = -1;   // bit in _NullFlags set when the value is NULL
    int lengthBit = -1; // V/Q: bit set when the value is shorter than the field
    std::uint8_t flags = 0;
    bool isMemo() const { return type == 'M' || type == 'W' || type == 'G'; }
};

struct TableLayout {
    std::vector<FieldLayout> fields; // user fields, in DBF order (without _NullFlags)
    int nullFlagsOffset = 0;         // 0 when the table has no _NullFlags field
    int nullFlagsLength = 0;
    int recordLength = 1;
    int headerLength = 0;
    std::uint8_t version = 0x30;
    std::uint8_t tableFlags = 0; // 0x01 structural index, 0x02 memo, 0x04 database container
    std::uint8_t codePageMark = 0x03;

    bool hasMemo() const { return (tableFlags & 0x02) != 0; }
    int descriptorCount() const { return static_cast<int>(fields.size()) + (nullFlagsLength > 0 ? 1 : 0); }

    // Places the fields the way Visual FoxPro does and checks the limits (field count, record
    // length, widths, decimals); throws Error with a "SQL error: " message when one is broken.
    // `extraTableFlags` adds flag bits the fields do not imply (0x01 index, 0x04 container).
    static TableLayout make(const std::vector<FieldSpec>& fields, std::uint8_t extraTableFlags = 0);
    // The layout of a new table whose fields carry the names a statement gave them: the DBF stores
    // the 10-character names shortFieldNames() makes of them.
    static TableLayout forStatementNames(std::vector<FieldSpec> fields);

    // The header bytes up to the first record: header, descriptors, 0x0D, back-link area.
    // `backlink` is the container's file name relative to the table (empty for a free table);
    // `recordCount` and the last-update date go into bytes 1-7.
    std::string headerBytes(const std::string& backlink, std::uint32_t recordCount) const;

    // Reads a layout back from header bytes (at least headerLength of them); throws Error
    // naming `fileName` when they do not describe a FoxPro table.
    static TableLayout parse(const std::string& bytes, const std::string& fileName);
};

// The three "last update" bytes of a header for today: year % 100, month, day.
void todayForHeader(std::uint8_t out[3]);

} // namespace qc::foxpro
