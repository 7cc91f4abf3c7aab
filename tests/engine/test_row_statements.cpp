// INSERT INTO statements: literal forms by value type, the null literal's spacing, the locale's
// separators, and texts that must reach the target unchanged. Every row is also made as the
// literals handed to the engine without the text: they must be what the engine's parser reads
// from the text, and give back the same text.
#include "engine/row_statements.h"
#include "foxpro/statement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

using namespace qc;
using namespace qc::engine;
using qc::odbc::Value;

namespace {

Locale english() {
    return Locale{};
}

Locale german() {
    Locale l;
    l.decimalSeparator = QLatin1Char(',');
    l.dateSeparator = QLatin1Char('.');
    return l;
}

// The row's statement; the literals of the same row are checked against it.
std::string statementOf(const std::string& table, const std::vector<int>& numeric,
                        const std::vector<Value>& values, const Locale& l) {
    const std::string text = rowStatement(table, numeric, values, l);
    RowStatement literals(table, numeric, l, RowStatement::Output::Literals);
    for (int round = 0; round < 2; ++round) { // the second row reuses the first one's room
        literals.beginRow();
        for (const auto& value : values)
            literals.appendValue(value);
        literals.finishRow();
    }
    EXPECT_EQ(literals.renderText(), text);
    if (!literals.literalsParse())
        return text;
    const auto parsed = std::get<qc::foxpro::InsertInto>(qc::foxpro::parseStatement(text));
    EXPECT_EQ(literals.literals().table, parsed.table) << text;
    EXPECT_TRUE(literals.literals().fields.empty());
    EXPECT_EQ(literals.literals().values.size(), parsed.values.size()) << text;
    for (std::size_t i = 0; i < parsed.values.size() && i < literals.literals().values.size(); ++i) {
        EXPECT_EQ(literals.literals().values[i].kind, parsed.values[i].kind) << text << " value " << i;
        EXPECT_EQ(literals.literals().values[i].text, parsed.values[i].text) << text << " value " << i;
    }
    return text;
}

std::string row(const std::vector<int>& numeric, const std::vector<Value>& values,
                const Locale& l = english()) {
    return statementOf("T", numeric, values, l);
}

const Value null{qc::odbc::Null{}};

} // namespace

TEST(RowStatements, OrdersExample) {
    const std::vector<Value> values{std::int64_t{7},
                                    std::string("O'Brien"),
                                    qc::odbc::DateTime{{2021, 8, 31}, {14, 5, 0, 0}},
                                    qc::odbc::Decimal{"12.5"},
                                    null,
                                    true};
    EXPECT_EQ(statementOf("Orders", {0, 3, 5}, values, english()),
              "INSERT INTO [Orders] VALUES (7, 'O''Brien', '08/31/2021 14:05:00', 12.5,NULL, 1);");
}

TEST(RowStatements, NullLiteralSpacing) {
    EXPECT_EQ(row({1}, {null, std::int64_t{1}}), "INSERT INTO [T] VALUES (NULL, 1);");
    EXPECT_EQ(row({}, {std::string("a"), null}), "INSERT INTO [T] VALUES ('a',NULL);");
    EXPECT_EQ(row({1}, {null, null, null}), "INSERT INTO [T] VALUES (NULL,NULL,NULL);");
    EXPECT_EQ(row({}, {null}), "INSERT INTO [T] VALUES (NULL);");
    // Empty texts and empty byte strings count as missing values.
    EXPECT_EQ(row({}, {std::string(), qc::odbc::Bytes{}}), "INSERT INTO [T] VALUES (NULL,NULL);");
}

TEST(RowStatements, LogicalValues) {
    EXPECT_EQ(row({0, 1}, {true, false}), "INSERT INTO [T] VALUES (1, 0);");
    EXPECT_EQ(row({1}, {true, std::string("False")}), "INSERT INTO [T] VALUES ('True', 0);");
    EXPECT_EQ(row({}, {std::string("True")}), "INSERT INTO [T] VALUES ('True');");
}

