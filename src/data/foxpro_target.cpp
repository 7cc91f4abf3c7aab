#include "data/foxpro_target.h"

#include "data/db_access.h"
#include "data/provider_string.h"
#include "foxpro/codepage.h"
#include "shell/error_trap.h"
#include "shell/locale.h"
#include "shell/settings.h"

#include <stdexcept>

namespace qc::data {

namespace {
// A path holding ";" would end the Data Source early: such a path goes in quotes.
std::string connectionString(const QString& path, const char* collation) {
    return "Provider=vfpoledb.1;Data Source=" + quoteProviderValue(path.toStdString()) +
           ";Collating Sequence=" + collation + ";";
}

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

std::string foxproConnectionString(const FoxProTarget& target) {
    return target.containerChosen ? connectionString(target.container, "machine")
                                  : connectionString(target.folder, "general");
}

std::string foxproRunConnectionString(const FoxProTarget& target) {
    return connectionString(target.containerChosen ? target.container : target.folder, "machine");
}

bool IsValidFoxProConnection(const FoxProTarget& target, UiPort& ui, QString* reason) {
    ErrorTrap trap(ui, QStringLiteral("Foxpro"), QStringLiteral("IsValidFoxProConnection"));
    std::unique_ptr<Connection> connection;
    trap.step(102, [&] { connection = std::make_unique<Connection>(); });
    // From here on a failure is the expected answer "no", not something to report.
    bool result = false;
    try {
        need(connection).setCursorLocation(adUseServer);
        need(connection).Open(foxproConnectionString(target));
        result = true;
    } catch (...) {
        if (reason)
            *reason = currentFailureText();
    }
    return result;
}

void listTargetTables(const FoxProTarget& target, QStringList& tables, UiPort& ui) {
    ErrorTrap trap(ui, QStringLiteral("Foxpro"), QStringLiteral("AddTablesToFoxproListbox"));
    std::string connectionText;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Recordset> schema;
    trap.step(102, [&] { connectionText = foxproConnectionString(target); });
    trap.step(104, [&] { connection = std::make_unique<Connection>(); });
    trap.step(106, [&] { need(connection).Open(connectionText); });
    trap.step(108, [&] { schema = need(connection).OpenSchema(adSchemaTables); });
    trap.step(110, [&] { tables.clear(); });
    // A failing end test leaves the loop (its "true" branch), so a schema that never opened is
    // reported once, not once per pass.
    while (!trap.test(112, [&] { return need(schema).Eof(); })) {
        if (trap.test(114, [&] { return text(schema->fieldValue("TABLE_TYPE")) == "TABLE"; })) {
            trap.step(116, [&] { ui.letEventsThrough(); });
            trap.step(118,
                      [&] { tables.append(QString::fromStdString(text(schema->fieldValue("TABLE_NAME")))); });
        }
        bool moved = false;
        trap.step(122, [&] {
            schema->MoveNext();
            moved = true;
        });
        // A row the recordset cannot leave would be reported again on every pass.
        if (!moved)
            break;
    }
    trap.step(126, [&] { need(schema).Close(); });
    trap.step(128, [&] { schema.reset(); });
    trap.step(130, [&] { need(connection).Close(); });
    trap.step(132, [&] { connection.reset(); });
}

void tellEngineNotices(Connection& target, UiPort& ui) {
    QStringList lines;
    for (const auto& notice : target.takeNotices())
        lines.append(QString::fromStdString(notice));
    if (!lines.isEmpty())
        ui.message(lines.join(QStringLiteral("\r\n")));
}

int chosenCodePage() {
    const int stored = ReadSetting(key::CodePage).toInt();
    return foxpro::isWritableCodePage(stored) ? stored : Locale::fromSystem().codePage;
}

} // namespace qc::data
