// The forms nearly every row brings (short decimals, full-width dates, ASCII texts, memo after
// memo) take shorter ways through the engine; each must come out as the general way has it.
#include "foxpro_test_helpers.h"

#include "foxpro/codepage.h"
#include "foxpro/dates.h"
#include "foxpro/dbf_file.h"
#include "foxpro/decimal_number.h"
#include "foxpro/names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using qc::foxpro::test::dbfreadRecords;
using qc::foxpro::test::failureOf;
using qc::foxpro::test::ScratchFolder;

namespace {

std::uint64_t bitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    return bits;
}

TEST(CommonValueForms, DecimalsIntoDoubleFieldsReadAsTheGeneralConversionReadsThem) {
    const std::vector<std::string> literals = {
        "0",
        "-0",
        "-0.000",
        "+1.5",
        "0.1",
        "0.3",
        "2.675",
        "12345.67",
        "-98765.4321",
        ".5",
        "5.",
        "9007199254740992", // 2^53: the last whole number the short way takes
        "9007199254740993", // not a double: rounds to even the general way
        "900719925474099.2",
        "900719925474099.3",
        "-0.9007199254740993",
        "1234567890123456789",     // 19 digits
        "00000000000000000012.5",  // 21 characters
        "000000000000000000012.5", // 22
        "12.500000000000000000",
        "0.0000000000000000000001", // 22 places after the point
        "0.00000000000000000000001",
        "-0.00000000000000000000012345",
        "1e22",
        "1.7976931348623157e308",
        "4.9e-324"};
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE d (v DOUBLE)");
    for (const auto& literal : literals)
        db->execute("INSERT INTO d VALUES (" + literal + ")");
    const auto table = qc::foxpro::DbfFile::open(folder.file("d.dbf"), false);
    ASSERT_EQ(table.recordCount(), literals.size());
    for (std::uint32_t i = 0; i < literals.size(); ++i) {
        const double expected = std::strtod(literals[i].c_str(), nullptr);
        EXPECT_EQ(bitsOf(table.value(table.readRecord(i), 0).number), bitsOf(expected)) << literals[i];
    }
}

TEST(CommonValueForms, NumericFieldsHoldWhatTheDecimalArithmeticMakesOfALiteral) {
    const std::vector<std::string> literals = {
        "0",         "-0",       "-0.00",  "+0.0",
        "0.004",     "-0.004",   "-0.005", "7",
        "-7",        "007.5",    ".5",     "-.05",
        "12.",       "12.3",     "12.34",  "12.345",
        "-12.345",   "99999.99", "100000", "-9999",
        "-99999.99", "1e2",      "1.5e-1", "00000000000000000000000000000000000000000001",
        "123456",    "1234567.5"};
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE n (a N(8,2), b N(5,0), c F(9,3))");
    const std::vector<std::pair<int, int>> fields = {{8, 2}, {5, 0}, {9, 3}};
    std::vector<std::string> expected, got;
    std::vector<std::size_t> written; // got's entries of the rows written, in their order
    for (const auto& literal : literals) {
        for (std::size_t field = 0; field < fields.size(); ++field) {
            // What the engine's own decimal arithmetic makes of it, or the overflow it refuses.
            const auto [width, decimals] = fields[field];
            const auto fixed = qc::foxpro::DecimalNumber::parse(literal)->toFixed(decimals);
            expected.push_back(
                literal + ": " +
                (!fixed || fixed->size() > static_cast<std::size_t>(width) ? "overflow" : *fixed));
            const std::string name(1, static_cast<char>('a' + field));
            const std::string failure =
                failureOf(*db, "INSERT INTO n (" + name + ") VALUES (" + literal + ")");
            got.push_back(literal + ": " + (failure.empty() ? name : "overflow"));
            if (failure.empty())
                written.push_back(got.size() - 1);
            else
                EXPECT_NE(failure.find("Numeric overflow in field " + qc::foxpro::asciiUpper(name)),
                          std::string::npos)
                    << failure;
        }
    }
    // The rows written, as the independent dumper reads them.
    const auto records = qc::foxpro::test::dumpedRecords(qc::foxpro::test::vfpDump(folder.file("n.dbf")));
    ASSERT_EQ(records.size(), written.size());
    for (std::size_t row = 0; row < written.size(); ++row) {
        std::string& entry = got[written[row]];
        const std::string key = qc::foxpro::asciiUpper(entry.substr(entry.size() - 1)) + "='";
        const auto start = records[row].find(key);
        ASSERT_NE(start, std::string::npos) << records[row];
        const auto valueStart = start + key.size();
        entry.replace(entry.size() - 1, 1,
                      records[row].substr(valueStart, records[row].find('\'', valueStart) - valueStart));
    }
    EXPECT_EQ(got, expected);
}

// The parts of `text`, or "none".
std::string partsOf(std::string_view text) {
    const auto p = qc::foxpro::parseDateText(text);
    if (!p)
        return "none";
    return std::to_string(p->year) + "-" + std::to_string(p->month) + "-" + std::to_string(p->day) +
           (p->hasTime ? " " + std::to_string(p->hour) + ":" + std::to_string(p->minute) + ":" +
                             std::to_string(p->second) + "." + std::to_string(p->millisecond)
                       : std::string());
}

