// The access layer over a real ODBC driver (SQLite): calling order, streaming and failures; and
// primary keys through SQLite's driver and FreeTDS against the SQL Server stand-in.
#include "data/db_access.h"
#include "data/mssql_source.h"
#include "data/primary_key.h"
#include "odbc/ado_types.h"
#include "odbc/error.h"
#include "sqlite_database.h"
#include "support/run_inputs.h"
#include "support/tds_server.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

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

TEST(DbAccessOdbc, PrimaryKeyColumnsComeInKeyOrderFromSqliteAndSqlServer) {
    // The stand-in's composite key runs against its table's column order. SQLite's driver
    // (sqliteodbc 0.9998) numbers a key's columns in the table's order, whatever the key's own, so
    // there the two orders agree. One key column's name is not ASCII.
    SqliteDatabase sqlite(R"(
CREATE TABLE Lines(note TEXT, order_id INTEGER, line INTEGER, PRIMARY KEY (order_id, line));
CREATE TABLE Customers("Schlüssel" INTEGER PRIMARY KEY, name TEXT);
CREATE TABLE Loose(id INTEGER);
)");
    QTemporaryDir fixtureDir;
    const std::string fixture = fixtureDir.filePath(QStringLiteral("keys.json")).toStdString();
    std::ofstream(fixture)
        << R"json({"users": {"testuser": "Test#Pass1"}, "databases": {"TestDB": {"tables": [
 {"name": "Lines", "columns": [["line", "int NOT NULL"], ["note", "varchar(10)"], ["order_id", "int NOT NULL"]],
  "rows": [], "primary_key": ["order_id", "line"]},
 {"name": "Lines", "schema": "archive", "columns": [["id", "int NOT NULL"]], "rows": [], "primary_key": ["id"]},
 {"name": "Customers", "columns": [["Schlüssel", "int NOT NULL"], ["name", "nvarchar(20)"]], "rows": [],
  "primary_key": ["Schlüssel"]},
 {"name": "Loose", "columns": [["id", "int"]], "rows": []}]}}})json";
    auto server = std::make_unique<qc::test::TdsServer>(fixture);

    using Key = std::vector<std::string>;
    const Key lines{"order_id", "line"};
    struct Case {
        QString schema;
        QString name;
        Key key;
    };
    struct Source {
        const char* driver;
        Connection& connection;
        std::string connectionString;
        std::vector<Case> cases;
    };
    Connection sqliteSource, sqlServer;
    const QString dbo = QStringLiteral("dbo");
    const std::vector<Source> sources{
        {"SQLite",
         sqliteSource,
         sqlite.connectionString(),
         {{{}, QStringLiteral("Lines"), lines},
          {{}, QStringLiteral("Customers"), {"Schlüssel"}},
          {{}, QStringLiteral("Loose"), {}},
          {{}, QStringLiteral("Missing"), {}}}},
        {"FreeTDS",
         sqlServer,
         mssqlConnectionString(qc::test::tdsLogin(server->port())),
         {{dbo, QStringLiteral("Lines"), lines},
          // The schema picks the table: a namesake elsewhere has a key of its own.
          {QStringLiteral("archive"), QStringLiteral("Lines"), {"id"}},
          // No schema: the login's default one.
          {{}, QStringLiteral("Lines"), lines},
          {dbo, QStringLiteral("Customers"), {"Schlüssel"}},
          {dbo, QStringLiteral("Loose"), {}},
          {dbo, QStringLiteral("Missing"), {}}}}};
    for (const Source& source : sources) {
        Connection& conn = source.connection;
        conn.open(source.connectionString);
        for (const Case& c : source.cases)
            EXPECT_EQ(primaryKeyColumns(conn, {c.schema, c.name}), c.key)
                << source.driver << ": " << c.schema.toStdString() << "." << c.name.toStdString();
        // The connection takes the next statement: no result of the lookups is left pending.
        Recordset rs;
        rs.open("SELECT * FROM Loose", conn);
        rs.close();
    }

    // A server gone mid-session, a closed connection and the FoxPro engine have no key to tell.
    server.reset();
    EXPECT_TRUE(primaryKeyColumns(sqlServer, {dbo, QStringLiteral("Lines")}).empty());
    Connection closed;
    EXPECT_TRUE(primaryKeyColumns(closed, {dbo, QStringLiteral("Lines")}).empty());
    Connection foxPro;
    foxPro.openFoxPro(fixtureDir.path().toStdString());
    EXPECT_TRUE(primaryKeyColumns(foxPro, {{}, QStringLiteral("keys")}).empty());
}

