// Tables made by Visual FoxPro itself: every value our reader decodes must agree with the
// independent dumper, and our writer must produce their header bytes for the same fields.
#include "foxpro_test_helpers.h"

#include "foxpro/codepage.h"
#include "foxpro/dates.h"
#include "foxpro/dbf_file.h"
#include "foxpro/table_reader.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <optional>

using qc::foxpro::test::fixture;
using qc::foxpro::test::readBytes;

namespace {

// Python's repr() of a text (UTF-8 in) or of bytes, as the dumper prints them.
std::string pyRepr(const std::string& value, bool bytes) {
    const bool hasSingle = value.find('\'') != std::string::npos;
    const bool hasDouble = value.find('"') != std::string::npos;
    const char quote = hasSingle && !hasDouble ? '"' : '\'';
    std::string out = bytes ? "b" : "";
    out += quote;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        char hex[8];
        if (c == '\\')
            out += "\\\\";
        else if (c == static_cast<unsigned char>(quote))
            out += std::string("\\") + quote;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F || (bytes && c >= 0x80)) {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else if (!bytes && c == 0xC2 && i + 1 < value.size() &&
                   (static_cast<unsigned char>(value[i + 1]) < 0xA1 ||
                    static_cast<unsigned char>(value[i + 1]) == 0xAD)) {
            // U+0080-U+00A0 and U+00AD are not printable for Python.
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(value[i + 1]));
            out += hex;
            ++i;
        } else
            out += static_cast<char>(c);
    }
    out += quote;
    return out;
}

std::string pyFloat(double value) {
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    std::string out(text, end);
    if (out.find_first_of(".en") == std::string::npos)
        out += ".0";
    return out;
}

std::string le32hex(const std::string& raw) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(raw[static_cast<std::size_t>(i)]);
    return std::to_string(v);
}

// The record the reader stands on the way the dumper prints it, from what the reader decoded;
// `memo` gives the memo blocks' types and lengths, which the dumper shows too.
std::string renderRecord(const qc::foxpro::TableReader& reader, const qc::foxpro::FptFile* memo) {
    const std::string record(reader.record());
    const auto& layout = reader.layout();
    EXPECT_EQ(reader.deleted(), record[0] == '*');
    std::string line =
        "rec " + std::to_string(reader.index() + 1) + " del=" + pyRepr(record.substr(0, 1), false) + " ";
    std::vector<std::string> parts;
    for (int i = 0; i < static_cast<int>(layout.fields.size()); ++i) {
        const auto& field = layout.fields[static_cast<std::size_t>(i)];
        const qc::foxpro::FieldValue value = reader.value(i);
        const std::string raw =
            record.substr(static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.width));
        std::string shown;
        using Kind = qc::foxpro::FieldValue::Kind;
        if (value.kind == Kind::Null) {
            shown = "NULL";
        } else {
            switch (field.type) {
            case 'C':
            case 'N':
            case 'F':
            case 'D':
                shown = pyRepr(field.binary ? qc::foxpro::CodePageText(1252).toUtf8(value.text) : value.text,
                               false);
                break;
            case 'L':
                shown = pyRepr(raw == " " ? "" : raw, false);
                break;
            case 'V':
                shown = pyRepr(field.binary ? qc::foxpro::CodePageText(1252).toUtf8(value.text) : value.text,
                               false);
                break;
            case 'Q':
                shown = pyRepr(value.text, true);
                break;
            case 'I':
                shown = std::to_string(value.integer);
                break;
            case 'B':
                shown = pyFloat(value.number);
                break;
            case 'Y':
                shown = pyFloat(static_cast<double>(value.integer) / 10000);
                break;
            case 'T': {
                std::string t =
                    "jd=" + std::to_string(value.integer) + " ms=" + std::to_string(value.milliseconds);
                if (value.integer != 0) {
                    int y = 0, m = 0, d = 0;
                    qc::foxpro::dateFromJulianDay(static_cast<std::int32_t>(value.integer), y, m, d);
                    const int ms = value.milliseconds;
                    char text[64];
                    std::snprintf(text, sizeof text, " (%04d-%02d-%02d %02d:%02d:%02d.%03d)", y, m, d,
                                  ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
                    t += text;
                }
                shown = pyRepr(t, false);
                break;
            }
            default: {
                const std::string block = le32hex(raw);
                std::string t = "blk=" + block;
                if (block != "0" && memo) {
                    const auto stored = memo->read(static_cast<std::uint32_t>(std::stoul(block)));
                    // The decoded value must be the block's data.
                    const std::string expected = field.type == 'M' && !field.binary
                                                     ? qc::foxpro::CodePageText(1252).toUtf8(stored.data)
                                                     : stored.data;
                    EXPECT_EQ(value.text, expected);
                    t += " type=" + std::to_string(stored.type) +
                         " len=" + std::to_string(stored.data.size()) +
                         " data=" + pyRepr(stored.data.substr(0, 60), true);
                }
                shown = pyRepr(t, false);
                break;
            }
            }
        }
        parts.push_back(field.name + "=" + shown);
    }
    if (layout.nullFlagsLength > 0) {
        std::string hex;
        for (int k = 0; k < layout.nullFlagsLength; ++k) {
            char two[3];
            std::snprintf(
                two, sizeof two, "%02x",
                static_cast<unsigned char>(record[static_cast<std::size_t>(layout.nullFlagsOffset + k)]));
            hex += two;
        }
        parts.push_back("_NullFlags=<" + hex + ">");
    }
    for (std::size_t k = 0; k < parts.size(); ++k)
        line += (k ? " | " : "") + parts[k];
    return line;
}

