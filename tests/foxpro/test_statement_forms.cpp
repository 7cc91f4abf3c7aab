// The statement forms the engine accepts, and what each type word becomes.
#include "foxpro_test_helpers.h"

#include "foxpro/codepage.h"
#include "foxpro/dates.h"
#include "foxpro/decimal_number.h"

#include <gtest/gtest.h>

#include <sstream>

using qc::foxpro::test::dumpedRecords;
using qc::foxpro::test::ScratchFolder;
using qc::foxpro::test::vfpDump;

namespace {

std::vector<std::string> fieldLines(const std::string& dump) {
    std::vector<std::string> lines;
    std::istringstream in(dump);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("  field ", 0) == 0)
            lines.push_back(line.substr(0, line.find(" autoinc_next")));
    return lines;
}

TEST(StatementForms, EveryTypeWordAndWidth) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute(
        "create table Types (a CHAR, b character(10), c c(1) not null, d VARCHAR, e v(3), f INT, g integer, "
        "h SmallInt, i i, j DOUBLE, k b(8,2), l DEC, m decimal(12), n Numeric(10,2), o n(5,0), p FLOAT, "
        "q f(8,3), r CURRENCY, s money, t y, u DATE, v d, w TIMESTAMP, x DATETIME, y t, z LOGICAL, "
        "aa BIT, ab l, ac LONG, ad MEMO, ae TEXT, af m, ag BLOB, ah w, ai VARBINARY, aj q(7), ak GENERAL, "
        "al g NULL, am DOUBLE(3))");
    const auto fields = fieldLines(vfpDump(folder.file("types.dbf")));
    const std::vector<std::string> expected = {
        "  field 'A'            type=C disp=   1 len=254 dec= 0 flags=0x02",
        "  field 'B'            type=C disp= 255 len= 10 dec= 0 flags=0x02",
        "  field 'C'            type=C disp= 265 len=  1 dec= 0 flags=0x00",
        "  field 'D'            type=V disp= 266 len=254 dec= 0 flags=0x02",
        "  field 'E'            type=V disp= 520 len=  3 dec= 0 flags=0x02",
        "  field 'F'            type=I disp= 523 len=  4 dec= 0 flags=0x06",
        "  field 'G'            type=I disp= 527 len=  4 dec= 0 flags=0x06",
        "  field 'H'            type=I disp= 531 len=  4 dec= 0 flags=0x06",
        "  field 'I'            type=I disp= 535 len=  4 dec= 0 flags=0x06",
        "  field 'J'            type=B disp= 539 len=  8 dec= 4 flags=0x06",
        "  field 'K'            type=B disp= 547 len=  8 dec= 2 flags=0x06",
        "  field 'L'            type=N disp= 555 len= 20 dec= 6 flags=0x02",
        "  field 'M'            type=N disp= 575 len= 12 dec= 0 flags=0x02",
        "  field 'N'            type=N disp= 587 len= 10 dec= 2 flags=0x02",
        "  field 'O'            type=N disp= 597 len=  5 dec= 0 flags=0x02",
        "  field 'P'            type=F disp= 602 len= 20 dec= 6 flags=0x02",
        "  field 'Q'            type=F disp= 622 len=  8 dec= 3 flags=0x02",
        "  field 'R'            type=Y disp= 630 len=  8 dec= 4 flags=0x06",
        "  field 'S'            type=Y disp= 638 len=  8 dec= 4 flags=0x06",
        "  field 'T'            type=Y disp= 646 len=  8 dec= 4 flags=0x06",
        "  field 'U'            type=D disp= 654 len=  8 dec= 0 flags=0x02",
        "  field 'V'            type=D disp= 662 len=  8 dec= 0 flags=0x02",
        "  field 'W'            type=T disp= 670 len=  8 dec= 0 flags=0x06",
        "  field 'X'            type=T disp= 678 len=  8 dec= 0 flags=0x06",
        "  field 'Y'            type=T disp= 686 len=  8 dec= 0 flags=0x06",
        "  field 'Z'            type=L disp= 694 len=  1 dec= 0 flags=0x02",
        "  field 'AA'           type=L disp= 695 len=  1 dec= 0 flags=0x02",
        "  field 'AB'           type=L disp= 696 len=  1 dec= 0 flags=0x02",
        "  field 'AC'           type=M disp= 697 len=  4 dec= 0 flags=0x02",
        "  field 'AD'           type=M disp= 701 len=  4 dec= 0 flags=0x02",
        "  field 'AE'           type=M disp= 705 len=  4 dec= 0 flags=0x02",
        "  field 'AF'           type=M disp= 709 len=  4 dec= 0 flags=0x02",
        "  field 'AG'           type=W disp= 713 len=  4 dec= 0 flags=0x06",
        "  field 'AH'           type=W disp= 717 len=  4 dec= 0 flags=0x06",
        "  field 'AI'           type=Q disp= 721 len=254 dec= 0 flags=0x06",
        "  field 'AJ'           type=Q disp= 975 len=  7 dec= 0 flags=0x06",
        "  field 'AK'           type=G disp= 982 len=  4 dec= 0 flags=0x02",
        "  field 'AL'           type=G disp= 986 len=  4 dec= 0 flags=0x02",
        "  field 'AM'           type=B disp= 990 len=  8 dec= 0 flags=0x06",
        "  field '_NullFlags'   type=0 disp= 998 len=  6 dec= 0 flags=0x05",
    };
    EXPECT_EQ(fields, expected);
}

