#pragma once
// The conversion run behind "Start Converting".
//
//   ConversionRun run(user);                           // one per main window
//   RunResult result = run.run(login, target, choice); // converts every source table
//   run.converting();                                  // true while a run is under way (it lets
//                                                      // window events through, so a second
//                                                      // click can arrive: it is ignored)
//
// The run goes in three parts. It starts: both databases are checked (ending with the reason if
// either cannot be reached), the source and target tables listed and the two connections opened.
// It copies the source tables from the last listed to the first, each one in turn: the overwrite
// question when the target already has it, then the source query is opened and the table
// definition built and checked, and only then DROP TABLE (after a Yes), CREATE TABLE and one
// INSERT INTO per row. A table whose source cannot be read or whose definition the target would
// refuse gets one report and no statement, so the target's table of that name stays as it was.
// Statements are executed at once or, in SQL Preview mode, collected and shown to the user per
// table or once at the end; a preview left with "< Back" ends the run. It finishes: the
// connections close and the user is told the run is over.
//
// A step that can fail runs in the error trap of "Form1"/"PushButton7_Click" (see Step): a
// failure is reported and the run goes on, except that a table the target refuses (its DROP or
// CREATE, or a row for a reason not the row's own) gets no further statements, and a target that
// refuses everything, or a source whose connection is lost, ends the tables.
//
// Tables of one name in two schemas of the source would both become one FoxPro table: the one
// in the default schema keeps the name (else the first converted), and each other is reported
// once and not converted.

#include "data/db_access.h"
#include "data/foxpro_target.h"
#include "data/source_table.h"
#include "data/sql_server_login.h"
#include "engine/preview_choice.h"
#include "engine/row_statements.h"
#include "engine/run_observer.h"
#include "engine/run_result.h"
#include "engine/run_steps.h"
#include "engine/run_user.h"
#include "engine/type_mapping.h"
#include "preview/datatype_rows.h"
#include "preview/sql_line_list.h"
#include "shell/error_trap.h"
#include "shell/locale.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qc::engine {

class TableDispenser;

class ConversionRun {
  public:
    // `locale` writes the dates, times and numbers of the statements, and gives new tables their
    // code page.
    explicit ConversionRun(RunUser& user, Locale locale = Locale::fromSystem())
        : user_(user), port_(user.port()), locale_(locale) {}

    RunResult run(const data::SqlServerLogin& login, const data::FoxProTarget& target, PreviewChoice preview);
    bool converting() const { return converting_; }

    // One job of a run of several (table_jobs.h): converts each table `dispenser` hands out,
    // from `source` into `target` (both open and the job's own), exactly as run() converts it,
    // with its statements executed. A source whose connection is lost, or a target that refuses
    // everything, stops the dispenser. The result holds the tables this job converted; those
    // never handed out are the caller's to list.
    struct Job {
        std::unique_ptr<data::Connection> source;
        std::unique_ptr<data::Connection> target;
        data::SourceTables sourceTables;
        QStringList targetTables;
        TableDispenser* dispenser = nullptr;
    };
    RunResult runJob(Job job);
    // What the run in progress has done so far (after it: what it did, as run() returned).
    const RunResult& result() const { return result_; }
    // Closes the target's files where the run stands, between two statements, for a program
    // that ends without unwinding the run (the window closing mid-run): each table gives back the
    // room it took ahead of its rows. A failure is not told; the next writer puts it right.
    void closeTargetFiles() noexcept;

    // Optional, for callers other than the window: only the source tables named here (in any
    // letter case, bare or as "schema.name") are converted, the others are passed over as if not
    // listed; and onlookers told about each table and row, in the order added. Neither changes a
    // statement or what the user is shown.
    void setTableFilter(std::optional<QStringList> tables) { tableFilter_ = std::move(tables); }
    void addObserver(RunObserver& observer) { observers_.push_back(&observer); }
    // Optional: in SQL Preview mode each statement goes to `sink` as it is made instead of into
    // the SQL line list, so a caller that writes them out holds none of them; a sink never throws.
    void setStatementSink(std::function<void(const std::string&)> sink) { statementSink_ = std::move(sink); }
    // Optional: the seconds a source statement may wait for the server to send something before
    // it is cancelled and its table ended with one report (the window's run allows 5,000).
    void setSourceTimeout(std::optional<int> seconds) { sourceTimeout_ = seconds; }
    // False reads each source row only after the statement of the one before has run, as a
    // reference for measuring what reading ahead gains; the statements stay the same.
    void setReadAhead(bool readAhead) { readAhead_ = readAhead; }
    // True has the engine read each row's statement from its text in immediate mode too, as a
    // reference for measuring what handing it the values gains; the files written are the same.
    void setRowsAsText(bool rowsAsText) { rowsAsText_ = rowsAsText; }
    // The code page of the tables the next run creates, in place of the locale's.
    void setCodePage(int codePage) { locale_.codePage = codePage; }
    int codePage() const { return locale_.codePage; }
    // The size no file of the target may pass; a test sets it low to meet the limit soon.
    void setTargetFileSizeLimit(std::uint64_t bytes) { targetFileSizeLimit_ = bytes; }

