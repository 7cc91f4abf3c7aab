// The SQL Server source: connection strings, the reachability check, the user-table listing and
// reading every column type, through FreeTDS against the SQL Server stand-in.
#include "data/db_access.h"
#include "data/mssql_source.h"
#include "odbc/ado_types.h"
#include "odbc/error.h"
#include "support/run_inputs.h"
#include "support/scripted_ui.h"
#include "support/tds_server.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace qc::data;
using qc::test::ScriptedUi;
using qc::test::TdsServer;

namespace {
SqlServerLogin login(int port, const QString& password = QStringLiteral("Test#Pass1")) {
    return qc::test::tdsLogin(port, QStringLiteral("testuser"), password);
}

// One stand-in for the tests of this file, with a second login whose password holds ";".
TdsServer& server() {
    static TdsServer instance(TdsServer::standardFixture(), 0, {"--user", "semi:Acc;ept=1"});
    return instance;
}

std::string text(const Value& v) {
    return std::get<std::string>(v);
}

SourceTable dbo(const char* name) {
    return {QStringLiteral("dbo"), QString::fromUtf8(name)};
}
} // namespace

TEST(MssqlConnectionString, FollowsTheTemplatesAndQuotesOnlyWhatWouldBreakThem) {
    SqlServerLogin f;
    f.server = QStringLiteral("srv");
    f.port = QStringLiteral("1500");
    f.database = QStringLiteral("Sales");
    f.user = QStringLiteral("me");
    f.password = QStringLiteral("Test#Pass1");
    EXPECT_EQ(mssqlConnectionString(f),
              "Driver={SQL Server};Server=srv,1500;Database=Sales;Uid=me;Pwd=Test#Pass1;");
    f.localConnection = true;
    EXPECT_EQ(mssqlConnectionString(f),
              "Driver={SQL Server};Server=srv;Database=Sales;Uid=me;Pwd=Test#Pass1;");
    // Blanks, a lone "}" and other punctuation go in as typed.
    f.password = QStringLiteral(" a}b= ");
    EXPECT_EQ(mssqlConnectionString(f), "Driver={SQL Server};Server=srv;Database=Sales;Uid=me;Pwd= a}b= ;");
    // A ";" could inject keys of its own: the value goes in braces, "}" doubled.
    f.password = QStringLiteral("x;Database=master");
    EXPECT_EQ(mssqlConnectionString(f),
              "Driver={SQL Server};Server=srv;Database=Sales;Uid=me;Pwd={x;Database=master};");
    f.password = QStringLiteral("p;}q");
    f.user = QStringLiteral("{me");
    EXPECT_EQ(mssqlConnectionString(f),
              "Driver={SQL Server};Server=srv;Database=Sales;Uid={{me};Pwd={p;}}q};");
}

TEST(MssqlSelect, EveryListedNameCanBeReadInItsSchema) {
    EXPECT_EQ(selectAllStatement(dbo("Orders")), "SELECT * FROM [dbo].[Orders]");
    EXPECT_EQ(selectAllStatement({QString(), QStringLiteral("Order Details")}),
              "SELECT * FROM [Order Details]");
    EXPECT_EQ(selectAllStatement({QStringLiteral("a]b"), QStringLiteral("Weird]Name")}),
              "SELECT * FROM [a]]b].[Weird]]Name]");
    EXPECT_EQ(selectAllStatement({QString(), QStringLiteral("]]")}), "SELECT * FROM []]]]]");
}

