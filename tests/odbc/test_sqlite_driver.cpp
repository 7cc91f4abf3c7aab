// Reading through a real driver (the SQLite ODBC driver): descriptions, every kind of value, values
// longer than one read, and the table listing.
#include "odbc/ado_types.h"
#include "odbc/connection.h"
#include "odbc/error.h"
#include "odbc/statement.h"
#include "support/environment.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace qc::odbc;

namespace {
class SqliteDriver : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = dir_.filePath(QStringLiteral("t.db")).toStdString();
        // A long text with a surrogate pair across every read boundary, and a long blob.
        const auto result = qc::test::runProcess(
            "/usr/bin/sqlite3",
            {path_,
             "CREATE TABLE k(i INTEGER, b BIGINT, s SMALLINT, t TINYINT, bit BIT, d DOUBLE, c CHAR(10), "
             "vc VARCHAR(50), tx TEXT, dt DATE, tm TIME, ts TIMESTAMP, bl BLOB);"
             "INSERT INTO k VALUES (-9223372036854775808, 9223372036854775807, -32768, 255, 1, -1.5e300, "
             "'ab', 'héllo 😀', 'x', '2024-02-29', '13:45:30', '2024-02-29 13:45:30.123', x'00FF10');"
             "INSERT INTO k VALUES (NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL);"
             "INSERT INTO k(i, vc, tx, bl) VALUES (3, '', replace(hex(zeroblob(30001)), '00', 'a😀'), "
             "randomblob(70000));"
             "CREATE VIEW v AS SELECT i FROM k;"});
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        connection_.open("Driver={SQLite3};Database=" + path_ + ";");
    }

    QTemporaryDir dir_;
    std::string path_;
    Connection connection_;
};
} // namespace

TEST_F(SqliteDriver, DescribesAndReadsEveryKindOfValue) {
    Statement st(connection_);
    st.execute("SELECT * FROM k");
    const auto& cols = st.columns();
    ASSERT_EQ(cols.size(), 13u);
    std::vector<int> ado;
    for (const auto& c : cols)
        ado.push_back(c.adoType);
    EXPECT_EQ(ado, (std::vector<int>{adInteger, adBigInt, adSmallInt, adUnsignedTinyInt, adBoolean, adDouble,
                                     adVarChar, adVarChar, adLongVarChar, adDBDate, adDBTime, adDBTimeStamp,
                                     adBinary}));
    EXPECT_EQ(cols[7].name, "vc");
    EXPECT_EQ(cols[7].size, 50u);

    std::vector<Value> row;
    ASSERT_TRUE(st.next(row));
    EXPECT_EQ(std::get<std::int64_t>(row[0]), INT64_MIN);
    EXPECT_EQ(std::get<std::int64_t>(row[1]), INT64_MAX);
    EXPECT_EQ(std::get<std::int64_t>(row[2]), -32768);
    EXPECT_EQ(std::get<std::int64_t>(row[3]), 255);
    EXPECT_EQ(std::get<bool>(row[4]), true);
    EXPECT_EQ(std::get<double>(row[5]), -1.5e300);
    EXPECT_EQ(std::get<std::string>(row[6]), "ab");
    EXPECT_EQ(std::get<std::string>(row[7]), "héllo 😀");
    EXPECT_EQ(std::get<Date>(row[9]), (Date{2024, 2, 29}));
    EXPECT_EQ(std::get<Time>(row[10]), (Time{13, 45, 30, 0}));
    EXPECT_EQ(std::get<DateTime>(row[11]), (DateTime{{2024, 2, 29}, {13, 45, 30, 123000000}}));
    EXPECT_EQ(std::get<Bytes>(row[12]), (Bytes{0x00, 0xFF, 0x10}));

    ASSERT_TRUE(st.next(row));
    for (std::size_t i = 0; i < row.size(); ++i)
        EXPECT_TRUE(isNull(row[i])) << i;

    ASSERT_TRUE(st.next(row));
    EXPECT_EQ(std::get<std::string>(row[7]), "");
    // 30,001 three-unit pieces: no surrogate pair may be split where one read ends.
    const auto& longText = std::get<std::string>(row[8]);
    std::string expected;
    for (int i = 0; i < 30001; ++i)
        expected += "a😀";
    EXPECT_EQ(longText.size(), expected.size());
    EXPECT_TRUE(longText == expected);
    EXPECT_EQ(std::get<Bytes>(row[12]).size(), 70000u);
    EXPECT_FALSE(st.next(row));
    EXPECT_FALSE(st.next(row));
}