TEST(CommonValueForms, FullWidthDatesReadAsTheirOtherSpellings) {
    // Each full-width text beside a spelling of the same date the general reading takes.
    const std::vector<std::pair<std::string, std::string>> same = {
        {"02/29/2024", "2/29/2024"},
        {"01/01/0001", "1/1/0001"},
        {"00/00/0000", "0/0/0000"},
        {"08.31.2021 14.05.00", "8.31.2021 14.5.0"},
        {"08-31-2021T23:59:59", "08-31-2021  23:59:59"},
        {" 02/29/2024 00:00:00 ", "02/29/2024 0:0:0"},
        {"99/99/2021 99:99:99", "99/99/2021  99:99:99"},
    };
    for (const auto& [full, other] : same) {
        EXPECT_NE(partsOf(full), "none") << full;
        EXPECT_EQ(partsOf(full), partsOf(other)) << full;
    }
    EXPECT_EQ(partsOf("02/29/2024 23:59:58"), "2024-2-29 23:59:58.0");
    // Texts of the full width that are no date stay refused.
    for (const char* bad : {"02/29-2024", "02/29/2024 23:59.59", "02/29/2024 23:59:5x", "02/29/2024x23:59:59",
                            "2a/29/2024", "02:29:2024", "02/29/2024 23-59-59", "+2/29/2024"})
        EXPECT_EQ(partsOf(bad), "none") << bad;
}

TEST(CommonValueForms, AsciiRunsOfEveryLengthAroundOtherCharacters) {
    for (std::size_t before = 0; before < 20; ++before) {
        for (std::size_t after : {0, 1, 7, 8, 9, 17}) {
            const std::string utf8 =
                std::string(before, 'a') + "\xC3\xA9\xE2\x82\xAC" + std::string(after, 'b');
            EXPECT_EQ(qc::foxpro::CodePageText(1252).fromUtf8(utf8, "F"),
                      std::string(before, 'a') + "\xE9\x80" + std::string(after, 'b'));
            // A character the code page lacks is found wherever the run ends.
            EXPECT_THROW(qc::foxpro::CodePageText(1252).fromUtf8(
                             std::string(before, 'a') + "\xE4\xB8\xAD" + std::string(after, 'b'), "F"),
                         qc::foxpro::Error);
        }
    }
}

TEST(CommonValueForms, MemoValuesRowAfterRowKeepTheirOwnBytes) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("CREATE TABLE m (id INT, note MEMO, data MEMO, c CHAR(3))");
    const std::string longNote = std::string(3000, 'x') + "\xC3\xA9";
    const std::string hugeNote(100000, 'h'); // larger than the buffers kept from row to row
    db->execute("INSERT INTO m VALUES (1, '" + longNote + "', 'first blob', 'one')");
    db->execute("INSERT INTO m VALUES (2, 'short', 'b', 'two')");
    db->execute("INSERT INTO m VALUES (3, NULL, NULL, 'thr')");
    // Rows refused after their memo values were encoded, or half-way through them, leave
    // nothing in the rows that follow.
    EXPECT_NE(failureOf(*db, "INSERT INTO m VALUES (4, 'kept?', 'blob?', 'four')"), "");
    EXPECT_NE(failureOf(*db, "INSERT INTO m VALUES (4, 'wide \xE4\xB8\xAD', 'blob', 'fou')"), "");
    db->execute("INSERT INTO m VALUES (5, '" + hugeNote + "', 'after a refusal', 'fiv')");
    db->execute("INSERT INTO m VALUES (6, 'last', 'z', 'six')");
    const std::string expected = "ID=1 | NOTE='" + std::string(3000, 'x') +
                                 "\xC3\xA9' | DATA='first blob' | C='one'\n"
                                 "ID=2 | NOTE='short' | DATA='b' | C='two'\n"
                                 "ID=3 | NOTE=NULL | DATA=NULL | C='thr'\n"
                                 "ID=5 | NOTE='" +
                                 hugeNote +
                                 "' | DATA='after a refusal' | C='fiv'\n"
                                 "ID=6 | NOTE='last' | DATA='z' | C='six'\n";
    const std::string records = dbfreadRecords(folder.file("m.dbf"));
    EXPECT_TRUE(records == expected) << records.substr(0, 400);
}

TEST(CommonValueForms, KeywordsAndNamesEndWhereTheyShould) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("create table [t]]x] (a INT)");
    db->execute("insert Into [t]]x] vAlUeS (null)");
    db->execute("INSERT INTO \"t]x\" VALUES (7);");
    EXPECT_EQ(failureOf(*db, "INSERTX INTO [t]]x] VALUES (1)"), "SQL error: Unrecognized command verb.");
    EXPECT_EQ(failureOf(*db, "INSERT INTOX [t]]x] VALUES (1)"), "SQL error: Syntax error.");
    EXPECT_EQ(failureOf(*db, "INSERT INTO [t]]x] VALUES (NULLS)"), "SQL error: Syntax error.");
    EXPECT_EQ(failureOf(*db, "INSERT INTO [t]]x VALUES (1)"), "SQL error: Syntax error.");
    EXPECT_EQ(failureOf(*db, "INSERT INTO [t]]x] VALUES (1x)"), "SQL error: Syntax error.");
    EXPECT_EQ(failureOf(*db, "INSERT INTO [t]]x] VALUES (1.5.)"), "SQL error: Syntax error.");
    EXPECT_EQ(dbfreadRecords(folder.file("t]x.dbf")), "A=NULL\nA=7\n");
}

} // namespace
