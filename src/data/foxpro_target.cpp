#include "data/foxpro_target.h"

#include "data/db_access.h"
#include "shell/error_trap.h"

#include <stdexcept>

namespace qc::data {

namespace {
template <class T> T& need(const std::unique_ptr<T>& object) {
    if (!object)
        throw std::runtime_error("Object variable or With block variable not set");
    return *object;
}

std::string text(const Value& v) {
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    return {};
}
} // namespace

void openTarget(Connection& connection, const FoxProTarget& target) {
    connection.openFoxPro(target.chosenPath().toStdString());
}

bool isValidFoxProConnection(const FoxProTarget& target, UiPort& ui, QString* reason) {
    ErrorTrap trap(ui, QStringLiteral("Foxpro"), QStringLiteral("isValidFoxProConnection"));
    std::unique_ptr<Connection> connection;
    trap.step(102, [&] { connection = std::make_unique<Connection>(); });
    // From here on a failure is the expected answer "no", not something to report.
    bool result = false;
    try {
        openTarget(need(connection), target);
        result = true;
    } catch (...) {
        if (reason)
            *reason = currentFailureText();
    }
    return result;
}

void listTargetTables(const FoxProTarget& target, QStringList& tables, UiPort& ui) {
    ErrorTrap trap(ui, QStringLiteral("Foxpro"), QStringLiteral("AddTablesToFoxproListbox"));
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Recordset> schema;
    trap.step(104, [&] { connection = std::make_unique<Connection>(); });
    trap.step(106, [&] { openTarget(need(connection), target); });
    trap.step(108, [&] { schema = need(connection).openSchema(); });
    trap.step(110, [&] { tables.clear(); });
    // A failing end test leaves the loop (its "true" branch), so a schema that never opened is
    // reported once, not once per pass.
    while (!trap.test(112, [&] { return need(schema).eof(); })) {
        if (trap.test(114, [&] { return text(schema->fieldValue("TABLE_TYPE")) == "TABLE"; })) {
            trap.step(116, [&] { ui.letEventsThrough(); });
            trap.step(118,
                      [&] { tables.append(QString::fromStdString(text(schema->fieldValue("TABLE_NAME")))); });
        }
        bool moved = false;
        trap.step(122, [&] {
            schema->moveNext();
            moved = true;
        });
        // A row the recordset cannot leave would be reported again on every pass.
        if (!moved)
            break;
    }
    trap.step(126, [&] { need(schema).close(); });
    trap.step(128, [&] { schema.reset(); });
    trap.step(130, [&] { need(connection).close(); });
    trap.step(132, [&] { connection.reset(); });
}

void tellEngineNotices(Connection& target, UiPort& ui) {
    QStringList lines;
    for (const auto& notice : target.takeNotices())
        lines.append(QString::fromStdString(notice));
    if (!lines.isEmpty())
        ui.message(lines.join(QStringLiteral("\r\n")));
}

} // namespace qc::data