TEST(DbAccessOdbc, AQuerySentAheadIsTakenByItsOwnOpenOnlyAndFailsThereAsItWouldHave) {
    QTemporaryDir fixtureDir;
    const std::string fixture = fixtureDir.filePath(QStringLiteral("ahead.json")).toStdString();
    // Big holds more rows than the reading ahead keeps, so its reading waits for room.
    constexpr int kBigRows = 5000;
    std::string bigRows;
    for (int i = 1; i <= kBigRows; ++i)
        bigRows += (i > 1 ? ", [" : "[") + std::to_string(i) + "]";
    std::ofstream(fixture)
        << R"json({"users": {"testuser": "Test#Pass1"}, "databases": {"TestDB": {"tables": [
 {"name": "A", "columns": [["id", "int"]], "rows": [[1], [2], [3]]},
 {"name": "B", "columns": [["id", "int"]], "rows": [[10], [20]]},
 {"name": "Pairs", "columns": [["id", "int"], ["name", "nvarchar(20)"]], "rows": [[7, "seven"], [8, null]]},
 {"name": "Big", "columns": [["id", "int"]], "rows": [)json"
        << bigRows << R"json(]},
 {"name": "Secret", "columns": [["id", "int"]], "rows": [[1]], "deny_select": true}]}}})json";
    qc::test::TdsServer server(fixture);
    Connection conn;
    conn.setEventPump([] {}); // rows are read ahead, and queries may be sent ahead
    conn.open(mssqlConnectionString(qc::test::tdsLogin(server.port())));
    const auto openIds = [&](const std::string& table, std::size_t readAtMost = 100) {
        Recordset rs;
        rs.open("SELECT * FROM [" + table + "]", conn);
        std::vector<std::int64_t> ids{rs.recordCount()};
        for (; !rs.eof() && ids.size() <= readAtMost; rs.moveNext())
            ids.push_back(std::get<std::int64_t>(rs.fieldValue(0)));
        return ids; // the count, then the rows
    };
    const auto failureOpening = [&](const std::string& table) {
        try {
            openIds(table);
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("no failure");
    };
    using Ids = std::vector<std::int64_t>;

    // Sent while A is read: taken by B's open, once.
    {
        Recordset a;
        a.open("SELECT * FROM [A]", conn);
        conn.sendAhead("SELECT * FROM [B]");
        a.close(); // before its rows are all read
    }
    EXPECT_EQ(openIds("B"), (Ids{2, 10, 20}));
    EXPECT_EQ(openIds("A"), (Ids{3, 1, 2, 3}));
    // Another open drops it, and the connection goes on.
    conn.sendAhead("SELECT * FROM [B]");
    EXPECT_EQ(openIds("A", 1), (Ids{3, 1}));
    EXPECT_EQ(openIds("B"), (Ids{2, 10, 20}));
    // A refusal comes at the open, in the words it has without sending ahead.
    const std::string refused = failureOpening("Secret");
    EXPECT_NE(refused, "no failure");
    conn.sendAhead("SELECT * FROM [Secret]");
    EXPECT_EQ(failureOpening("Secret"), refused);
    EXPECT_EQ(openIds("A"), (Ids{3, 1, 2, 3}));
    // Rows read ahead of their open until the reading waits for room: all come, in order, and
    // any other question to the server is answered meanwhile.
    Ids big{kBigRows};
    for (std::int64_t i = 1; i <= kBigRows; ++i)
        big.push_back(i);
    conn.sendAhead("SELECT * FROM [Big]");
    EXPECT_EQ(openIds("Big", kBigRows), big);
    conn.sendAhead("SELECT * FROM [Big]");
    EXPECT_EQ(countRows(conn, "SELECT * FROM [A]"), 3);
    conn.sendAhead("SELECT * FROM [Big]");
    EXPECT_EQ(openIds("A"), (Ids{3, 1, 2, 3}));
    // The next reading takes over the slots of the one before, whatever its columns held.
    const auto pairs = [&] {
        Recordset rs;
        rs.open("SELECT * FROM [Pairs]", conn);
        std::vector<Value> seen;
        for (; !rs.eof(); rs.moveNext())
            for (int i = 0; i < rs.fieldCount(); ++i)
                seen.push_back(rs.fieldValue(i));
        return seen;
    };
    const std::vector<Value> pairRows{std::int64_t{7}, std::string("seven"), std::int64_t{8},
                                      qc::odbc::Null{}};
    EXPECT_EQ(pairs(), pairRows);
    conn.sendAhead("SELECT * FROM [Pairs]");
    EXPECT_EQ(pairs(), pairRows);
    EXPECT_EQ(openIds("B"), (Ids{2, 10, 20}));
    EXPECT_EQ(pairs(), pairRows);
    // Closing with a query sent ahead and never taken, its reading waiting for room.
    conn.sendAhead("SELECT * FROM [Big]");
    conn.close();
    EXPECT_FALSE(conn.isOpen());
}
