#pragma once
// The main window's login fields for a run that reads from the SQL Server stand-in: its host and
// port, database TestDB and a login (the standard fixture's unless given).

#include "data/form1_fields.h"
#include "support/tds_server.h"

namespace qc::test {

inline void fillTdsLogin(data::Form1Fields& f, int port, const QString& user = QStringLiteral("testuser"),
                         const QString& password = QStringLiteral("Test#Pass1")) {
    f.Text5 = QString::fromStdString(TdsServer::host());
    f.Text6 = QString::number(port);
    f.Text8 = QStringLiteral("TestDB");
    f.Text3 = user;
    f.Text4 = password;
}

} // namespace qc::test
