#pragma once
// The SQL Server login as the user typed it in the main window.

#include <QString>

namespace qc::data {

struct SqlServerLogin {
    QString server;
    QString port;
    QString database;
    QString user;
    QString password;
    // "Local Connection": the server is named without a port.
    bool localConnection = false;
};

} // namespace qc::data