    // What the last run listed and opened, and the statements it collected for the preview.
    const data::SourceTables& sourceTables() const { return sourceTables_; }
    const QStringList& targetTables() const { return targetTables_; }
    const data::Connection* sourceConnection() const { return source_.get(); }
    const data::Connection* targetConnection() const { return target_.get(); }
    const preview::SqlLineList& sqlLines() const { return sqlLines_; }
    const preview::DatatypeRows& datatypeRows() const { return datatypeRows_; }

  private:
    // Checks both databases, lists their tables and opens the connections; false when either
    // database cannot be reached (the user has been told why).
    bool start(ErrorTrap& trap);
    // The tables the run converts, from the listing's last entry back to its first.
    void chooseTables();
    void copyTables(ErrorTrap& trap);
    // The next table to convert, from the run's order or the job's dispenser.
    std::optional<std::pair<int, QString>> nextTable(std::size_t& next);
    enum class TableOutcome { Next, EndRun };
    // `takenBy`: the schema whose table of the same name has the FoxPro name, when not this one.
    // `following`: the run's next table, when it is known (not a job's).
    TableOutcome copyTable(ErrorTrap& trap, int index, const QString& takenBy,
                           const std::pair<int, QString>* following);
    // Has the source send the query of the run's next table once this table's rows are read,
    // where that table is sure to be read next without a question first.
    void sendAhead(const std::pair<int, QString>& following);
    void finish(ErrorTrap& trap);
    TableResult& current() { return result_.tables.back(); }
    const TableResult& current() const { return result_.tables.back(); }
    // The FoxPro table's name: the current source table's bare name.
    const QString& tableName() const { return current().table.name; }
    // Opens the source query and builds and checks the definition; false, after one report
    // naming the table, when the table cannot be built.
    bool prepareTable(ErrorTrap& trap, TableDefinition& definition);
    // The description of the failure being handled, in words of the run's time-out when the
    // source ran into it, naming the source row that never came when one is given.
    QString sourceFailureText(std::int64_t sourceRow = 0) const;
    // One report for the table, which is not converted.
    void giveUpTable(ErrorTrap& trap, Step step, const QString& description);
    // The current table takes no more statements; `reason` is its first refusal unless it has one.
    void tableGivenUp(const QString& reason);
    void copyRows(ErrorTrap& trap, const std::vector<int>& numericColumns);
    void perFilePreview(ErrorTrap& trap);
    preview::PreviewExit showPreview();
    void tellEngineNotices();
    // Appends the statement to the SQL line list in SQL Preview mode (step `collect`), otherwise
    // executes it (step `execute`). Returns how the target refused an executed statement, if it did; a
    // refused row's report names its source row (1-based) when `sourceRow` is given.
    struct Refused {
        data::Refusal kind;
        QString reason; // the description the target gave, as reported
    };
    std::optional<Refused> output(ErrorTrap& trap, const std::string& statement, Step collect, Step execute,
                                  std::int64_t sourceRow = 0);
    // The row's statement as output() takes its text; in immediate mode the engine is handed the
    // row's values, unless the text is asked for.
    std::optional<Refused> outputRow(ErrorTrap& trap, const RowStatement& statement, std::int64_t sourceRow);
    // Has the target execute a statement; how it refused, if it did.
    template <typename Execute>
    std::optional<Refused> executeOnTarget(ErrorTrap& trap, Step execute, std::int64_t sourceRow,
                                           const Execute& executeIt);
    // Takes note of a refusal: whether the rest of the table, or of the run, is given up.
    void refused(const std::optional<Refused>& refusal, bool statementOfTable);

    RunUser& user_;
    UiPort& port_;
    Locale locale_;
    bool converting_ = false;
    std::optional<QStringList> tableFilter_;
    bool readAhead_ = true;
    bool rowsAsText_ = false;
    std::optional<std::uint64_t> targetFileSizeLimit_;
    std::function<void(const std::string&)> statementSink_;
    std::optional<int> sourceTimeout_;
    std::vector<RunObserver*> observers_;
    // Tells every onlooker.
    template <class Call> void tell(Call call, const TableResult& table) {
        for (RunObserver* observer : observers_)
            (observer->*call)(table);
    }

    // State of the run in progress.
    data::SqlServerLogin login_;
    data::FoxProTarget foxproTarget_;
    PreviewChoice preview_ = PreviewChoice::Off;
    RunResult result_;
    data::SourceTables sourceTables_;
    // Indexes into sourceTables_ in the order the run converts them, each with the shown name of
    // the table that took its FoxPro name first, if one did.
    std::vector<std::pair<int, QString>> order_;
    TableDispenser* dispenser_ = nullptr; // a job's, in place of order_
    QStringList targetTables_;
    std::unique_ptr<data::Connection> source_;
    std::unique_ptr<data::Connection> target_;
    preview::SqlLineList sqlLines_;
    preview::DatatypeRows datatypeRows_;
    std::unique_ptr<data::Recordset> recordset_;
    bool connectionsOpen_ = false;
    bool memoLimitTold_ = false; // the current table's memo file limit was reported
    bool targetRefused_ = false; // the target takes nothing more in this run
    bool sourceLost_ = false;    // the source's connection is gone: no further table can be read
};

} // namespace qc::engine
