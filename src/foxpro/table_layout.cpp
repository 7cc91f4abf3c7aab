#include "foxpro/table_layout.h"

#include "foxpro/database.h"
#include "foxpro/names.h"

#include <ctime>
#include <string_view>

namespace qc::foxpro {

namespace {

void putLe16(std::string& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void putLe32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t le(const std::string& in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}

bool isBinaryType(char type) {
    return type == 'I' || type == 'B' || type == 'Y' || type == 'T' || type == 'W' || type == 'Q';
}

// The record size of a type; 0 for the types whose width is declared.
int fixedWidth(char type) {
    switch (type) {
    case 'B':
    case 'Y':
    case 'D':
    case 'T':
        return 8;
    case 'I':
    case 'M':
    case 'W':
    case 'G':
        return 4;
    case 'L':
        return 1;
    default:
        return 0;
    }
}

bool knownType(char type) {
    return std::string_view("CVQNFBIYDTLMWG").find(type) != std::string_view::npos;
}

[[noreturn]] void invalidWidth(const std::string& field) {
    throw Error("Field " + field + ": the field width or number of decimals is invalid.");
}

void assignBits(TableLayout& layout) {
    int bits = 0;
    for (auto& field : layout.fields) {
        field.lengthBit = -1;
        field.nullBit = -1;
        if (field.type == 'V' || field.type == 'Q')
            field.lengthBit = bits++;
        if (field.nullable)
            field.nullBit = bits++;
    }
    layout.nullFlagsLength = (bits + 7) / 8;
}

} // namespace

TableLayout TableLayout::forStatementNames(std::vector<FieldSpec> fields) {
    std::vector<std::string> names;
    names.reserve(fields.size());
    for (const auto& field : fields)
        names.push_back(field.name);
    const auto shortNames = shortFieldNames(names);
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i].name = shortNames[i];
    return make(fields);
}

TableLayout TableLayout::make(const std::vector<FieldSpec>& definitions, std::uint8_t extraTableFlags) {
    TableLayout layout;
    bool variable = false;
    bool autoInc = false;
    bool memo = false;
    int offset = 1;
    for (const auto& definition : definitions) {
        if (!knownType(definition.type))
            throw Error("Field " + definition.name + ": unknown field type.");
        if (definition.name.empty() || definition.name.size() > 10)
            throw Error("Field name '" + definition.name + "' is invalid.");
        FieldLayout field;
        static_cast<FieldSpec&>(field) = definition;
        const int fixed = fixedWidth(definition.type);
        if (fixed > 0) {
            field.width = fixed;
        } else if (definition.type == 'N' || definition.type == 'F') {
            if (definition.width < 1 || definition.width > 20 || definition.decimals < 0 ||
                (definition.decimals > 0 && definition.decimals > definition.width - 2))
                invalidWidth(definition.name);
        } else if (definition.width < 1 || definition.width > 254) {
            invalidWidth(definition.name);
        }
        if (definition.type == 'Y')
            field.decimals = 4;
        else if (definition.type == 'B') {
            if (definition.decimals < 0 || definition.decimals > 18)
                invalidWidth(definition.name);
        } else if (definition.type != 'N' && definition.type != 'F')
            field.decimals = 0;
        if (definition.autoIncrement && definition.type != 'I')
            throw Error("Field " + definition.name + ": only Integer fields can increment automatically.");
        field.binary = definition.binary || isBinaryType(definition.type);
        if (definition.type == 'G')
            field.binary = false;
        field.flags = static_cast<std::uint8_t>((field.binary ? 0x04 : 0) | (definition.nullable ? 0x02 : 0) |
                                                (definition.autoIncrement ? 0x0C : 0));
        field.offset = offset;
        offset += field.width;
        variable = variable || definition.type == 'V' || definition.type == 'Q' || definition.type == 'W';
        autoInc = autoInc || definition.autoIncrement;
        memo = memo || field.isMemo();
        layout.fields.push_back(std::move(field));
    }
    assignBits(layout);
    if (layout.descriptorCount() > kMaxFields)
        throw Error("Too many fields: a table holds at most 255, the hidden _NullFlags field included.");
    if (layout.fields.empty())
        throw Error("Syntax error.");
    layout.nullFlagsOffset = layout.nullFlagsLength > 0 ? offset : 0;
    layout.recordLength = offset + layout.nullFlagsLength;
    if (layout.recordLength > kMaxRecordLength)
        throw Error("Record is too long: " + std::to_string(layout.recordLength) +
                    " bytes, a table's records hold at most 65,500.");
    layout.headerLength = 32 + 32 * layout.descriptorCount() + 1 + kBacklinkLength;
    layout.version = variable ? 0x32 : autoInc ? 0x31 : 0x30;
    layout.tableFlags = static_cast<std::uint8_t>((memo ? 0x02 : 0) | extraTableFlags);
    return layout;
}

std::string TableLayout::headerBytes(const std::string& backlink, std::uint32_t recordCount) const {
    std::string out(static_cast<std::size_t>(headerLength), '\0');
    out[0] = static_cast<char>(version);
    std::uint8_t date[3];
    todayForHeader(date);
    for (int i = 0; i < 3; ++i)
        out[1 + i] = static_cast<char>(date[i]);
    putLe32(out, 4, recordCount);
    putLe16(out, 8, static_cast<std::uint32_t>(headerLength));
    putLe16(out, 10, static_cast<std::uint32_t>(recordLength));
    out[28] = static_cast<char>(tableFlags);
    out[29] = static_cast<char>(codePageMark);
    std::size_t at = 32;
    auto descriptor = [&](const std::string& name, char type, int offset, int width, int decimals,
                          std::uint8_t flags, std::uint32_t next, std::uint8_t step) {
        out.replace(at, name.size(), name);
        out[at + 11] = type;
        putLe32(out, at + 12, static_cast<std::uint32_t>(offset));
        out[at + 16] = static_cast<char>(width);
        out[at + 17] = static_cast<char>(decimals);
        out[at + 18] = static_cast<char>(flags);
        putLe32(out, at + 19, next);
        out[at + 23] = static_cast<char>(step);
        at += 32;
    };
    for (const auto& f : fields)
        descriptor(f.name, f.type, f.offset, f.width, f.decimals, f.flags, f.autoIncrement ? f.autoNext : 0,
                   f.autoIncrement ? f.autoStep : 0);
    if (nullFlagsLength > 0)
        descriptor("_NullFlags", '0', nullFlagsOffset, nullFlagsLength, 0, 0x05, 0, 0);
    out[at] = 0x0D;
    const std::size_t linkStart = at + 1;
    const std::size_t room = out.size() - linkStart;
    if (backlink.size() >= room)
        throw Error("The container path '" + backlink + "' is too long for a table header.");
    out.replace(linkStart, backlink.size(), backlink);
    return out;
}

TableLayout TableLayout::parse(const std::string& bytes, const std::string& fileName) {
    auto corrupt = [&](const std::string& why) -> Error {
        return Error("File '" + fileName + "' is not a valid table (" + why + ").", Error::Cause::Table);
    };
    if (bytes.size() < 32)
        throw corrupt("header too short");
    TableLayout layout;
    layout.version = static_cast<std::uint8_t>(bytes[0]);
    if (layout.version != 0x30 && layout.version != 0x31 && layout.version != 0x32)
        throw corrupt("not a Visual FoxPro table");
    layout.headerLength = static_cast<int>(le(bytes, 8, 2));
    layout.recordLength = static_cast<int>(le(bytes, 10, 2));
    layout.tableFlags = static_cast<std::uint8_t>(bytes[28]);
    layout.codePageMark = static_cast<std::uint8_t>(bytes[29]);
    if (layout.headerLength < 32 + 1 || static_cast<std::size_t>(layout.headerLength) > bytes.size())
        throw corrupt("bad header length");
    if (layout.recordLength < 1)
        throw corrupt("bad record length");
    std::size_t at = 32;
    int bits = 0;
    bool terminated = false;
    while (at < static_cast<std::size_t>(layout.headerLength)) {
        if (bytes[at] == 0x0D) {
            terminated = true;
            break;
        }
        if (at + 32 > static_cast<std::size_t>(layout.headerLength))
            break;
        std::string name = bytes.substr(at, 11);
        name.resize(name.find('\0') == std::string::npos ? 11 : name.find('\0'));
        const char type = bytes[at + 11];
        const int offset = static_cast<int>(le(bytes, at + 12, 4));
        const int width = static_cast<unsigned char>(bytes[at + 16]);
        const int decimals = static_cast<unsigned char>(bytes[at + 17]);
        const auto flags = static_cast<std::uint8_t>(bytes[at + 18]);
        if (offset < 1 || width < 1 || offset + width > layout.recordLength)
            throw corrupt("field " + name + " lies outside the record");
        if ((flags & 0x01) != 0 || type == '0') {
            layout.nullFlagsOffset = offset;
            layout.nullFlagsLength = width;
        } else {
            if (!knownType(type))
                throw corrupt("field " + name + " has an unknown type");
            const int fixed = fixedWidth(type);
            if (fixed > 0 && fixed != width)
                throw corrupt("field " + name + " has a wrong width");
            FieldLayout field;
            field.name = name;
            field.type = type;
            field.width = width;
            field.decimals = decimals;
            field.flags = flags;
            field.nullable = (flags & 0x02) != 0;
            field.binary = (flags & 0x04) != 0;
            field.autoIncrement = (flags & 0x0C) == 0x0C;
            field.autoNext = le(bytes, at + 19, 4);
            field.autoStep = static_cast<std::uint8_t>(bytes[at + 23]);
            field.offset = offset;
            if (type == 'V' || type == 'Q')
                field.lengthBit = bits++;
            if (field.nullable)
                field.nullBit = bits++;
            layout.fields.push_back(std::move(field));
        }
        at += 32;
    }
    if (!terminated)
        throw corrupt("field list not terminated");
    if (layout.fields.empty())
        throw corrupt("no fields");
    if (bits > layout.nullFlagsLength * 8)
        throw corrupt("missing _NullFlags field");
    return layout;
}

void todayForHeader(std::uint8_t out[3]) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    out[0] = static_cast<std::uint8_t>(local.tm_year % 100);
    out[1] = static_cast<std::uint8_t>(local.tm_mon + 1);
    out[2] = static_cast<std::uint8_t>(local.tm_mday);
}

} // namespace qc::foxpro