class FixtureTable : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureTable, EveryValueTheReaderDecodesAgreesWithTheDumper) {
    const std::filesystem::path path = fixture(GetParam());
    auto reader = qc::foxpro::TableReader::open(path);
    std::optional<qc::foxpro::FptFile> memo;
    const auto memoPath = qc::foxpro::findFileIgnoringCase(path.parent_path(), path.stem().string() + ".fpt");
    if (!memoPath.empty())
        memo = qc::foxpro::FptFile::open(memoPath, false);
    const auto expected = qc::foxpro::test::dumpedRecords(qc::foxpro::test::vfpDump(path));
    ASSERT_EQ(expected.size(), reader.recordCount());
    std::uint32_t read = 0;
    while (reader.next())
        EXPECT_EQ(renderRecord(reader, memo ? &*memo : nullptr), expected[read++]);
    EXPECT_EQ(read, reader.recordCount());
}

// Our writer, given the fields the fixture declares, reproduces its header byte for byte
// (the last-update date aside).
TEST_P(FixtureTable, WriterReproducesTheHeader) {
    const std::string path = fixture(GetParam());
    auto table = qc::foxpro::DbfFile::open(path, false);
    std::vector<qc::foxpro::FieldSpec> definitions(table.layout().fields.begin(),
                                                   table.layout().fields.end());
    const auto layout = qc::foxpro::TableLayout::make(definitions, table.layout().tableFlags & 0x05);
    std::string ours = layout.headerBytes(table.backlink(), table.recordCount());
    const std::string theirs = readBytes(path).substr(0, ours.size());
    ours.replace(1, 3, theirs.substr(1, 3));
    EXPECT_EQ(ours, theirs);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureTable,
                         ::testing::Values("vfp/dbase_30.dbf", "vfp/dbase_31.dbf", "vfp/dbase_32.dbf",
                                           "vfp9/table1.dbf", "vfp/foxprodb/calls.dbf",
                                           "vfp/foxprodb/contacts.dbf", "vfp/foxprodb/setup.dbf",
                                           "vfp/foxprodb/types.dbf"));

// A CREATE TABLE statement gives the same header as FoxPro's own table of those fields; FoxPro's
// copies differ only where they say they carry an index (flag 0x01), belong to a container
// (back-link) or hold records.
TEST(FixtureHeaders, CreateTableStatementMatchesFoxProTables) {
    qc::foxpro::test::ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute(
        "CREATE TABLE calls (call_id INT NOT NULL, contact_id INTEGER NOT NULL, call_date DATETIME NOT NULL, "
        "call_time T NOT NULL, subject CHAR(254) NOT NULL, notes MEMO NOT NULL)");
    db->execute("CREATE TABLE setup (key_name C(50) NOT NULL, value I NOT NULL)");
    // Long names cut to the same 10 characters are numbered as FoxPro numbers them.
    db->execute("CREATE TABLE types (contact_type_id INT NOT NULL, contact_type CHAR(50) NOT NULL)");
    for (const char* name : {"calls", "setup", "types"}) {
        std::string ours = readBytes(folder.file(std::string(name) + ".dbf"));
        const std::string source = "vfp/foxprodb/" + std::string(name) + ".dbf";
        std::string theirs = readBytes(fixture(source)).substr(0, ours.size() - 1);
        ours.pop_back(); // end-of-file mark of the empty table
        theirs.replace(1, 7, ours.substr(1, 7));
        theirs[28] = static_cast<char>(theirs[28] & ~0x01);
        std::fill(theirs.end() - qc::foxpro::kBacklinkLength, theirs.end(), '\0');
        EXPECT_EQ(ours, theirs) << name;
    }
}

} // namespace
