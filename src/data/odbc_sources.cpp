#include "data/odbc_sources.h"

#include "odbc/ado_types.h"

namespace qc::data {

const std::vector<std::string>& tablesSchemaFieldNames() {
    static const std::vector<std::string> names{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE",
                                                "DESCRIPTION"};
    return names;
}

OdbcQuerySource::OdbcQuerySource(std::unique_ptr<odbc::Statement> statement, std::int64_t rowCount,
                                 WorkerThread* reader, std::function<void()> whileWaiting,
                                 RowReadAhead::SpareRing* spare)
    : statement_(std::move(statement)), fields_(statement_->columns()), rowCount_(rowCount) {
    row_.resize(fields_.size());
    if (reader)
        readAhead_ =
            std::make_unique<RowReadAhead>(*reader, std::move(statement_), std::move(whileWaiting), spare);
}

OdbcQuerySource::OdbcQuerySource(std::vector<odbc::Column> fields, std::int64_t rowCount,
                                 std::unique_ptr<RowReadAhead> rows)
    : fields_(std::move(fields)), rowCount_(rowCount), readAhead_(std::move(rows)) {
    row_.resize(fields_.size());
}

namespace {
// SQLTables answers with TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE and REMARKS; ADO names
// them as its own schema does.
class OdbcTablesSource : public OdbcQuerySource {
  public:
    using OdbcQuerySource::OdbcQuerySource;
    const std::string& fieldName(int index) const override {
        const auto& names = tablesSchemaFieldNames();
        if (index >= 0 && static_cast<std::size_t>(index) < names.size())
            return names[static_cast<std::size_t>(index)];
        return OdbcQuerySource::fieldName(index);
    }
};
} // namespace

std::unique_ptr<Recordset::Source> odbcTablesSchema(const odbc::Connection& connection, int queryTimeout) {
    auto statement = std::make_unique<odbc::Statement>(connection);
    statement->setQueryTimeout(queryTimeout);
    statement->tables();
    return std::make_unique<OdbcTablesSource>(std::move(statement), -1);
}

RowsSource::RowsSource(std::vector<std::string> names, std::vector<int> types,
                       std::vector<std::vector<Value>> rows)
    : names_(std::move(names)), types_(std::move(types)), rows_(std::move(rows)) {}

bool RowsSource::fetch() {
    if (!started_) {
        started_ = true;
        return !rows_.empty();
    }
    if (current_ + 1 >= rows_.size()) {
        current_ = rows_.size();
        return false;
    }
    ++current_;
    return true;
}

} // namespace qc::data