TEST(RowStatements, NumbersByForm) {
    const Value big = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(row({0, 1}, {big, std::int64_t{0}}), "INSERT INTO [T] VALUES (-9223372036854775808, 0);");
    // Without numeric columns numbers are quoted; in a text column among numeric ones too.
    EXPECT_EQ(row({}, {std::int64_t{5}, 2.5}), "INSERT INTO [T] VALUES ('5', '2.5');");
    EXPECT_EQ(row({1}, {std::int64_t{5}, std::int64_t{6}}), "INSERT INTO [T] VALUES ('5', 6);");
    // A numeric column may come only after text columns.
    EXPECT_EQ(row({2}, {std::string("a"), std::string("b"), 1.5}), "INSERT INTO [T] VALUES ('a', 'b', 1.5);");
}

TEST(RowStatements, DoublesReadBackExactly) {
    for (double d : {0.1, 1.0 / 3.0, 123456789.12345678, -2.5e-300, 1e22, 5e-324}) {
        const std::string s = row({0}, {d});
        const std::string literal = s.substr(24, s.size() - 26);
        EXPECT_EQ(std::strtod(literal.c_str(), nullptr), d) << s;
    }
    EXPECT_EQ(row({0}, {0.1}), "INSERT INTO [T] VALUES (0.1);");
    // What is not a number in a numeric column is left to the parser to refuse, as its text.
    for (double d : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        RowStatement s("T", {0}, english(), RowStatement::Output::Literals);
        s.beginRow();
        s.appendValue(d);
        s.finishRow();
        EXPECT_FALSE(s.literalsParse());
        EXPECT_THROW(qc::foxpro::parseStatement(s.renderText()), std::exception) << s.renderText();
    }
}

TEST(RowStatements, CommaDecimalLocale) {
    const Locale l = german();
    EXPECT_EQ(row({0}, {12.5}, l), "INSERT INTO [T] VALUES (12.5);");
    EXPECT_EQ(row({0}, {qc::odbc::Decimal{"-0.75"}}, l), "INSERT INTO [T] VALUES (-0.75);");
    EXPECT_EQ(row({}, {12.5}, l), "INSERT INTO [T] VALUES ('12.5');");
    // A text column beside numeric ones shows the number as the user's locale writes it.
    EXPECT_EQ(row({1}, {12.5, std::int64_t{1}}, l), "INSERT INTO [T] VALUES ('12,5', 1);");
    // Dates use the locale's separator.
    EXPECT_EQ(row({}, {qc::odbc::DateTime{{2021, 8, 31}, {9, 5, 7, 0}}}, l),
              "INSERT INTO [T] VALUES ('08.31.2021 09:05:07');");
}

TEST(RowStatements, DatesAndTimes) {
    EXPECT_EQ(row({}, {qc::odbc::DateTime{{1900, 1, 1}, {0, 0, 0, 0}}}),
              "INSERT INTO [T] VALUES ('01/01/1900');");
    EXPECT_EQ(row({}, {qc::odbc::Date{9999, 12, 31}}), "INSERT INTO [T] VALUES ('12/31/9999');");
    EXPECT_EQ(row({}, {qc::odbc::Date{1, 2, 3}}), "INSERT INTO [T] VALUES ('02/03/0001');");
    EXPECT_EQ(row({}, {qc::odbc::DateTime{{2024, 2, 29}, {23, 59, 59, 997000000}}}),
              "INSERT INTO [T] VALUES ('02/29/2024 23:59:59');");
    // A time of day keeps its fraction and gets no date.
    EXPECT_EQ(row({}, {qc::odbc::Time{13, 45, 30, 500000000}}), "INSERT INTO [T] VALUES ('13:45:30.5');");
    EXPECT_EQ(row({}, {qc::odbc::Time{0, 0, 0, 0}}), "INSERT INTO [T] VALUES ('00:00:00');");
    EXPECT_EQ(row({}, {qc::odbc::Time{1, 2, 3, 1}}), "INSERT INTO [T] VALUES ('01:02:03.000000001');");
}

