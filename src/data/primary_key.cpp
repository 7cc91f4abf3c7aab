#include "data/primary_key.h"

#include "odbc/connection.h"
#include "odbc/error.h"
#include "odbc/statement.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace qc::data {

namespace {
// The columns of SQLPrimaryKeys' result that are read (0-based).
constexpr std::size_t kColumnName = 3;
constexpr std::size_t kKeySeq = 4;
} // namespace

std::vector<std::string> primaryKeyColumns(Connection& connection, const SourceTable& table) {
    const odbc::Connection* source = connection.odbcConnection();
    if (!source)
        return {};
    std::vector<std::pair<std::int64_t, std::string>> key;
    try {
        odbc::Statement statement(*source);
        statement.setQueryTimeout(connection.commandTimeout());
        statement.primaryKeys(table.schema.toStdString(), table.name.toStdString());
        if (statement.columns().size() <= kKeySeq)
            return {};
        std::vector<Value> row;
        while (statement.next(row)) {
            const auto* name = std::get_if<std::string>(&row[kColumnName]);
            const auto* seq = std::get_if<std::int64_t>(&row[kKeySeq]);
            // A row the driver could not read leaves the key unknown, not shorter.
            if (statement.anyValueFailure() || !name || !seq)
                return {};
            key.emplace_back(*seq, *name);
        }
    } catch (const odbc::Error&) {
        return {};
    }
    // Drivers send the rows in KEY_SEQ order as ODBC asks; the order is not left to them.
    std::stable_sort(key.begin(), key.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> columns;
    columns.reserve(key.size());
    for (auto& [seq, name] : key)
        columns.push_back(std::move(name));
    return columns;
}

} // namespace qc::data