TEST(MssqlSelect, OnlyTheServersOwnTablesAreLeftOutAndNamesMatchBareOrQualified) {
    const SourceTable sales{QStringLiteral("Sales"), QStringLiteral("Orders")};
    EXPECT_EQ(sales.shownName(), QStringLiteral("Sales.Orders"));
    EXPECT_EQ(dbo("Orders").shownName(), QStringLiteral("Orders"));
    // A bare name names the default schema's table where there is one.
    const SourceTables alone{sales}, both{sales, dbo("Orders")};
    for (const char* wanted : {"orders", "SALES.ORDERS"})
        EXPECT_TRUE(sales.isNamed(QString::fromUtf8(wanted), alone)) << wanted;
    for (const char* wanted : {"dbo.Orders", "Sales", "Sales.Order"})
        EXPECT_FALSE(sales.isNamed(QString::fromUtf8(wanted), alone)) << wanted;
    EXPECT_FALSE(sales.isNamed(QStringLiteral("Orders"), both));
    EXPECT_TRUE(sales.isNamed(QStringLiteral("sales.orders"), both));
    EXPECT_TRUE(dbo("Orders").isNamed(QStringLiteral("Orders"), both));
    for (const SourceTable& own : {dbo("sysdiagrams"), dbo("DTProperties"), dbo("syspublications"),
                                   SourceTable{QStringLiteral("cdc"), QStringLiteral("dbo_Orders_CT")}})
        EXPECT_TRUE(madeByServer(own)) << own.name.toStdString();
    for (const SourceTable& user : {dbo("EmergencySystems"), dbo("MySystemLog"), dbo("SYSTEMS"), sales})
        EXPECT_FALSE(madeByServer(user)) << user.name.toStdString();
}

TEST(MssqlSource, ChecksTheLoginWithoutSayingAnything) {
    EXPECT_TRUE(isValidMSSQLConnection(login(server().port())));
    EXPECT_FALSE(isValidMSSQLConnection(login(server().port(), QStringLiteral("wrong"))));
    // The password with ";" reaches the server whole.
    SqlServerLogin semi = login(server().port(), QStringLiteral("Acc;ept=1"));
    semi.user = QStringLiteral("semi");
    EXPECT_TRUE(isValidMSSQLConnection(semi));
    SqlServerLogin empty = login(server().port());
    empty.server.clear();
    EXPECT_FALSE(isValidMSSQLConnection(empty));
}

TEST(MssqlSource, AFailedCheckGivesTheDriversReason) {
    QString reason;
    EXPECT_FALSE(isValidMSSQLConnection(login(server().port(), QStringLiteral("wrong")), &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("18456"))) << reason.toStdString();
    // A port where nothing listens: the last port a stand-in had, closed again.
    int closedPort = 0;
    {
        qc::test::TdsServer gone(qc::test::TdsServer::standardFixture());
        closedPort = gone.port();
    }
    reason.clear();
    EXPECT_FALSE(isValidMSSQLConnection(login(closedPort), &reason));
    EXPECT_FALSE(reason.isEmpty());
}

TEST(MssqlSource, ListsExactlyTheUserTablesWithTheirSchemas) {
    ScriptedUi ui;
    int events = 0;
    ui.onEvents = [&] { ++events; };
    SourceTables list{dbo("stale")};
    listSourceTables(login(server().port()), list, ui);
    // sysdiagrams is the server's own; a name that merely holds "SYS" is a user table.
    EXPECT_EQ(list, (SourceTables{dbo("AllTypes"), dbo("BigTable"), dbo("EmergencySystems"),
                                  dbo("EmptyTable"), dbo("LongColumnNames"), dbo("NotNullTypes"),
                                  dbo("Order Details"), dbo("Weird]Name")}));
    // Events go through once per user table, sysdiagrams included, and also while the server is
    // awaited.
    EXPECT_GE(events, 9);
    EXPECT_TRUE(ui.messages.empty());

    // A login that fails reaches the caller and leaves the list as it was.
    EXPECT_THROW(listSourceTables(login(server().port(), QStringLiteral("wrong")), list, ui),
                 qc::odbc::Error);
    EXPECT_EQ(list.size(), 8);
}