TEST_F(SqliteDriver, ListsTablesAndViewsAndFreesTheConnectionAtTheEnd) {
    Statement st(connection_);
    st.tables();
    ASSERT_GE(st.columns().size(), 4u);
    EXPECT_EQ(st.columns()[2].name, "TABLE_NAME");
    EXPECT_EQ(st.columns()[3].name, "TABLE_TYPE");
    std::vector<std::string> seen;
    std::vector<Value> row;
    while (st.next(row))
        seen.push_back(std::get<std::string>(row[3]) + ":" + std::get<std::string>(row[2]));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"TABLE:k", "VIEW:v"}));
    // The same statement runs the next query.
    st.execute("SELECT COUNT(*) FROM k");
    ASSERT_TRUE(st.next(row));
    EXPECT_EQ(std::get<std::int64_t>(row[0]), 3);
}

TEST_F(SqliteDriver, ErrorsCarryStateCodeAndMessage) {
    Statement st(connection_);
    try {
        st.execute("SELECT * FROM nonesuch");
        FAIL();
    } catch (const Error& e) {
        EXPECT_FALSE(e.sqlState().empty());
        EXPECT_NE(e.message().find("no such table"), std::string::npos) << e.message();
        EXPECT_NE(std::string(e.what()).find("SQLSTATE " + e.sqlState()), std::string::npos) << e.what();
    }
    Statement bad(connection_);
    bad.execute("SELECT i FROM k");
    std::vector<Value> row;
    EXPECT_TRUE(bad.next(row));
    // A statement of a closed connection fails instead of touching freed handles.
    connection_.close();
    EXPECT_THROW(bad.next(row), Error);
    EXPECT_THROW(st.execute("SELECT 1"), Error);
    EXPECT_THROW(Statement{connection_}, Error);
}

// A result of fixed-size columns only is fetched many rows at a time: values and NULLs (a text
// that is no date the driver gives as NULL) come out row for row across the blocks' edges, and in
// the short last block, as one row at a time gives them.
TEST_F(SqliteDriver, RowsFetchedInBlocksKeepEveryValueInItsRow) {
    constexpr int kRows = 1300;
    const auto made = qc::test::runProcess(
        "/usr/bin/sqlite3",
        {path_, "CREATE TABLE f(i INTEGER, d DOUBLE, ts TIMESTAMP, b BIT);"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kRows) +
                    ") INSERT INTO f SELECT i, CASE WHEN i % 5 = 0 THEN NULL ELSE i / 4.0 END, "
                    "printf('2020-01-%02d 10:%02d:00', i % 28 + 1, i % 60), i % 2 FROM n;"
                    "UPDATE f SET ts = 'soon' WHERE i = 700;"});
    ASSERT_EQ(made.exitCode, 0) << made.errors;
    Statement st(connection_);
    st.execute("SELECT * FROM f");
    std::vector<Value> row;
    int rows = 0;
    while (st.next(row)) {
        const int i = ++rows;
        ASSERT_EQ(std::get<std::int64_t>(row[0]), i);
        if (i % 5 == 0)
            EXPECT_TRUE(isNull(row[1])) << i;
        else
            EXPECT_EQ(std::get<double>(row[1]), i / 4.0) << i;
        EXPECT_EQ(std::get<bool>(row[3]), i % 2 == 1) << i;
        if (i == 700)
            EXPECT_TRUE(isNull(row[2]));
        else
            EXPECT_EQ(std::get<DateTime>(row[2]), (DateTime{{2020, 1, i % 28 + 1}, {10, i % 60, 0, 0}})) << i;
        EXPECT_FALSE(st.anyValueFailure()) << i;
    }
    EXPECT_EQ(rows, kRows);
}
