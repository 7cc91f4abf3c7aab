// The table reader on tables our engine writes: every field type read back as it went in, and
// reading alongside a connection that writes the table without changing a byte.
#include "foxpro_test_helpers.h"

#include "foxpro/table_reader.h"

#include <gtest/gtest.h>

#include <charconv>
#include <fstream>

using qc::foxpro::FieldValue;
using qc::foxpro::TableReader;
using qc::foxpro::test::readBytes;
using qc::foxpro::test::ScratchFolder;

namespace {

// A value as one short line: a letter for its kind, then what it holds.
std::string shown(const FieldValue& value) {
    using Kind = FieldValue::Kind;
    switch (value.kind) {
    case Kind::Null:
        return "null";
    case Kind::Integer:
        return "i" + std::to_string(value.integer);
    case Kind::Currency:
        return "y" + std::to_string(value.integer);
    case Kind::DateTime:
        return "t" + std::to_string(value.integer) + "/" + std::to_string(value.milliseconds);
    case Kind::Double: {
        char text[32];
        return "b" + std::string(text, std::to_chars(text, text + sizeof text, value.number).ptr);
    }
    case Kind::Text:
        return "c" + value.text;
    case Kind::Bytes:
        return "q" + value.text;
    case Kind::Numeric:
        return "n" + value.text;
    case Kind::Date:
        return "d" + value.text;
    case Kind::Logical:
        return "l" + value.text;
    }
    return "?";
}

std::vector<std::vector<std::string>> readAll(TableReader& reader) {
    std::vector<std::vector<std::string>> rows;
    while (reader.next()) {
        rows.emplace_back(1, reader.deleted() ? "*" : " ");
        for (int i = 0; i < static_cast<int>(reader.fields().size()); ++i)
            rows.back().push_back(shown(reader.value(i)));
    }
    return rows;
}

TEST(TableReader, ReadsBackEveryTypeTheEngineWrites) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE every (c C(10), v V(10), n N(8,2), f F(8,3), i I NOT NULL, b B, y Y, d D, "
                "t T, l L, m M, w W, q Q(6))");
    db->execute("INSERT INTO every VALUES ('caf\xC3\xA9 x  ', 'abcdefghij', 1234.56, -1.5, 42, 3.25, 19.99, "
                "{^2000-01-01}, {^2000-01-01 12:34:56}, .T., 'line\r\n\xE2\x82\xAC', 'O''Brien', 'abcdef')");
    db->execute("INSERT INTO every VALUES (NULL, NULL, NULL, NULL, -7, NULL, NULL, NULL, NULL, NULL, NULL, "
                "NULL, NULL)");
    db->execute("INSERT INTO every VALUES ('', 'ab', 0, 0, 0, 0, 0, '12/31/1999', '12/31/1999', .F., '', '', "
                "'xy')");
    db->execute("INSERT INTO every (i, v, q) VALUES (2147483647, '', '')");
    db.reset();
    const auto path = folder.file("every.dbf");
    {
        // The engine has no DELETE statement: the deletion flag is set as FoxPro sets it.
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        auto reader = TableReader::open(path);
        file.seekp(reader.layout().headerLength + 3 * reader.layout().recordLength);
        file.put('*');
    }

    auto reader = TableReader::open(path);
    std::vector<std::string> fields;
    for (const auto& field : reader.fields())
        fields.push_back(field.name + " " + field.type + std::to_string(field.width) + "," +
                         std::to_string(field.decimals) + (field.nullable ? " null" : ""));
    EXPECT_EQ(fields,
              (std::vector<std::string>{"C C10,0 null", "V V10,0 null", "N N8,2 null", "F F8,3 null",
                                        "I I4,0", "B B8,4 null", "Y Y8,4 null", "D D8,0 null", "T T8,0 null",
                                        "L L1,0 null", "M M4,0 null", "W W4,0 null", "Q Q6,0 null"}));
    EXPECT_EQ(reader.recordCount(), 4u);
    using Row = std::vector<std::string>;
    const std::vector<Row> expected{
        {" ", "ccaf\xC3\xA9 x", "cabcdefghij", "n1234.56", "n-1.500", "i42", "b3.25", "y199900", "d20000101",
         "t2451545/45296000", "lT", "cline\r\n\xE2\x82\xAC", "qO'Brien", "qabcdef"},
        {" ", "null", "null", "null", "null", "i-7", "null", "null", "null", "null", "null", "null", "null",
         "null"},
        {" ", "c", "cab", "n0.00", "n0.000", "i0", "b0", "y0", "d19991231", "t2451544/0", "lF", "c", "q",
         "qxy"},
        {"*", "null", "c", "null", "null", "i2147483647", "null", "null", "null", "null", "null", "null",
         "null", "q"},
    };
    EXPECT_EQ(readAll(reader), expected);

    // A table without a code page mark is read in the page the caller names.
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(29);
        file.put('\0');
    }
    reader = TableReader::open(path, 1251);
    ASSERT_TRUE(reader.next());
    EXPECT_EQ(reader.value(0).text, "caf\xD0\xB9 x"); // 0xE9 is the Cyrillic short i there
}

// The reader takes no lock and writes nothing: it reads a table while a connection that writes
// it stays open (holding its lock of exclusive use, with room taken ahead past the last record),
// leaves both files byte for byte as they were, and the writer goes on meanwhile. The records
// are wide enough to take more than one read.
TEST(TableReader, ReadsBesideTheWriterAndChangesNothing) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE wide (n I, pad C(250), m M)");
    constexpr int kRows = 600;
    for (int i = 0; i < kRows; ++i)
        db->execute("INSERT INTO wide VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) +
                    "', 'memo " + std::to_string(i) + "')");
    const auto dbf = folder.file("wide.dbf");
    const auto fpt = folder.file("wide.fpt");
    const std::string dbfBefore = readBytes(dbf);
    const std::string fptBefore = readBytes(fpt);

    auto reader = TableReader::open(dbf);
    ASSERT_EQ(reader.recordCount(), static_cast<std::uint32_t>(kRows));
    int read = 0;
    while (reader.next()) {
        const std::string number = std::to_string(read++);
        EXPECT_EQ(shown(reader.value(0)) + shown(reader.value(1)) + shown(reader.value(2)),
                  "i" + number + "crow " + number + "cmemo " + number);
    }
    EXPECT_EQ(read, kRows);
    EXPECT_EQ(readBytes(dbf), dbfBefore);
    EXPECT_EQ(readBytes(fpt), fptBefore);

    // The writer is not held up by a reader part-way through, and the reader keeps to the
    // records counted when it opened.
    reader = TableReader::open(dbf);
    ASSERT_TRUE(reader.next());
    EXPECT_EQ(qc::foxpro::test::failureOf(*db, "INSERT INTO wide VALUES (-1, 'later', 'later')"), "");
    read = 1;
    while (reader.next())
        ++read;
    EXPECT_EQ(read, kRows);
    EXPECT_EQ(TableReader::open(dbf).recordCount(), static_cast<std::uint32_t>(kRows + 1));
}

} // namespace
