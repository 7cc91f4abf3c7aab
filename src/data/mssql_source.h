#pragma once
// The SQL Server source: the connection strings built from the login fields, the reachability
// check and the listing of the source's user tables.

#include "app/ui_port.h"
#include "data/form1_fields.h"

#include <QStringListModel>

#include <string>

namespace qc::data {

// "Driver={SQL Server};Server=...;Database=...;Uid=...;Pwd=...;" with "server,port" unless
// "Local Connection" is ticked.
std::string mssqlConnectionString(const Form1Fields& fields);

// True when a connection with the login fields opens; nothing is shown either way. The driver's
// message goes to `reason` when given.
bool IsValidMSSQLConnection(const Form1Fields& fields, QString* reason = nullptr);

// Replaces the list's entries by the source's user tables. Errors reach the caller.
void AddTablesToMSSQLListbox(const Form1Fields& fields, QStringListModel& list, UiPort& ui);

// The statement that reads one whole source table.
std::string selectAllStatement(const std::string& table);

} // namespace qc::data
