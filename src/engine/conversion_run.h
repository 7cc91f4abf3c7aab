#pragma once
// The conversion run behind "Start Converting".
//
//   ConversionRun run(ui);                  // one per main window
//   run.run(login, target, previewChoice);  // converts every source table; returns after "Done."
//   run.converting();                       // true while a run is under way (it lets window
//                                           // events through, so a second click can arrive:
//                                           // it is ignored)
//
// The run checks both databases (ending with the reason if either cannot be reached), lists the
// source and target tables, opens its two connections and converts the source tables from the
// last listed to the first: an overwrite question when the target already has the table, then
// DROP TABLE (after a Yes), CREATE TABLE and one INSERT INTO per row. Statements are executed at
// once or, in SQL Preview mode, collected and shown through ui.showSqlPreview per table or once
// at the end; how the user leaves the preview steers the rest of the run. Every step runs
// through the error trap of "Form1"/"PushButton7_Click": a failing step is reported and the run
// goes on, except that a table the target refuses (its DROP or CREATE, or a row for a reason not
// the row's own) gets no further statements, and a target that refuses everything ends the
// tables.

#include "data/db_access.h"
#include "data/foxpro_target.h"
#include "data/sql_server_login.h"
#include "engine/preview_choice.h"
#include "engine/run_observer.h"
#include "preview/datatype_rows.h"
#include "preview/sql_line_list.h"
#include "shell/error_trap.h"
#include "shell/locale.h"
#include "shell/ui_port.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qc::engine {

class ConversionRun {
  public:
    // `locale` writes the dates, times and numbers of the statements.
    explicit ConversionRun(UiPort& ui, Locale locale = Locale::fromSystem()) : ui_(ui), locale_(locale) {}

    void run(const data::SqlServerLogin& login, const data::FoxProTarget& target,
             const PreviewChoice& preview);
    bool converting() const { return converting_; }

    // Optional, for callers other than the window: only the source tables named here (in any
    // letter case) are converted, the others are passed over as if not listed; and an onlooker
    // told about each table and row. Neither changes a statement or what the port is shown.
    void setTableFilter(std::optional<QStringList> tables) { tableFilter_ = std::move(tables); }
    void setObserver(RunObserver* observer) { observer_ = observer ? observer : &noObserver_; }
    // False reads each source row only after the statement of the one before has run, as a
    // reference for measuring what reading ahead gains; the statements stay the same.
    void setReadAhead(bool readAhead) { readAhead_ = readAhead; }

    // What the last run listed and opened, and the statements it collected for the preview.
    const QStringList& sourceTables() const { return sourceTables_; }
    const QStringList& targetTables() const { return targetTables_; }
    const data::Connection* sourceConnection() const { return source_.get(); }
    const data::Connection* targetConnection() const { return target_.get(); }
    const preview::SqlLineList& sqlLines() const { return sqlLines_; }
    const preview::DatatypeRows& datatypeRows() const { return datatypeRows_; }

  private:
    enum class TableOutcome { Next, EndRun };
    TableOutcome convertTable(ErrorTrap& trap, int index);
    void copyRows(ErrorTrap& trap, const std::vector<int>& numericColumns);
    void perFilePreview(ErrorTrap& trap);
    PreviewExit showPreview();
    void tellEngineNotices();
    // Appends the statement to the SQL line list in SQL Preview mode, otherwise executes it;
    // the three numbers are those of the test, the append and the execution.
    // Returns how the target refused an executed statement, if it did; a refused row's report
    // names its source row (1-based) when `sourceRow` is given.
    struct Refused {
        data::Refusal kind;
        QString reason; // the description the target gave, as reported
    };
    std::optional<Refused> output(ErrorTrap& trap, const std::string& statement, int testLine, int appendLine,
                                  int executeLine, std::int64_t sourceRow = 0);
    // Takes note of a refusal: whether the rest of the table, or of the run, is given up.
    void refused(const std::optional<Refused>& refusal, bool statementOfTable);

    UiPort& ui_;
    const Locale locale_;
    bool converting_ = false;
    std::optional<QStringList> tableFilter_;
    bool readAhead_ = true;
    // Without an onlooker of the caller's, one that takes no notice.
    RunObserver noObserver_;
    RunObserver* observer_ = &noObserver_;

    // State of the run in progress.
    data::SqlServerLogin login_;
    data::FoxProTarget foxproTarget_;
    PreviewChoice preview_;
    QStringList sourceTables_;
    QStringList targetTables_;
    std::unique_ptr<data::Connection> source_;
    std::unique_ptr<data::Connection> target_;
    preview::SqlLineList sqlLines_;
    preview::DatatypeRows datatypeRows_;
    QString currentTable_;
    std::unique_ptr<data::Recordset> recordset_;
    bool connectionsOpen_ = false;
    bool tableRefused_ = false;  // the target takes no more rows of the current table
    bool targetRefused_ = false; // the target takes nothing more in this run
    std::int64_t rowCounter_ = 0;
    std::int64_t rowTotal_ = 0;
};

} // namespace qc::engine
