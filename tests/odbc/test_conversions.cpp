// The pure conversions of the ODBC layer: type numbers, text encodings, decimal text and the
// connection-string attribute rules.
#include "odbc/ado_types.h"
#include "odbc/connection_string.h"
#include "odbc/decimal_text.h"
#include "odbc/utf.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <gtest/gtest.h>

using namespace qc::odbc;

TEST(AdoTypes, EveryReportedCodeHasItsNumber) {
    const std::pair<int, int> fixed[] = {
        {SQL_CHAR, adChar},
        {SQL_LONGVARCHAR, adLongVarChar},
        {SQL_WCHAR, adWChar},
        {SQL_WLONGVARCHAR, adLongVarWChar},
        {SQL_DECIMAL, adNumeric},
        {SQL_NUMERIC, adNumeric},
        {SQL_SMALLINT, adSmallInt},
        {SQL_INTEGER, adInteger},
        {SQL_REAL, adSingle},
        {SQL_FLOAT, adDouble},
        {SQL_DOUBLE, adDouble},
        {SQL_BIT, adBoolean},
        {SQL_TINYINT, adUnsignedTinyInt},
        {SQL_BIGINT, adBigInt},
        {SQL_BINARY, adBinary},
        {SQL_LONGVARBINARY, adLongVarBinary},
        {SQL_TYPE_DATE, adDBDate},
        {SQL_DATE, adDBDate},
        {SQL_TYPE_TIME, adDBTime},
        {SQL_TIME, adDBTime},
        {kSqlSsTime2, adDBTime},
        {SQL_TYPE_TIMESTAMP, adDBTimeStamp},
        {SQL_TIMESTAMP, adDBTimeStamp},
        {SQL_GUID, adGUID},
        {kSqlSsTimestampOffset, adVarWChar},
        {kSqlSsXml, adLongVarWChar},
        {kSqlSsVariant, adVariant},
    };
    for (const auto& [sql, ado] : fixed) {
        EXPECT_EQ(adoType(sql, 10), ado) << sql;
        // Only the variable-length types read the size.
        EXPECT_EQ(adoType(sql, 0), ado) << sql;
    }
    // A "(max)" column reports size 0 and counts as its long form.
    EXPECT_EQ(adoType(SQL_VARCHAR, 50), adVarChar);
    EXPECT_EQ(adoType(SQL_VARCHAR, 0), adLongVarChar);
    EXPECT_EQ(adoType(SQL_WVARCHAR, 50), adVarWChar);
    EXPECT_EQ(adoType(SQL_WVARCHAR, 0), adLongVarWChar);
    EXPECT_EQ(adoType(SQL_VARBINARY, 50), adVarBinary);
    EXPECT_EQ(adoType(SQL_VARBINARY, 0), adLongVarBinary);
    for (int unknown : {kSqlSsUdt, SQL_INTERVAL_DAY, 0, 12345, -9999})
        EXPECT_EQ(adoType(unknown, 8), adEmpty) << unknown;
}

TEST(Utf, RoundTripsEveryPlaneAndRepairsBrokenInput) {
    const std::string text = "plain é € Ж 日本 😀 end";
    const std::u16string wide = utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 21u); // the emoji takes a surrogate pair
    EXPECT_EQ(utf16ToUtf8(wide), text);
    // An unpaired surrogate in either position becomes U+FFFD, not invalid UTF-8.
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'a', char16_t(0xD83D), u'b'}), "a\xEF\xBF\xBD"
                                                                         "b");
    EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t(0xDE00)}), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t(0xD83D)}), "\xEF\xBF\xBD");
    // Malformed UTF-8: stray continuation, overlong form, truncated sequence, encoded surrogate.
    EXPECT_EQ(utf8ToUtf16("\x80x"), u"\uFFFDx");
    EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(utf8ToUtf16("ab\xE2\x82"), u"ab\uFFFD\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(DecimalText, BringsDriverTextToOnePlainForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"12.3400", "12.3400"},
        {"-42.50", "-42.50"},
        {".5", "0.5"},
        {"-.5", "-0.5"},
        {"+7", "7"},
        {" 12 ", "12"},
        {"1.", "1"},
        {"1.5E3", "1500"},
        {"1.5e+20", "150000000000000000000"},
        {"1.25e-3", "0.00125"},
        {"-9e0", "-9"},
        {"123.456e1", "1234.56"},
        {"0.0", "0.0"},
        {"00012", "00012"},
        {"-99999999999999999999999999999999999999", "-99999999999999999999999999999999999999"},
    };
    for (const auto& [in, out] : cases) {
        const auto plain = plainDecimal(in);
        ASSERT_TRUE(plain) << in;
        EXPECT_EQ(*plain, out) << in;
    }
    for (const char* bad :
         {"", "-", ".", "abc", "1.2.3", "1e", "1e+", "12abc", "e5", "1e999999", "inf", "nan"})
        EXPECT_FALSE(plainDecimal(bad)) << bad;
}

TEST(ConnectionString, AttributesAreReadAndQuotedByTheOdbcRule) {
    const std::string s = "Driver={SQL Server};server = host,1433;Pwd={a;b}}c};Uid=u;";
    EXPECT_EQ(connectionAttribute(s, "DRIVER"), "SQL Server");
    EXPECT_EQ(connectionAttribute(s, "Server"), "host,1433");
    EXPECT_EQ(connectionAttribute(s, "pwd"), "a;b}c");
    EXPECT_EQ(connectionAttribute(s, "Uid"), "u");
    EXPECT_FALSE(connectionAttribute(s, "Database"));
    EXPECT_FALSE(connectionAttribute("garbage without equals", "Server"));

    // Ordinary values stand exactly as typed, blanks and a lone "}" included.
    for (const char* same : {"", "Test#Pass1", " padded ", "a}b", "}", "x{y", "p=q"})
        EXPECT_EQ(quoteAttributeValue(same), same);
    EXPECT_EQ(quoteAttributeValue("Acc;ept=1"), "{Acc;ept=1}");
    EXPECT_EQ(quoteAttributeValue("{start"), "{{start}");
    EXPECT_EQ(quoteAttributeValue("a;b}c"), "{a;b}}c}");
    // What is quoted reads back as the value it came from.
    for (const char* value : {"Acc;ept=1", "{start", "a;b}c", ";}};"}) {
        const std::string conn = "Pwd=" + quoteAttributeValue(value) + ";Uid=x;";
        EXPECT_EQ(connectionAttribute(conn, "Pwd"), value);
        EXPECT_EQ(connectionAttribute(conn, "Uid"), "x");
    }
}
