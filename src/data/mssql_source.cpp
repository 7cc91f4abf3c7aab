#include "data/mssql_source.h"

#include "data/db_access.h"
#include "odbc/connection_string.h"
#include "shell/error_trap.h"

namespace qc::data {

namespace {
// A value holding ";" (or opening with "{") would end the attribute early or let the rest be read
// as keys of its own: such a value goes in braces. Any other text stands exactly as typed.
std::string field(const QString& text) {
    return odbc::quoteAttributeValue(text.toStdString());
}

std::string text(const Value& v) {
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    return {};
}
} // namespace

std::string mssqlConnectionString(const SqlServerLogin& login) {
    std::string server = login.server.toStdString();
    if (!login.localConnection)
        server += "," + login.port.toStdString();
    return "Driver={SQL Server};Server=" + odbc::quoteAttributeValue(server) +
           ";Database=" + field(login.database) + ";Uid=" + field(login.user) +
           ";Pwd=" + field(login.password) + ";";
}

void letEventsThroughWhileOpening(Connection& connection, UiPort& ui) {
    connection.setEventPump([&ui] { ui.letEventsThrough(); });
}

bool isValidMSSQLConnection(const SqlServerLogin& login, QString* reason, UiPort* ui) {
    try {
        Connection connection;
        connection.setConnectionTimeout(login.loginTimeout);
        if (ui)
            letEventsThroughWhileOpening(connection, *ui);
        connection.open(mssqlConnectionString(login));
        return true;
    } catch (...) {
        if (reason)
            *reason = currentFailureText();
    }
    return false;
}

void listSourceTables(const SqlServerLogin& login, SourceTables& tables, UiPort& ui) {
    Connection connection;
    connection.setConnectionTimeout(login.loginTimeout);
    letEventsThroughWhileOpening(connection, ui);
    connection.open(mssqlConnectionString(login));
    auto schema = connection.openSchema();
    tables.clear();
    while (!schema->eof()) {
        if (text(schema->fieldValue("TABLE_TYPE")) == "TABLE") {
            ui.letEventsThrough();
            SourceTable table{QString::fromStdString(text(schema->fieldValue("TABLE_SCHEMA"))),
                              QString::fromStdString(text(schema->fieldValue("TABLE_NAME")))};
            if (!madeByServer(table))
                tables.append(std::move(table));
        }
        schema->moveNext();
    }
    schema->close();
    connection.close();
}

} // namespace qc::data
