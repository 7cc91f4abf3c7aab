#pragma once
// Recordset sources over ODBC: a query's rows streamed from a statement, and the tables schema.

#include "data/db_access.h"
#include "data/row_read_ahead.h"
#include "odbc/connection.h"
#include "odbc/statement.h"

#include <vector>

namespace qc::data {

// The rows of one ODBC statement, fetched as the recordset moves; the row total comes from a
// count the caller took before the stream started. With `reader`, the rows are read ahead on that
// thread and `whileWaiting` is called while the next one is awaited.
class OdbcQuerySource : public Recordset::Source {
  public:
    OdbcQuerySource(std::unique_ptr<odbc::Statement> statement, std::int64_t rowCount,
                    WorkerThread* reader = nullptr, std::function<void()> whileWaiting = {},
                    RowReadAhead::SpareRing* spare = nullptr);
    // The rows of a statement already being read ahead, whose columns were taken as it opened.
    OdbcQuerySource(std::vector<odbc::Column> fields, std::int64_t rowCount,
                    std::unique_ptr<RowReadAhead> rows);

    int fieldCount() const override { return static_cast<int>(fields_.size()); }
    const std::string& fieldName(int index) const override {
        return fields_[static_cast<std::size_t>(index)].name;
    }
    int fieldType(int index) const override { return fields_[static_cast<std::size_t>(index)].adoType; }
    bool fetch() override { return readAhead_ ? readAhead_->next(row_) : statement_->next(row_); }
    // A value that could not be read fails here, where the row's values are taken one by one.
    const Value& value(int index) const override {
        const auto column = static_cast<std::size_t>(index);
        if (const odbc::Error* failure =
                readAhead_ ? readAhead_->valueFailure(column) : statement_->valueFailure(column))
            throw *failure;
        return row_[column];
    }
    std::int64_t rowCount() override { return rowCount_; }

  private:
    std::unique_ptr<odbc::Statement> statement_;
    std::vector<odbc::Column> fields_;
    std::vector<Value> row_;
    std::int64_t rowCount_;
    std::unique_ptr<RowReadAhead> readAhead_;
};

// The tables schema of an ODBC data source, from SQLTables, under ADO's field names.
std::unique_ptr<Recordset::Source> odbcTablesSchema(const odbc::Connection& connection, int queryTimeout);

// Rows held in memory (the FoxPro provider's tables schema).
class RowsSource : public Recordset::Source {
  public:
    RowsSource(std::vector<std::string> names, std::vector<int> types, std::vector<std::vector<Value>> rows);

    int fieldCount() const override { return static_cast<int>(names_.size()); }
    const std::string& fieldName(int index) const override { return names_[static_cast<std::size_t>(index)]; }
    int fieldType(int index) const override { return types_[static_cast<std::size_t>(index)]; }
    bool fetch() override;
    const Value& value(int index) const override { return rows_[current_][static_cast<std::size_t>(index)]; }
    std::int64_t rowCount() override { return static_cast<std::int64_t>(rows_.size()); }

  private:
    std::vector<std::string> names_;
    std::vector<int> types_;
    std::vector<std::vector<Value>> rows_;
    std::size_t current_ = 0;
    bool started_ = false;
};

// The names ADO gives the first columns of the tables schema.
const std::vector<std::string>& tablesSchemaFieldNames();

} // namespace qc::data
