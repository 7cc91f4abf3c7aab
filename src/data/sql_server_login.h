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
    // Seconds the server has to answer the logins of the check and of the table listing; 0 leaves
    // the driver's 15. The run's own connection keeps the far longer time-out it sets itself.
    int loginTimeout = 0;
};

} // namespace qc::data