TEST(MssqlSource, ReadsEveryColumnTypeWithItsValueAndAdoNumber) {
    Connection conn;
    conn.setCommandTimeout(5000);
    conn.setConnectionTimeout(5000);
    conn.open(mssqlConnectionString(login(server().port())));
    Recordset rs;
    rs.open(selectAllStatement(dbo("AllTypes")), conn);
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.recordCount(), 6);
    using namespace qc::odbc;
    const std::vector<int> types{
        adInteger,       adVarChar,      adInteger,      adBigInt,      adSmallInt,    adUnsignedTinyInt,
        adBoolean,       adNumeric,      adNumeric,      adNumeric,     adNumeric,     adNumeric,
        adDouble,        adSingle,       adDBTimeStamp,  adDBTimeStamp, adDBDate,      adDBTime,
        adDBTimeStamp,   adChar,         adVarChar,      adLongVarChar, adLongVarChar, adWChar,
        adVarWChar,      adLongVarWChar, adLongVarWChar, adBinary,      adVarBinary,   adLongVarBinary,
        adLongVarBinary, adGUID};
    ASSERT_EQ(rs.fieldCount(), static_cast<int>(types.size()));
    for (int i = 0; i < rs.fieldCount(); ++i)
        EXPECT_EQ(rs.fieldType(i), types[static_cast<std::size_t>(i)]) << rs.fieldName(i);

    // The typical row, value by value.
    EXPECT_EQ(std::get<std::int64_t>(rs.fieldValue("c_int")), 42);
    EXPECT_EQ(std::get<std::int64_t>(rs.fieldValue("c_bigint")), 1234567890123);
    EXPECT_EQ(std::get<std::int64_t>(rs.fieldValue("c_smallint")), -123);
    EXPECT_EQ(std::get<std::int64_t>(rs.fieldValue("c_tinyint")), 7);
    EXPECT_EQ(std::get<bool>(rs.fieldValue("c_bit")), true);
    EXPECT_EQ(std::get<Decimal>(rs.fieldValue("c_decimal")).digits, "12345.6789");
    EXPECT_EQ(std::get<Decimal>(rs.fieldValue("c_decimal38")).digits, "-1234567890.0123456789");
    EXPECT_EQ(std::get<Decimal>(rs.fieldValue("c_numeric")).digits, "-42.50");
    EXPECT_EQ(std::get<Decimal>(rs.fieldValue("c_money")).digits, "1234.5678");
    EXPECT_EQ(std::get<Decimal>(rs.fieldValue("c_smallmoney")).digits, "-12.3456");
    EXPECT_EQ(std::get<double>(rs.fieldValue("c_float")), 3.141592653589793);
    EXPECT_EQ(std::get<double>(rs.fieldValue("c_real")), 2.5);
    EXPECT_EQ(std::get<DateTime>(rs.fieldValue("c_datetime")),
              (DateTime{{2024, 2, 29}, {13, 45, 30, 123000000}}));
    EXPECT_EQ(std::get<DateTime>(rs.fieldValue("c_smalldatetime")),
              (DateTime{{2024, 2, 29}, {13, 45, 0, 0}}));
    EXPECT_EQ(std::get<Date>(rs.fieldValue("c_date")), (Date{2024, 2, 29}));
    EXPECT_EQ(std::get<Time>(rs.fieldValue("c_time")), (Time{13, 45, 30, 123456700}));
    EXPECT_EQ(std::get<DateTime>(rs.fieldValue("c_datetime2")),
              (DateTime{{2024, 2, 29}, {13, 45, 30, 123456700}}));
    EXPECT_EQ(text(rs.fieldValue("c_char")), "abc       ");
    EXPECT_EQ(text(rs.fieldValue("c_varchar")), "hello");
    EXPECT_EQ(text(rs.fieldValue("c_varchar_max")), "hello max");
    EXPECT_EQ(text(rs.fieldValue("c_text")), "hello text");
    EXPECT_EQ(text(rs.fieldValue("c_nchar")), "été       ");
    EXPECT_EQ(text(rs.fieldValue("c_nvarchar")), "Привет");
    EXPECT_EQ(text(rs.fieldValue("c_nvarchar_max")), "你好 max");
    EXPECT_EQ(text(rs.fieldValue("c_ntext")), "ntext ü");
    EXPECT_EQ(std::get<Bytes>(rs.fieldValue("c_binary")), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(std::get<Bytes>(rs.fieldValue("c_varbinary")), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(std::get<Bytes>(rs.fieldValue("c_varbinary_max")), (Bytes{0x00, 0xFF, 0x00, 0xFF}));
    EXPECT_EQ(std::get<Bytes>(rs.fieldValue("c_image")),
              (Bytes{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}));
    EXPECT_EQ(std::get<Guid>(rs.fieldValue("c_guid")).text, "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");

    rs.moveNext(); // all NULL but the key and the note
    for (int i = 2; i < rs.fieldCount(); ++i)
        EXPECT_TRUE(isNull(rs.fieldValue(i))) << rs.fieldName(i);

    rs.moveNext(); // maximum values: long values arrive whole
    EXPECT_EQ(std::get<std::int64_t>(rs.fieldValue("c_bigint")), INT64_MAX);
    EXPECT_EQ(std::get<Decimal>(rs.fieldValue("c_decimal38")).digits,
              "9999999999999999999999999999.9999999999");
    EXPECT_EQ(text(rs.fieldValue("c_varchar_max")).size(), 10004u);
    EXPECT_EQ(text(rs.fieldValue("c_text")).size(), 10004u);
    EXPECT_TRUE(text(rs.fieldValue("c_ntext")).ends_with(" end Ж"));
    EXPECT_EQ(std::get<Bytes>(rs.fieldValue("c_image")), Bytes(9000, 0xCD));

    rs.moveNext(); // minimum values
    EXPECT_EQ(std::get<DateTime>(rs.fieldValue("c_datetime2")), (DateTime{{1, 1, 1}, {0, 0, 0, 0}}));
    EXPECT_EQ(text(rs.fieldValue("c_varchar")), "");
    EXPECT_TRUE(std::get<Bytes>(rs.fieldValue("c_varbinary")).empty());

    rs.moveNext(); // awkward text
    EXPECT_EQ(text(rs.fieldValue("c_varchar")), "O'Brien, \"Jr.\"\r\nline 2;\ttab");
    EXPECT_EQ(text(rs.fieldValue("c_nvarchar")), "Ελληνικά 日本語 Ж 😀 'q', x\ny");
    EXPECT_EQ(text(rs.fieldValue("c_varchar_max")), "Café naïve € – déjà vu, it's");
    EXPECT_EQ(std::get<Time>(rs.fieldValue("c_time")), (Time{0, 0, 0, 100}));

    rs.moveNext();
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    rs.close();

    rs.open(selectAllStatement(dbo("Weird]Name")), conn);
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(text(rs.fieldValue("val")), "a]b");
    rs.close();

    // A table gone between listing and reading: a clear error, and the connection stays usable.
    try {
        rs.open(selectAllStatement(dbo("Vanished")), conn);
        FAIL() << "a missing table opened";
    } catch (const qc::odbc::Error& e) {
        EXPECT_EQ(e.nativeCode(), 208) << e.what();
    }
    rs.open(selectAllStatement(dbo("EmptyTable")), conn);
    EXPECT_TRUE(rs.eof() && rs.bof());
    rs.close();
    conn.close();
}

TEST(MssqlSource, StreamsABigTableWithItsCount) {
    Connection conn;
    conn.open(mssqlConnectionString(login(server().port())));
    Recordset rs;
    rs.open(selectAllStatement(dbo("BigTable")), conn);
    EXPECT_EQ(rs.recordCount(), 500);
    std::int64_t n = 0;
    while (!rs.eof()) {
        ++n;
        ASSERT_EQ(std::get<std::int64_t>(rs.fieldValue(0)), n);
        EXPECT_EQ(qc::odbc::isNull(rs.fieldValue("note")), n % 7 == 0);
        rs.moveNext();
    }
    EXPECT_EQ(n, 500);
    // Closing part-way leaves the connection usable.
    rs.close();
    rs.open(selectAllStatement(dbo("BigTable")), conn);
    rs.moveNext();
    rs.close();
    rs.open(selectAllStatement(dbo("Order Details")), conn);
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.fieldName(1), "Product Name");
}

TEST(MssqlSource, ClosingARecordsetWhoseServerStoppedSendingCancelsTheRead) {
    constexpr int kRowsBeforeStall = 20;
    TdsServer stalling(TdsServer::standardFixture(), 0,
                       {"--stall-after-rows", std::to_string(kRowsBeforeStall)});
    Connection conn;
    conn.setCommandTimeout(120); // the close must not wait for it
    conn.setEventPump([] {});    // rows are read ahead on a thread of their own
    conn.open(mssqlConnectionString(login(stalling.port())));
    Recordset rs;
    rs.open(selectAllStatement(dbo("BigTable")), conn);
    for (int n = 1; n < kRowsBeforeStall; ++n)
        rs.moveNext();
    const auto closing = std::chrono::steady_clock::now();
    rs.close();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(30));
    // The cancelled read left the connection serving the next statement.
    rs.open(selectAllStatement(dbo("Order Details")), conn);
    EXPECT_EQ(rs.recordCount(), 3);
}
