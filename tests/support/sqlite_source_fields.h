#pragma once
// The main window's fields for a run that reads a SQLite file through the driver registered as
// "SQL Server" (the child process of the SQLite conversion tests, and the conversion benchmark)
// and writes free tables: server, port and login are placeholders the SQLite driver ignores.

#include "data/form1_fields.h"

#include <string>

namespace qc::test {

inline void fillSqliteSourceFields(data::Form1Fields& f, const std::string& sqliteFile,
                                   const std::string& targetFolder) {
    f.Text5 = QStringLiteral("localhost");
    f.Text6 = QStringLiteral("1433");
    f.Text8 = QString::fromStdString(sqliteFile);
    f.Text3 = QStringLiteral("user");
    f.Text4 = QStringLiteral("secret");
    f.OptionDBC1 = false;
    f.Text2 = QString::fromStdString(targetFolder);
}

} // namespace qc::test
