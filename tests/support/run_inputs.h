#pragma once
// What a test's conversion run takes: the login of a SQLite file reached through the driver
// registered as "SQL Server" (server, port and login are placeholders that driver ignores), the
// login of the SQL Server stand-in (database TestDB, the standard fixture's login unless given),
// and a folder of free tables or a container as the target.

#include "data/foxpro_target.h"
#include "data/sql_server_login.h"
#include "support/tds_server.h"

#include <string>

namespace qc::test {

inline data::SqlServerLogin sqliteLogin(const std::string& sqliteFile) {
    return {QStringLiteral("localhost"), QStringLiteral("1433"), QString::fromStdString(sqliteFile),
            QStringLiteral("user"), QStringLiteral("secret")};
}

inline data::SqlServerLogin tdsLogin(int port, const QString& user = QStringLiteral("testuser"),
                                     const QString& password = QStringLiteral("Test#Pass1")) {
    return {QString::fromStdString(TdsServer::host()), QString::number(port), QStringLiteral("TestDB"), user,
            password};
}

inline data::FoxProTarget folderTarget(const std::string& folder) {
    return {QString::fromStdString(folder), QString(), false};
}

inline data::FoxProTarget containerTarget(const std::string& container) {
    return {QStringLiteral("/nonexistent/folder"), QString::fromStdString(container), true};
}

} // namespace qc::test
