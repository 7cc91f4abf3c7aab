#include "foxpro/dbc_record.h"

#include "foxpro/database.h"

#include <cstring>

namespace qc::foxpro {

namespace {

// Displacements of the fields inside a record.
constexpr int kAtObjectId = 1, kAtParentId = 5, kAtType = 9, kAtName = 19, kAtProperty = 147, kAtCode = 151,
              kAtRiInfo = 155, kAtUser = 161;
constexpr int kRiInfoLength = 6;

void putLe32(std::string& out, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>(v >> (8 * i));
}
std::uint32_t le32(const std::string& b, int at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}
void putText(std::string& out, int at, int length, const std::string& text, const char* what) {
    if (static_cast<int>(text.size()) > length)
        throw Error(std::string("Database container ") + what + " \"" + text + "\" is too long.");
    std::memcpy(out.data() + at, text.data(), text.size());
}
std::string text(const std::string& b, int at, int length) {
    std::string s = b.substr(at, length);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

std::vector<FieldSpec> dbcFields() {
    auto field = [](const char* name, char type, int width, bool binary) {
        FieldSpec f;
        f.name = name;
        f.type = type;
        f.width = width;
        f.binary = binary;
        return f;
    };
    return {field("OBJECTID", 'I', 4, true),     field("PARENTID", 'I', 4, true),
            field("OBJECTTYPE", 'C', 10, false), field("OBJECTNAME", 'C', 128, false),
            field("PROPERTY", 'M', 4, true),     field("CODE", 'M', 4, true),
            field("RIINFO", 'C', 6, false),      field("USER", 'M', 4, false)};
}

} // namespace

std::string DbcRecord::encode() const {
    std::string out(kDbcRecordLength, ' ');
    out[0] = deleted ? '*' : ' ';
    putLe32(out, kAtObjectId, static_cast<std::uint32_t>(objectId));
    putLe32(out, kAtParentId, static_cast<std::uint32_t>(parentId));
    putText(out, kAtType, kDbcTypeLength, objectType, "object type");
    putText(out, kAtName, kDbcNameLength, objectName, "object name");
    putLe32(out, kAtProperty, propertyBlock);
    putLe32(out, kAtCode, codeBlock);
    putText(out, kAtRiInfo, kRiInfoLength, riInfo, "RI information");
    putLe32(out, kAtUser, userBlock);
    return out;
}

DbcRecord DbcRecord::decode(const std::string& bytes) {
    if (bytes.size() != kDbcRecordLength)
        throw Error("Database container record has the wrong length.");
    DbcRecord r;
    r.deleted = bytes[0] == '*';
    r.objectId = static_cast<std::int32_t>(le32(bytes, kAtObjectId));
    r.parentId = static_cast<std::int32_t>(le32(bytes, kAtParentId));
    r.objectType = text(bytes, kAtType, kDbcTypeLength);
    r.objectName = text(bytes, kAtName, kDbcNameLength);
    r.propertyBlock = le32(bytes, kAtProperty);
    r.codeBlock = le32(bytes, kAtCode);
    r.riInfo = text(bytes, kAtRiInfo, kRiInfoLength);
    r.userBlock = le32(bytes, kAtUser);
    return r;
}

const TableLayout& dbcLayout() {
    static const TableLayout layout = TableLayout::make(dbcFields(), 0x05);
    return layout;
}

bool isDbcLayout(const TableLayout& layout) {
    const auto& want = dbcLayout();
    if (layout.recordLength != want.recordLength || layout.fields.size() != want.fields.size() ||
        (layout.tableFlags & 0x04) == 0)
        return false;
    for (std::size_t i = 0; i < want.fields.size(); ++i) {
        const auto& a = layout.fields[i];
        const auto& b = want.fields[i];
        if (a.name != b.name || a.type != b.type || a.width != b.width || a.offset != b.offset)
            return false;
    }
    return true;
}

} // namespace qc::foxpro