TEST(RowStatements, DatePartsOutsideTheirUsualWidths) {
    // Years past 9999 or before 1000, and parts a source should never hand over, keep every digit.
    EXPECT_EQ(row({}, {qc::odbc::Date{12345, 1, 2}, qc::odbc::Date{999, 10, 20}, qc::odbc::Date{-5, 0, 100}}),
              "INSERT INTO [T] VALUES ('01/02/12345', '10/20/0999', '00/100/-0005');");
    EXPECT_EQ(row({}, {qc::odbc::DateTime{{2021, 8, 31}, {100, -1, 7, 0}}}),
              "INSERT INTO [T] VALUES ('08/31/2021 100:-01:07');");
    // One second past midnight is no longer midnight.
    EXPECT_EQ(row({}, {qc::odbc::DateTime{{2021, 8, 31}, {0, 0, 1, 0}}}),
              "INSERT INTO [T] VALUES ('08/31/2021 00:00:01');");
    Locale dots = german();
    dots.timeSeparator = QLatin1Char('.');
    EXPECT_EQ(row({1},
                  {qc::odbc::DateTime{{2021, 8, 31}, {9, 5, 7, 0}}, std::int64_t{-42}, std::int64_t{-42}},
                  dots),
              "INSERT INTO [T] VALUES ('08.31.2021 09.05.07', -42, '-42');");
}

TEST(RowStatements, TextsArriveUnchanged) {
    // Texts that look like dates or numbers are not rewritten.
    EXPECT_EQ(
        row({}, {std::string("12-10"), std::string("March 5"), std::string("1/2/3"), std::string("1,234")}),
        "INSERT INTO [T] VALUES ('12-10', 'March 5', '1/2/3', '1,234');");
    EXPECT_EQ(row({1}, {std::string("1,5"), std::int64_t{2}}), "INSERT INTO [T] VALUES ('1,5', 2);");
    EXPECT_EQ(row({}, {std::string("it's 'quoted'")}), "INSERT INTO [T] VALUES ('it''s ''quoted''');");
    EXPECT_EQ(row({}, {std::string("'")}), "INSERT INTO [T] VALUES ('''');");
    EXPECT_EQ(row({}, {std::string("a \"b\" [c], d\r\ne\t\xCE\xB1")}),
              "INSERT INTO [T] VALUES ('a \"b\" [c], d\r\ne\t\xCE\xB1');");
}

TEST(RowStatements, TextInANumericColumnCannotBreakTheStatement) {
    EXPECT_EQ(row({0}, {std::string("-1.5e3")}), "INSERT INTO [T] VALUES (-1.5e3);");
    EXPECT_EQ(row({0}, {std::string("1); DROP TABLE x")}), "INSERT INTO [T] VALUES ('1); DROP TABLE x');");
    EXPECT_EQ(row({0}, {std::string("x'")}), "INSERT INTO [T] VALUES ('x''');");
}

TEST(RowStatements, BytesGuidsAndTableNames) {
    EXPECT_EQ(row({}, {qc::odbc::Bytes{0x00, 0xAB, 0x10, 0xFF}}), "INSERT INTO [T] VALUES ('00AB10FF');");
    EXPECT_EQ(row({}, {qc::odbc::Guid{"6F9619FF-8B86-D011-B42D-00C04FC964FF"}}),
              "INSERT INTO [T] VALUES ('6F9619FF-8B86-D011-B42D-00C04FC964FF');");
    EXPECT_EQ(statementOf("Weird]Name", {}, {std::string("x")}, english()),
              "INSERT INTO [Weird]]Name] VALUES ('x');");
}

TEST(RowStatements, TheBufferIsReusedRowAfterRow) {
    RowStatement s("T", {0}, english());
    s.beginRow();
    s.appendValue(std::int64_t{123456});
    s.appendValue(std::string(300, 'x'));
    s.finishRow();
    s.beginRow();
    s.appendValue(null);
    s.appendValue(std::string("y"));
    s.finishRow();
    EXPECT_EQ(s.text(), "INSERT INTO [T] VALUES (NULL, 'y');");
}

TEST(RowStatements, nullToDefault) {
    const Value fallback = std::string("d");
    EXPECT_EQ(nullToDefault(null, fallback), fallback);
    EXPECT_EQ(nullToDefault(Value{std::int64_t{3}}, fallback), Value{std::int64_t{3}});
}