TEST(StatementForms, NamesLiteralsAndSpacing) {
    ScratchFolder folder;
    auto db = qc::foxpro::Database::open(folder.str());
    db->execute("  CREATE\tTABLE [a]]b] (\"x\"\"y\" C(50) NOT NULL, [n]]] N(10,2), d D, t T, l L)  ;  ");
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"a]b"});
    db->execute("insert into [A]]B] values ('one', +1.5e1, {^2021-08-31}, {^2021-08-31 14:05:00}, .T.);");
    db->execute("INSERT INTO \"a]b\" ([n_], \"X_Y\", d, t, l) VALUES\n(-.5, 'two', '2021-08-31', "
                "'8-31-2021 14:05', .f.)");
    db->execute("INSERT INTO [a]]b] VALUES ('14:05:30.25', 0, {}, {  }, 'T')");
    db->execute("INSERT INTO [a]]b] VALUES ('', NULL, .NULL., '08.31.2021', 1)");
    // Several locales write the clock with "." between its parts.
    db->execute("INSERT INTO [a]]b] VALUES ('dots', 1, '08.31.2021', '08.31.2021 14.05.00', 0)");
    const auto records = dumpedRecords(vfpDump(folder.file("a]b.dbf")));
    ASSERT_EQ(records.size(), 5u);
    EXPECT_NE(records[4].find("D='20210831' | T='jd=2459458 ms=50700000 "), std::string::npos) << records[4];
    EXPECT_NE(records[0].find("X_Y='one' | N_='15.00' | D='20210831' | T='jd=2459458 ms=50700000 "),
              std::string::npos)
        << records[0];
    EXPECT_NE(records[0].find("L='T'"), std::string::npos);
    EXPECT_NE(records[1].find("X_Y='two' | N_='-0.50' | D='20210831' | T='jd=2459458 ms=50700000 "),
              std::string::npos)
        << records[1];
    EXPECT_NE(records[1].find("L='F'"), std::string::npos);
    // A time of day into a Character field is only text; {} is the empty date.
    EXPECT_NE(records[2].find("X_Y='14:05:30.25' | N_='0.00' | D='' | T='jd=0 ms=0' | L='T'"),
              std::string::npos)
        << records[2];
    EXPECT_NE(
        records[3].find("X_Y='' | N_=NULL | D=NULL | T='jd=2459458 ms=0 (2021-08-31 00:00:00.000)' | L='T'"),
        std::string::npos)
        << records[3];
}

