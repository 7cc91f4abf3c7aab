#pragma once
// The main window's fields as the logic reads them. The window keeps this up to date on every
// change, and the logic reads each value at the moment it needs it.

#include <QString>

namespace qc::data {

struct Form1Fields {
    // SQL Server login
    QString Text5; // server
    QString Text6; // port
    QString Text8; // database
    QString Text3; // user name
    QString Text4; // password
    bool Check4 = false; // "Local Connection": no port in the connection string

    // FoxPro target
    QString Text2; // folder of free tables
    bool OptionDBC1 = true; // true: the target is the container DBCPath1
    QString DBCPath1;

    // SQL Preview mode
    bool Check1 = false;
    bool Option1 = true; // one preview after all tables
    bool Option2 = false; // one preview after each table
};

} // namespace qc::data
