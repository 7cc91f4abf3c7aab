// The FoxPro target: the chosen path, the engine behind it, the connection check and the table
// listing with their error traps.
#include "data/db_access.h"
#include "data/foxpro_target.h"
#include "foxpro/database.h"
#include "support/environment.h"
#include "support/scripted_ui.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qc::data;
using qc::test::ScriptedUi;

namespace {
FoxProTarget folderTarget(const QString& folder) {
    FoxProTarget f;
    f.containerChosen = false;
    f.folder = folder;
    return f;
}

std::string text(const Value& v) {
    return std::get<std::string>(v);
}

std::vector<int> reportedLines(const ScriptedUi& ui) {
    std::vector<int> lines;
    for (const auto& shown : ui.errorReports()) {
        const int at = shown.text.indexOf(QStringLiteral("at line "));
        lines.push_back(shown.text.mid(at + 8, 3).toInt());
    }
    return lines;
}
} // namespace

TEST(FoxproTarget, OpensTheChosenPathWhole) {
    QTemporaryDir dir;
    // A path holding what a connection string would have to quote reaches the engine as it is.
    const QString folder = dir.filePath(QStringLiteral("a;b \"q\" 'c"));
    ASSERT_TRUE(QDir().mkpath(folder));
    FoxProTarget f = folderTarget(folder);
    f.container = dir.filePath(QStringLiteral("none.dbc"));
    Connection conn;
    openTarget(conn, f);
    conn.execute("CREATE TABLE t (k INT)");
    conn.close();
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("t.dbf"))));
    f.containerChosen = true;
    EXPECT_EQ(f.chosenPath(), f.container);
}

TEST(FoxproProvider, OpensExecutesAndListsAFolder) {
    QTemporaryDir dir;
    Connection conn;
    conn.openFoxPro(dir.path().toStdString());
    ASSERT_TRUE(conn.isOpen());
    conn.execute("CREATE TABLE [Orders] (\"OrderID\" INT, \"Customer\" C(20));");
    conn.execute("INSERT INTO [Orders] VALUES (7, 'O''Brien');");
    try {
        conn.execute("INSERT INTO [Orders] VALUES (1, 'far too long for twenty characters');");
        FAIL() << "an over-long text was accepted";
    } catch (const std::exception& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("SQL error: ")) << e.what();
    }
    auto schema = conn.openSchema();
    ASSERT_FALSE(schema->eof());
    EXPECT_EQ(text(schema->fieldValue("TABLE_TYPE")), "TABLE");
    EXPECT_EQ(text(schema->fieldValue("TABLE_NAME")), "orders");
    schema->moveNext();
    EXPECT_TRUE(schema->eof());
    schema->close();
    // The provider answers statements, not queries.
    Recordset rs;
    EXPECT_THROW(rs.open("SELECT * FROM [orders]", conn), std::exception);
    conn.close();

    // Read back by a reader that is not ours.
    const auto out = qc::test::runPython(
        {"-c",
         "import dbfread,sys; t=dbfread.DBF(sys.argv[1]); print([(r['ORDERID'], r['CUSTOMER']) for r in t])",
         dir.filePath(QStringLiteral("orders.dbf")).toStdString()});
    EXPECT_EQ(out.output, "[(7, \"O'Brien\")]\n") << out.errors;
}

TEST(FoxproProvider, AMissingTargetFailsToOpen) {
    QTemporaryDir dir;
    Connection conn;
    EXPECT_THROW(conn.openFoxPro(dir.filePath("nope").toStdString()), std::exception);
    EXPECT_FALSE(conn.isOpen());
    EXPECT_THROW(conn.openFoxPro(""), std::exception);
    EXPECT_FALSE(QDir(dir.filePath("nope")).exists());
}

TEST(FoxproTarget, ConnectionCheckSaysYesOrNoSilently) {
    QTemporaryDir dir;
    ScriptedUi ui;
    EXPECT_TRUE(isValidFoxProConnection(folderTarget(dir.path()), ui));
    EXPECT_FALSE(isValidFoxProConnection(folderTarget(dir.filePath(QStringLiteral("missing"))), ui));
    FoxProTarget dbc;
    dbc.containerChosen = true;
    EXPECT_FALSE(isValidFoxProConnection(dbc, ui));
    dbc.container = dir.filePath(QStringLiteral("missing.dbc"));
    EXPECT_FALSE(isValidFoxProConnection(dbc, ui));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FoxproTarget, AFailedCheckGivesTheEnginesReason) {
    QTemporaryDir dir;
    ScriptedUi ui;
    QString reason;
    EXPECT_FALSE(isValidFoxProConnection(folderTarget(dir.filePath(QStringLiteral("missing"))), ui, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("missing"))) << reason.toStdString();
    QFile garbage(dir.filePath(QStringLiteral("junk.dbc")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("this is no database container");
    garbage.close();
    FoxProTarget dbc;
    dbc.containerChosen = true;
    dbc.container = garbage.fileName();
    reason.clear();
    EXPECT_FALSE(isValidFoxProConnection(dbc, ui, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("junk.d")))
        << reason.toStdString(); // the container or its companions
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FoxproTarget, ListsTheTablesOfTheTarget) {
    QTemporaryDir dir;
    {
        Connection conn;
        conn.openFoxPro(dir.path().toStdString());
        conn.execute("CREATE TABLE Customers (id INT)");
        conn.execute("CREATE TABLE SysLog (id INT)");
    }
    ScriptedUi ui;
    int events = 0;
    ui.onEvents = [&] { ++events; };
    QStringList list{QStringLiteral("stale")};
    listTargetTables(folderTarget(dir.path()), list, ui);
    QStringList names = list;
    names.sort();
    // No name filter here: a table whose name begins with SYS is listed.
    EXPECT_EQ(names, (QStringList{"customers", "syslog"}));
    EXPECT_EQ(events, 2);
    EXPECT_TRUE(ui.messages.empty());

    QTemporaryDir empty;
    listTargetTables(folderTarget(empty.path()), list, ui);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FoxproTarget, AContainerTargetIsCheckedAndListed) {
    QTemporaryDir dir;
    const QString source = QString::fromStdString(qc::test::testFilesDir() + "/fixtures/vfp9");
    for (const QString& name : QDir(source).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(source + "/" + name, dir.filePath(name)));
    const QStringList containers =
        QDir(dir.path()).entryList({QStringLiteral("*.dbc"), QStringLiteral("*.DBC")});
    ASSERT_EQ(containers.size(), 1);
    FoxProTarget f;
    f.containerChosen = true;
    f.container = dir.filePath(containers.front());
    f.folder = dir.filePath(QStringLiteral("ignored"));
    ScriptedUi ui;
    EXPECT_TRUE(isValidFoxProConnection(f, ui));
    QStringList tables;
    listTargetTables(f, tables, ui);
    EXPECT_EQ(tables, QStringList{QStringLiteral("table1")});
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FoxproTarget, AListingThatCannotOpenReportsEachFailingStepOnce) {
    QTemporaryDir dir;
    ScriptedUi ui;
    QStringList list{QStringLiteral("stale")};
    listTargetTables(folderTarget(dir.filePath(QStringLiteral("missing"))), list, ui);
    // Open, schema, the end test of the row loop (which then ends), the two closes.
    EXPECT_EQ(reportedLines(ui), (std::vector<int>{106, 108, 112, 126, 130}));
    const auto reports = ui.errorReports();
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(
        reports[0].text.contains(QStringLiteral("in Ferroquill2021/08/31.Foxpro.AddTablesToFoxproListbox ")));
    EXPECT_TRUE(list.isEmpty());
}
