#pragma once
// The SQL Server source: the connection strings built from the login fields, the reachability
// check and the listing of the source's user tables.

#include "app/ui_port.h"
#include "data/db_access.h"
#include "data/form1_fields.h"

#include <QStringListModel>

#include <string>

namespace qc::data {

// "Driver={SQL Server};Server=...;Database=...;Uid=...;Pwd=...;" with "server,port" unless
// "Local Connection" is ticked.
std::string mssqlConnectionString(const Form1Fields& fields);

// True when a connection with the login fields opens; nothing is shown either way. The driver's
// message goes to `reason` when given. With a port, its window's events are let through while the
// server is awaited.
bool IsValidMSSQLConnection(const Form1Fields& fields, QString* reason = nullptr, UiPort* ui = nullptr);

// A connection whose Open lets the port's window events through while it waits.
void letEventsThroughWhileOpening(Connection& connection, UiPort& ui);

// Replaces the list's entries by the source's user tables. Errors reach the caller.
void AddTablesToMSSQLListbox(const Form1Fields& fields, QStringListModel& list, UiPort& ui);

// The statement that reads one whole source table.
std::string selectAllStatement(const std::string& table);

} // namespace qc::data
