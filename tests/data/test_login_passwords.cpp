// Logins that FreeTDS cannot read from a connection string (a user name or password that needs
// braces and holds "}") reach the server exactly as typed, as the stand-in's log of what arrived
// shows, and the private data source they travel through is the user's alone and does not stay.
#include "data/db_access.h"
#include "data/mssql_source.h"
#include "support/run_inputs.h"
#include "support/tds_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

using namespace qc::data;
using qc::test::TdsServer;

namespace {
SqlServerLogin login(int port, const QString& user, const QString& password) {
    return qc::test::tdsLogin(port, user, password);
}

// The last login the stand-in recorded.
QJsonObject lastLogin(const QString& logFile) {
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    return QJsonDocument::fromJson(lines.back()).object();
}

int mode(const QString& path) {
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}
} // namespace

TEST(LoginPasswords, ThoseHoldingBracesArriveIntact) {
    const QString passwords[] = {QStringLiteral("{braced}"), QStringLiteral("}};{{"),
                                 QStringLiteral("mix;}{=\"' x"), QStringLiteral("a}b"),
                                 QStringLiteral(";x}")};
    QTemporaryDir dir;
    const QString logFile = dir.filePath(QStringLiteral("logins.jsonl"));
    std::vector<std::string> args{"--login-log", logFile.toStdString(), "--user", "{odd}name:p}w;"};
    for (std::size_t i = 0; i < std::size(passwords); ++i)
        args.insert(args.end(), {"--user", "user" + std::to_string(i) + ":" + passwords[i].toStdString()});
    TdsServer server(TdsServer::standardFixture(50), 0, args);

    for (std::size_t i = 0; i < std::size(passwords); ++i) {
        const QString user = QStringLiteral("user%1").arg(i);
        EXPECT_TRUE(isValidMSSQLConnection(login(server.port(), user, passwords[i])))
            << passwords[i].toStdString();
        const QJsonObject arrived = lastLogin(logFile);
        EXPECT_EQ(arrived.value(QStringLiteral("user")).toString(), user);
        EXPECT_EQ(arrived.value(QStringLiteral("password")).toString(), passwords[i]);
        EXPECT_EQ(arrived.value(QStringLiteral("database")).toString(), QStringLiteral("TestDB"));
    }
    EXPECT_TRUE(
        isValidMSSQLConnection(login(server.port(), QStringLiteral("{odd}name"), QStringLiteral("p}w;"))));
    EXPECT_EQ(lastLogin(logFile).value(QStringLiteral("user")).toString(), QStringLiteral("{odd}name"));
    // A second server right after: the login goes to it, not to what the first attempt named.
    const QString otherLog = dir.filePath(QStringLiteral("other.jsonl"));
    TdsServer other(TdsServer::standardFixture(50), 0,
                    {"--login-log", otherLog.toStdString(), "--user", "user0:" + passwords[0].toStdString()});
    EXPECT_TRUE(isValidMSSQLConnection(login(other.port(), QStringLiteral("user0"), passwords[0])));
    EXPECT_EQ(lastLogin(otherLog).value(QStringLiteral("password")).toString(), passwords[0]);
    // A wrong password of that kind is still refused.
    EXPECT_FALSE(
        isValidMSSQLConnection(login(server.port(), QStringLiteral("user0"), QStringLiteral("{braced"))));
    EXPECT_EQ(std::getenv("ODBCINI"), nullptr);
}

TEST(LoginPasswords, ThePrivateDataSourceIsTheUsersAloneAndGoesAfterTheAttempt) {
    TdsServer server(TdsServer::standardFixture(50), 0, {"--silent"});
    QTemporaryDir runtime;
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QString password = QStringLiteral("{secret}");

    Connection connection;
    connection.setConnectionTimeout(1);
    int folderMode = -1, fileMode = -1;
    bool passwordInFile = true;
    connection.setEventPump([&] {
        const QStringList folders = QDir(runtime.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (folders.size() != 1)
            return;
        const QString folder = runtime.filePath(folders[0]);
        QFile ini(folder + QStringLiteral("/odbc.ini"));
        if (!ini.open(QIODevice::ReadOnly))
            return;
        folderMode = mode(folder);
        fileMode = mode(ini.fileName());
        passwordInFile = ini.readAll().contains("secret");
    });
    std::string failure;
    try {
        connection.open(mssqlConnectionString(login(server.port(), QStringLiteral("u"), password)));
    } catch (const std::exception& e) {
        failure = e.what();
    }
    EXPECT_NE(failure.find("Login timeout expired"), std::string::npos) << failure;
    if (previous.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", previous);

    EXPECT_EQ(folderMode, 0700);
    EXPECT_EQ(fileMode, 0600);
    EXPECT_FALSE(passwordInFile);
    EXPECT_TRUE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(std::getenv("ODBCINI"), nullptr);
}
