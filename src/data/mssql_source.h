#pragma once
// The SQL Server source: the connection strings built from the login, the reachability
// check and the listing of the source's user tables.

#include "data/db_access.h"
#include "data/source_table.h"
#include "data/sql_server_login.h"
#include "shell/ui_port.h"

#include <QStringList>

#include <string>

namespace qc::data {

// "Driver={SQL Server};Server=...;Database=...;Uid=...;Pwd=...;" with "server,port" unless
// "Local Connection" is ticked.
std::string mssqlConnectionString(const SqlServerLogin& login);

// True when a connection with the login opens; nothing is shown either way. The driver's
// message goes to `reason` when given. With a port, its window's events are let through while the
// server is awaited.
bool isValidMSSQLConnection(const SqlServerLogin& login, QString* reason = nullptr, UiPort* ui = nullptr);

// A connection whose Open lets the port's window events through while it waits.
void letEventsThroughWhileOpening(Connection& connection, UiPort& ui);

// Replaces the list's entries by the source's user tables, with their schemas, in the listing's
// order; the tables the server makes for itself (madeByServer) are left out. Errors reach the
// caller, and the entries read until then stay.
void listSourceTables(const SqlServerLogin& login, SourceTables& tables, UiPort& ui);

} // namespace qc::data
