// The access layer over a real ODBC driver (SQLite): calling order, streaming and failures.
#include "data/db_access.h"
#include "odbc/ado_types.h"
#include "odbc/error.h"
#include "sqlite_database.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace qc::data;
using qc::test::SqliteDatabase;

namespace {
const char* kScript = R"(
CREATE TABLE "Order Lines"(id INTEGER, item VARCHAR(30), qty SMALLINT, price DOUBLE, placed DATE, note TEXT);
INSERT INTO "Order Lines" VALUES (1, 'Widget', 3, 2.5, '2024-02-29', 'first');
INSERT INTO "Order Lines" VALUES (2, 'Gadget''s', NULL, NULL, NULL, NULL);
INSERT INTO "Order Lines" VALUES (3, 'Ünïcode €', 7, -0.125, '1999-12-31', 'line1
line2');
CREATE TABLE Empty(id INTEGER);
CREATE VIEW OrderView AS SELECT id FROM "Order Lines";
)";

std::string text(const Value& v) {
    return std::get<std::string>(v);
}

struct Row {
    std::int64_t id;
    std::string item;
};
} // namespace

TEST(DbAccessOdbc, StreamsATableInCallingOrder) {
    SqliteDatabase db(kScript);
    Connection conn;
    conn.setCommandTimeout(5000);
    conn.setConnectionTimeout(5000);
    conn.open(db.connectionString());
    ASSERT_TRUE(conn.isOpen());

    Recordset rs;
    rs.open("SELECT * FROM [Order Lines]", conn);
    EXPECT_FALSE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 3);
    ASSERT_EQ(rs.fieldCount(), 6);
    EXPECT_EQ(rs.fieldName(0), "id");
    EXPECT_EQ(rs.fieldName(5), "note");
    EXPECT_EQ(rs.fieldType(0), qc::odbc::adInteger);
    EXPECT_EQ(rs.fieldType(1), qc::odbc::adVarChar);
    EXPECT_EQ(rs.fieldType(2), qc::odbc::adSmallInt);
    EXPECT_EQ(rs.fieldType(3), qc::odbc::adDouble);
    EXPECT_EQ(rs.fieldType(4), qc::odbc::adDBDate);
    EXPECT_EQ(rs.fieldType(5), qc::odbc::adLongVarChar);

    std::vector<Row> rows;
    std::vector<Value> third;
    while (!rs.eof()) {
        rows.push_back({std::get<std::int64_t>(rs.fieldValue(0)), text(rs.fieldValue("ITEM"))});
        if (rows.size() == 2) {
            for (int i = 2; i < 6; ++i)
                EXPECT_TRUE(qc::odbc::isNull(rs.fieldValue(i))) << i;
        }
        if (rows.size() == 3)
            for (int i = 0; i < rs.fieldCount(); ++i)
                third.push_back(rs.fieldValue(i));
        rs.moveNext();
        EXPECT_FALSE(rs.bof());
    }
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].item, "Gadget's");
    EXPECT_EQ(rows[2].item, "Ünïcode €");
    EXPECT_EQ(std::get<std::int64_t>(third[2]), 7);
    EXPECT_EQ(std::get<double>(third[3]), -0.125);
    EXPECT_EQ(std::get<qc::odbc::Date>(third[4]), (qc::odbc::Date{1999, 12, 31}));
    EXPECT_EQ(text(third[5]), "line1\nline2");

    // Past the end there is no current row.
    EXPECT_THROW(rs.moveNext(), std::exception);
    EXPECT_THROW(rs.fieldValue(0), std::exception);
    rs.close();
    EXPECT_FALSE(rs.isOpen());

    // The connection is free again, and the same recordset object opens anew.
    rs.open("SELECT * FROM [Empty]", conn);
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
    rs.close();
    conn.close();
    EXPECT_FALSE(conn.isOpen());
}

TEST(DbAccessOdbc, TablesSchemaNamesTypesAsAdoDoes) {
    SqliteDatabase db(kScript);
    Connection conn;
    conn.open(db.connectionString());
    auto schema = conn.openSchema();
    std::vector<std::pair<std::string, std::string>> seen;
    while (!schema->eof()) {
        seen.emplace_back(text(schema->fieldValue("TABLE_TYPE")), text(schema->fieldValue("TABLE_NAME")));
        schema->moveNext();
    }
    schema->close();
    std::sort(seen.begin(), seen.end());
    const std::vector<std::pair<std::string, std::string>> expected{
        {"TABLE", "Empty"}, {"TABLE", "Order Lines"}, {"VIEW", "OrderView"}};
    EXPECT_EQ(seen, expected);
}

TEST(DbAccessOdbc, FailuresAreClearAndLeaveObjectsUsable) {
    SqliteDatabase db(kScript);
    Connection conn;
    // Everything before Open fails as ADO does on a closed object.
    EXPECT_THROW(conn.execute("SELECT 1"), std::exception);
    EXPECT_THROW(conn.openSchema(), std::exception);
    Recordset rs;
    EXPECT_THROW(rs.open("SELECT * FROM [Empty]", conn), std::exception);
    EXPECT_THROW(rs.eof(), std::exception);
    EXPECT_THROW(rs.close(), std::exception);

    conn.open(db.connectionString());
    EXPECT_THROW(conn.open(db.connectionString()), std::exception);
    // A table that went away between listing and reading.
    db.run("DROP TABLE Empty;");
    try {
        rs.open("SELECT * FROM [Empty]", conn);
        FAIL() << "a missing table opened";
    } catch (const qc::odbc::Error& e) {
        EXPECT_NE(std::string(e.what()).find("no such table"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(rs.isOpen());
    rs.open("SELECT * FROM [Order Lines]", conn);
    EXPECT_THROW(rs.fieldValue("nonesuch"), std::out_of_range);
    EXPECT_THROW(rs.fieldName(6), std::out_of_range);
    EXPECT_THROW(rs.fieldType(-1), std::out_of_range);
    rs.close();

    EXPECT_THROW(conn.execute("THIS IS NOT SQL"), qc::odbc::Error);
    conn.execute("CREATE TABLE Later(x INTEGER)");
    conn.close();
    EXPECT_THROW(conn.close(), std::exception);

    Connection wrongDriver;
    try {
        wrongDriver.open("Driver={No Such Driver 42};Database=" + db.path() + ";");
        FAIL() << "an unknown driver opened";
    } catch (const qc::odbc::Error& e) {
        // unixODBC says which driver it could not load.
        EXPECT_NE(std::string(e.what()).find("No Such Driver 42"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(wrongDriver.isOpen());
}

TEST(DbAccessOdbc, ARecordsetOutlivingItsConnectionFailsCleanly) {
    SqliteDatabase db(kScript);
    Recordset rs;
    {
        Connection conn;
        conn.open(db.connectionString());
        rs.open("SELECT * FROM [Order Lines]", conn);
        conn.close();
        EXPECT_THROW(rs.moveNext(), qc::odbc::Error);
    }
    rs.close();
}
