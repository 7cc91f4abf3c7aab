#pragma once
// The conversion run behind "Start Converting".
//
//   ConversionRun run(form, ui);   // one per main window
//   run.PushButton7_Click();       // converts every source table; returns after "Done."
//   run.converting();              // true while a run is under way (it lets window events
//                                  // through, so a second click can arrive: it is ignored)
//
// The run checks both databases (ending with the reason if either cannot be reached), refills
// form.List1 and form.List2, opens form.mssql_conn and form.FoxPro_conn and converts the tables
// of List1 from the last entry to the first: an overwrite question when the target already has
// the table, then DROP TABLE (after a Yes), CREATE TABLE and one INSERT INTO per row. Statements
// are executed at once or, with form.fields.Check1, collected in form.sqlLines and shown through
// ui.showModal(ModalWindow::SqlPreview) per table (Option2) or once at the end (Option1); the
// preview steers the run through ExecuteTableSQL and form.SQLFormOK. Every step runs through the
// error trap of "Form1"/"PushButton7_Click": a failing step is reported and the run goes on,
// except that a table the target refuses (its DROP or CREATE, or a row for a reason not the
// row's own) gets no further statements, and a target that refuses everything ends the tables.

#include "app/error_trap.h"
#include "app/ui_port.h"
#include "data/db_access.h"
#include "engine/main_form.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qc::engine {

class ConversionRun {
  public:
    ConversionRun(MainForm& form, UiPort& ui) : form_(form), ui_(ui) {}

    void PushButton7_Click();
    bool converting() const { return Converting; }

  private:
    enum class TableOutcome { Next, EndRun };
    TableOutcome convertTable(ErrorTrap& trap, int index);
    void copyRows(ErrorTrap& trap, const std::vector<int>& numericColumns);
    void perFilePreview(ErrorTrap& trap);
    void tellEngineNotices();
    // Appends the statement to the SQL line list in SQL Preview mode, otherwise executes it;
    // the three numbers are those of the test, the append and the execution.
    // Returns how the target refused an executed statement, if it did; a refused row's report
    // names its source row (1-based) when `sourceRow` is given.
    std::optional<data::Refusal> output(ErrorTrap& trap, const std::string& statement, int testLine,
                                        int appendLine, int executeLine, std::int64_t sourceRow = 0);
    // Takes note of a refusal: whether the rest of the table, or of the run, is given up.
    void refused(std::optional<data::Refusal> refusal, bool statementOfTable);

    MainForm& form_;
    UiPort& ui_;
    bool Converting = false;

    // State of the run in progress.
    QString CurrentTable;
    std::unique_ptr<data::Recordset> recordset_;
    bool connectionsOpen_ = false;
    bool tableRefused_ = false;  // the target takes no more rows of the current table
    bool targetRefused_ = false; // the target takes nothing more in this run
    std::int64_t rowCounter_ = 0;
    std::int64_t rowTotal_ = 0;
};

} // namespace qc::engine