TEST(StatementPieces, DecimalRounding) {
    auto fixed = [](const char* text, int decimals) {
        return qc::foxpro::DecimalNumber::parse(text).value().toFixed(decimals).value_or("overflow");
    };
    EXPECT_EQ(fixed("12.345", 2), "12.35");
    EXPECT_EQ(fixed("-12.345", 2), "-12.35");
    EXPECT_EQ(fixed("-0.004", 2), "0.00");
    EXPECT_EQ(fixed("9.995", 2), "10.00");
    EXPECT_EQ(fixed("1e3", 0), "1000");
    EXPECT_EQ(fixed("00012.5000", 1), "12.5");
    EXPECT_EQ(fixed(".5", 0), "1");
    EXPECT_EQ(fixed("1e-999", 3), "0.000");
    EXPECT_EQ(fixed("1e999", 0), "overflow");
    EXPECT_EQ(fixed("12345678901234567890.12", 2), "12345678901234567890.12");
    EXPECT_EQ(qc::foxpro::DecimalNumber::parse("-9223372036854775808")->toInt64(), INT64_MIN);
    EXPECT_FALSE(qc::foxpro::DecimalNumber::parse("9223372036854775808")->toInt64());
    EXPECT_FALSE(qc::foxpro::DecimalNumber::parse("1.5")->toInt64());
    EXPECT_EQ(qc::foxpro::DecimalNumber::parse("1.50e1")->toInt64(), 15);
    for (const char* bad : {"", "-", ".", "1e", "1e+", "1.2.3", "1x", "+-1"})
        EXPECT_FALSE(qc::foxpro::DecimalNumber::parse(bad)) << bad;
}

TEST(StatementPieces, DateTextsAndJulianDays) {
    EXPECT_EQ(qc::foxpro::julianDay(2000, 1, 1), 2451545);
    EXPECT_EQ(qc::foxpro::julianDay(1899, 12, 30), 2415019);
    EXPECT_EQ(qc::foxpro::julianDay(2024, 2, 29), 2460370);
    for (std::int32_t jd : {1721426, 2415019, 2451545, 2460370, 5373484}) {
        int y = 0, m = 0, d = 0;
        qc::foxpro::dateFromJulianDay(jd, y, m, d);
        EXPECT_EQ(qc::foxpro::julianDay(y, m, d), jd);
    }
    auto parts = qc::foxpro::parseDateText("12/31/1999 23:59:59.5");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->year, 1999);
    EXPECT_EQ(parts->month, 12);
    EXPECT_EQ(parts->millisecond, 500);
    parts = qc::foxpro::parseDateText("2021-08-31T14:05");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->hour, 14);
    EXPECT_TRUE(qc::foxpro::isValidDate(2000, 2, 29));
    EXPECT_FALSE(qc::foxpro::isValidDate(1900, 2, 29));
    EXPECT_FALSE(qc::foxpro::isValidDate(10000, 1, 1));
    for (const char* bad : {"", "2021", "12/31/99", "2021-08", "2021-08-31 14", "2021-08-31 14:05:",
                            "1/2/3/2004", "2021/08-31", "08/31/2021x", "123/1/2021", "2021-08-31 1:2:3:4"})
        EXPECT_FALSE(qc::foxpro::parseDateText(bad)) << bad;
}

TEST(StatementPieces, CodePageRoundTrip) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string utf8 = qc::foxpro::CodePageText(1252).toUtf8(all);
    EXPECT_TRUE(qc::foxpro::isValidUtf8(utf8));
    EXPECT_EQ(qc::foxpro::CodePageText(1252).fromUtf8(utf8, "F"), all);
    EXPECT_EQ(qc::foxpro::CodePageText(1252).fromUtf8("\xE2\x82\xAC\xC5\xA0\xE2\x84\xA2", "F"),
              "\x80\x8A\x99");
    EXPECT_THROW(qc::foxpro::CodePageText(1252).fromUtf8("\xC3", "F"), qc::foxpro::Error);
    EXPECT_THROW(qc::foxpro::CodePageText(1252).fromUtf8("\xED\xA0\x80", "F"),
                 qc::foxpro::Error); // a lone surrogate
    EXPECT_THROW(qc::foxpro::CodePageText(1252).fromUtf8("\xC0\xAF", "F"),
                 qc::foxpro::Error); // an overlong form
}

} // namespace
