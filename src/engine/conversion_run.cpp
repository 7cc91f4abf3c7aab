#include "engine/conversion_run.h"

#include "data/foxpro_target.h"
#include "data/mssql_source.h"
#include "engine/recordset_fields.h"
#include "engine/row_statements.h"
#include "engine/table_dispenser.h"
#include "engine/table_list.h"
#include "engine/type_mapping.h"
#include "preview/preview_session.h"

#include <algorithm>
#include <stdexcept>

namespace qc::engine {

namespace {

// The description with the source row added: the engine closes its own with "(table NAME)",
// and the row joins it there; other descriptions get "(table NAME, source row N)" when a
// table is given.
QString withRow(QString description, const QString& table, std::int64_t sourceRow) {
    const QString row = QStringLiteral("source row ") + QString::number(sourceRow);
    if (table.isEmpty() && description.endsWith(QLatin1Char(')')))
        description.insert(description.size() - 1, QStringLiteral(", ") + row);
    else if (table.isEmpty())
        description += QStringLiteral(" (") + row + QLatin1Char(')');
    else
        description += QStringLiteral(" (table ") + table + QStringLiteral(", ") + row + QLatin1Char(')');
    return description;
}

} // namespace

void ConversionRun::closeTargetFiles() noexcept {
    if (target_)
        data::closeBeforeExit(*target_);
}

RunResult ConversionRun::run(const data::SqlServerLogin& login, const data::FoxProTarget& target,
                             PreviewChoice preview) {
    if (converting_)
        return RunResult{RunEnd::AlreadyRunning, {}, 0}; // [100]
    converting_ = true;                                  // [102]
    // The flag must fall again however the run ends, or the button would stay dead.
    struct ConvertingReset {
        bool& flag;
        ~ConvertingReset() { flag = false; }
    } reset{converting_};
    login_ = login;
    foxproTarget_ = target;
    preview_ = preview;
    result_ = {};
    const int reportsBefore = port_.reportsMade();

    ErrorTrap trap(port_, QStringLiteral("Form1"), QStringLiteral("PushButton7_Click"));
    if (start(trap)) {
        chooseTables();
        copyTables(trap);
        finish(trap);
    }
    result_.reports = port_.reportsMade() - reportsBefore;
    return result_;
} // converting_ = false [480]

RunResult ConversionRun::runJob(Job job) {
    if (converting_)
        return RunResult{RunEnd::AlreadyRunning, {}, 0};
    converting_ = true;
    struct ConvertingReset {
        bool& flag;
        TableDispenser*& dispenser;
        ~ConvertingReset() {
            flag = false;
            dispenser = nullptr;
        }
    } reset{converting_, dispenser_};
    preview_ = PreviewChoice::Off;
    result_ = {};
    const int reportsBefore = port_.reportsMade();
    recordset_.reset();
    source_ = std::move(job.source);
    target_ = std::move(job.target);
    recordset_ = std::make_unique<data::Recordset>();
    // The source waits for its rows through this job's port, not the one it was opened with.
    data::letEventsThroughWhileOpening(*source_, port_);
    sourceTables_ = std::move(job.sourceTables);
    targetTables_ = std::move(job.targetTables);
    dispenser_ = job.dispenser;
    connectionsOpen_ = true;
    targetRefused_ = false;
    sqlLines_.clear();
    datatypeRows_.clear();

    ErrorTrap trap(port_, QStringLiteral("Form1"), QStringLiteral("PushButton7_Click"));
    copyTables(trap);
    if (dispenser_ && (targetRefused_ || sourceLost_))
        dispenser_->stop();
    finish(trap);
    result_.reports = port_.reportsMade() - reportsBefore;
    return result_;
}

bool ConversionRun::start(ErrorTrap& trap) {
    // A recordset left from an earlier run goes before the connection its statement lives on.
    recordset_.reset();
    source_ = std::make_unique<data::Connection>();   // [104]
    recordset_ = std::make_unique<data::Recordset>(); // [106]
    target_ = std::make_unique<data::Connection>();   // [108]
    connectionsOpen_ = false;
    targetRefused_ = false;

    // A check that fails ends the run, but never in silence: a run that shows nothing looks like
    // a dead button, and the user presses it again.
    const auto fails = [&](Step step, const QString& side, const auto& isValid) {
        QString reason;
        if (!trap.test(step, [&] { return !isValid(&reason); }))
            return false;
        if (!reason.isEmpty())
            port_.message(side + QStringLiteral("\r\n\r\n") + reason, {}, Buttons::Ok, Icon::Exclamation);
        return true;
    };
    if (fails(Step::CheckTarget, QStringLiteral("The FoxPro target cannot be opened:"),
              [&](QString* reason) { return data::isValidFoxProConnection(foxproTarget_, port_, reason); })) {
        result_.end = RunEnd::TargetUnreachable;
        return false;
    }
    if (fails(Step::CheckSource, QStringLiteral("The SQL Server database cannot be reached:"),
              [&](QString* reason) { return data::isValidMSSQLConnection(login_, reason, &port_); })) {
        result_.end = RunEnd::SourceUnreachable;
        return false;
    }
    trap.step(Step::ShowBusy, [&] { port_.setBusy(true); });
    sourceTables_.clear(); // [120]
    targetTables_.clear(); // [122]
    trap.step(Step::ListSourceTables, [&] { data::listSourceTables(login_, sourceTables_, port_); });
    trap.step(Step::ListTargetTables, [&] { data::listTargetTables(foxproTarget_, targetTables_, port_); });

    trap.step(Step::SetTargetCommandTimeout, [&] { target_->setCommandTimeout(5000); });
    trap.step(Step::SetTargetConnectionTimeout, [&] { target_->setConnectionTimeout(5000); });
    if (targetFileSizeLimit_)
        target_->setFileSizeLimit(*targetFileSizeLimit_);
    target_->setCodePage(locale_.codePage);
    trap.step(foxproTarget_.containerChosen ? Step::OpenContainer : Step::OpenFolder,
              [&] { data::openTarget(*target_, foxproTarget_); }); // [134]

    trap.step(Step::SetSourceCommandTimeout,
              [&] { source_->setCommandTimeout(sourceTimeout_.value_or(5000)); });
    trap.step(Step::SetSourceConnectionTimeout, [&] { source_->setConnectionTimeout(5000); });
    source_->setReadAhead(readAhead_);
    connectionsOpen_ = true;                                                                 // [146]
    trap.step(login_.localConnection ? Step::OpenLocalSource : Step::OpenRemoteSource, [&] { // [148]
        data::letEventsThroughWhileOpening(*source_, port_);
        source_->open(data::mssqlConnectionString(login_));
    });

    sqlLines_.clear();     // [156]
    datatypeRows_.clear(); // [158]
    return true;
}

void ConversionRun::chooseTables() {
    order_ = conversionOrder(sourceTables_, tableFilter_);
}

void ConversionRun::copyTables(ErrorTrap& trap) {
    sourceLost_ = !source_->isOpen(); // its failure to open has been reported
    std::size_t next = 0;
    bool wentBack = false;
    while (!targetRefused_ && !sourceLost_) {
        const auto entry = nextTable(next);
        if (!entry)
            break;
        const auto& [index, takenBy] = *entry;
        const auto* following = !dispenser_ && next < order_.size() ? &order_[next] : nullptr;
        if (copyTable(trap, index, takenBy, following) == TableOutcome::EndRun) {
            wentBack = true;
            break;
        }
    }
    result_.end = targetRefused_ ? RunEnd::TargetRefused
                  : sourceLost_  ? RunEnd::SourceLost
                  : wentBack     ? RunEnd::WentBack
                                 : RunEnd::Completed;
    for (; !dispenser_ && next < order_.size(); ++next) {
        TableResult& table = result_.tables.emplace_back();
        table.table = sourceTables_[order_[next].first];
        table.fate = TableResult::Fate::NotAttempted;
    }
    tellEngineNotices();
}

std::optional<std::pair<int, QString>> ConversionRun::nextTable(std::size_t& next) {
    if (dispenser_)
        return dispenser_->take();
    if (next < order_.size())
        return order_[next++];
    return std::nullopt;
}

void ConversionRun::finish(ErrorTrap& trap) {
    perFilePreview(trap);
    if (connectionsOpen_) { // [466]
        trap.step(Step::CloseSource, [&] { source_->close(); });
        trap.step(Step::CloseTarget, [&] { target_->close(); });
    }
    trap.step(Step::ShowIdle, [&] { port_.setBusy(false); });
    trap.step(Step::ResetProgressValue, [&] { port_.setProgressValue(0); });
    trap.step(Step::ResetProgressText, [&] { port_.setProgressText(QStringLiteral("Progress Bar")); });
    trap.step(Step::SayDone, [&] { user_.runEnded(); });
    recordset_.reset();
}

ConversionRun::TableOutcome ConversionRun::copyTable(ErrorTrap& trap, int index, const QString& takenBy,
                                                     const std::pair<int, QString>* following) {
    trap.step(Step::LetEventsThroughBeforeTable, [&] { port_.letEventsThrough(); });
    TableResult& table = result_.tables.emplace_back(); // [162]
    table.table = sourceTables_[index];
    const QString shown = table.name();

    if (!takenBy.isEmpty()) {
        tell(&RunObserver::tableStarted, table);
        giveUpTable(trap, Step::BuildTable,
                    QStringLiteral("Table %1 is not converted: a table of this name comes from schema %2.")
                        .arg(shown, takenBy));
        tell(&RunObserver::tableEnded, table);
        trap.step(Step::ClearTableProgress, [&] { port_.setProgressText(QString()); });
        return TableOutcome::Next;
    }

    // Not asked (the target has no such table), or a question that failed: no DROP.
    std::optional<bool> replace;
    if (containsCaseless(targetTables_, tableName())) // [164]
        trap.step(Step::AskOverwrite, [&] { replace = user_.overwrite(tableName()); });

    if (replace == false) { // [170]
        table.fate = TableResult::Fate::Kept;
        tell(&RunObserver::tableKept, table);
        trap.step(Step::ClearTableProgress, [&] { port_.setProgressText(QString()); });
        return TableOutcome::Next;
    }
    tell(&RunObserver::tableStarted, table);
    if (preview_ == PreviewChoice::PerTable) { // [172]
        sqlLines_.clear();                     // [174]
        datatypeRows_.clear();                 // [176]
    }
    memoLimitTold_ = false;
    trap.step(Step::ShowTableProgress, [&] {
        port_.setProgressText(QStringLiteral("Please wait.. Processing table ") + tableName());
    });
    // The target's table goes only once its replacement can be built: the source query opens
    // and the definition passes the engine's limits. Nothing between the DROP and the CREATE
    // lets events through, so a Ctrl-C of the command line never falls between them.
    TableDefinition definition;
    const bool built = prepareTable(trap, definition);
    if (built && following)
        sendAhead(*following);
    if (built) {
        if (replace == true) { // [178]
            refused(output(trap, "DROP TABLE " + bracketedName(tableName().toStdString()) + ";",
                           Step::CollectDrop, Step::ExecuteDrop),
                    true);
            removeExact(targetTables_, tableName().toLower()); // [186]
        }
        if (!table.tableRefused) {
            if (preview_ == PreviewChoice::Off)
                tell(&RunObserver::tableCreating, table);
            refused(output(trap, definition.statement, Step::CollectCreate, Step::ExecuteCreate), true);
        }
        if (!table.tableRefused)
            copyRows(trap, definition.numericColumns);
    }

    if (recordset_->isOpen())
        trap.step(Step::CloseSourceQuery, [&] { recordset_->close(); });
    tell(&RunObserver::tableEnded, table);
    // [434] A table given up has nothing to preview. A complete script run goes on with the
    // next table as a skipped one does; only "< Back" (or closing the window) ends the run.
    if (built && preview_ == PreviewChoice::PerTable) { // [436, 438]
        auto exit = preview::PreviewExit::WentBack;
        trap.step(Step::ShowTablePreview, [&] { exit = showPreview(); });
        if (exit == preview::PreviewExit::WentBack) // [442]
            return TableOutcome::EndRun;
    }
    trap.step(Step::ClearTableProgress, [&] { port_.setProgressText(QString()); });
    return TableOutcome::Next; // [446]
}

void ConversionRun::sendAhead(const std::pair<int, QString>& following) {
    // A question may keep the next table (or a preview end the run): its rows would be sent for
    // nothing.
    const data::SourceTable& next = sourceTables_[static_cast<std::size_t>(following.first)];
    if (preview_ != PreviewChoice::Off || !following.second.isEmpty() ||
        containsCaseless(targetTables_, next.name))
        return;
    try {
        source_->sendAhead(data::selectAllStatement(next));
    } catch (...) {
        // Then the table's query is sent when its turn comes, and fails there if it must.
    }
}

bool ConversionRun::prepareTable(ErrorTrap& trap, TableDefinition& definition) {
    TableResult& table = current();
    try {
        recordset_->open(data::selectAllStatement(table.table), *source_);
    } catch (...) {
        const QString description = sourceFailureText();
        // A connection that is gone fails every table the same way: this report stands for them.
        sourceLost_ = source_->lost();
        giveUpTable(trap, Step::BuildTable,
                    description + QStringLiteral(" (table ") + table.name() + QLatin1Char(')'));
        return false;
    }
    table.sourceRows = recordset_->recordCount();
    definition = buildTableDefinition(trap, RecordsetFields(*recordset_), tableName(), datatypeRows_);
    try {
        if (target_->isOpen())
            target_->check(definition.statement);
    } catch (...) {
        giveUpTable(trap, Step::ExecuteCreate, currentFailureText());
        return false;
    }
    return true;
}

QString ConversionRun::sourceFailureText(std::int64_t sourceRow) const {
    try {
        throw;
    } catch (const std::exception& e) {
        if (sourceTimeout_ && data::timedOut(e)) {
            const QString text = QStringLiteral("The source sent nothing for %1 s; the read was cancelled.")
                                     .arg(*sourceTimeout_);
            return sourceRow > 0 ? withRow(text, tableName(), sourceRow) : text;
        }
    } catch (...) {
    }
    return currentFailureText();
}

void ConversionRun::giveUpTable(ErrorTrap& trap, Step step, const QString& description) {
    trap.report(step, description);
    tableGivenUp(description);
}

void ConversionRun::tableGivenUp(const QString& reason) {
    TableResult& table = current();
    table.tableRefused = true;
    if (table.firstRefusal.isEmpty())
        table.firstRefusal = reason;
}

void ConversionRun::copyRows(ErrorTrap& trap, const std::vector<int>& numericColumns) {
    if (!recordset_->isOpen())
        return; // nothing to read; the failed open has been reported
    data::Recordset& rs = *recordset_;
    TableResult& table = current();

    bool hasRows = false;
    // A failing test here means the recordset cannot be read, so the rows are skipped instead of
    // being attempted without end.
    try {
        hasRows = !rs.eof() && !rs.bof();
        table.allRead = !hasRows;
    } catch (const std::exception& e) {
        trap.report(Step::FirstRow, QString::fromUtf8(e.what()));
    }
    if (!hasRows)
        return;
    std::int64_t rowTotal = 0;
    trap.step(Step::CountRows, [&] { rowTotal = rs.recordCount(); });

    const bool literals = preview_ == PreviewChoice::Off && !rowsAsText_;
    RowStatement statement(tableName().toStdString(), numericColumns, locale_, // [322]
                           literals ? RowStatement::Output::Literals : RowStatement::Output::Text);
    const odbc::Value unread{odbc::Null{}};
    const int fieldCount = rs.fieldCount();
    for (std::int64_t row = 1;; ++row) { // [332]
        trap.step(Step::LetEventsThroughBeforeRow, [&] { port_.letEventsThrough(); });
        trap.step(Step::ShowRowProgress, [&] {
            port_.setProgressValue((static_cast<double>(row) + 1.0) / (static_cast<double>(rowTotal) + 1.0) *
                                   100.0);
        });
        statement.beginRow(); // [330, 336, 338]
        for (int field = 0; field < fieldCount; ++field) {
            trap.step(Step::LetEventsThroughBeforeValue, [&] { port_.letEventsThrough(); });
            // A value that cannot be read is written as NULL.
            const odbc::Value* value = &unread;
            try {
                value = &rs.fieldValue(field);
            } catch (...) {
                trap.report(Step::ReadValue, withRow(currentFailureText(), tableName(), row));
            }
            trap.step(Step::AppendValue, [&] { statement.appendValue(*value); });
        }
        statement.finishRow(); // [410, 412]
        const auto refusal = outputRow(trap, statement, row);
        ++table.read;
        if (refusal) {
            ++table.refused;
            if (table.firstRefusal.isEmpty())
                table.firstRefusal = refusal->reason;
        } else {
            ++table.written;
        }
        tell(&RunObserver::rowDone, table);
        refused(refusal, false);
        if (table.tableRefused)
            break;

        // A failed move leaves the stream where it is: going on would repeat the same row.
        bool moved = true;
        try {
            rs.moveNext();
        } catch (const std::exception&) {
            moved = false;
            const QString description = sourceFailureText(row + 1);
            trap.report(Step::MoveToNextRow, description);
            tableGivenUp(description);
        }
        if (!moved) {
            // The rest of the source is as far out of reach as the rest of this table.
            sourceLost_ = source_->lost();
            break;
        }
        bool more = false;
        try {
            more = !rs.eof();
            table.allRead = !more;
        } catch (const std::exception& e) {
            trap.report(Step::CheckEndOfRows, QString::fromUtf8(e.what()));
        }
        if (!more)
            break;
    }
}

void ConversionRun::perFilePreview(ErrorTrap& trap) {
    if (preview_ != PreviewChoice::PerFile) // [448, 450]
        return;
    auto exit = preview::PreviewExit::WentBack; // [452]
    trap.step(Step::ShowPreview, [&] { exit = showPreview(); });
    tellEngineNotices(); // before the connection may close below
    if (exit == preview::PreviewExit::WentBack && result_.end == RunEnd::Completed)
        result_.end = RunEnd::WentBack;
    if (exit != preview::PreviewExit::Executed) { // [456]
        trap.step(Step::CloseSourceAfterPreview, [&] { source_->close(); });
        trap.step(Step::CloseTargetAfterPreview, [&] { target_->close(); });
        connectionsOpen_ = false; // [462]
        trap.step(Step::ClearProgressAfterPreview, [&] { port_.setProgressText(QString()); });
    }
}

std::optional<ConversionRun::Refused> ConversionRun::output(ErrorTrap& trap, const std::string& statement,
                                                            Step collect, Step execute,
                                                            std::int64_t sourceRow) {
    if (preview_ != PreviewChoice::Off) {
        trap.step(collect, [&] {
            if (statementSink_)
                statementSink_(statement);
            else
                sqlLines_.append(statement);
        });
        return std::nullopt;
    }
    return executeOnTarget(trap, execute, sourceRow, [&] { target_->execute(statement); });
}

std::optional<ConversionRun::Refused> ConversionRun::outputRow(ErrorTrap& trap, const RowStatement& statement,
                                                               std::int64_t sourceRow) {
    if (statement.output() == RowStatement::Output::Text)
        return output(trap, statement.text(), Step::CollectInsert, Step::ExecuteInsert, sourceRow);
    return executeOnTarget(trap, Step::ExecuteInsert, sourceRow, [&] {
        if (statement.literalsParse())
            target_->execute(statement.literals());
        else
            target_->execute(statement.renderText()); // refused as its text is
    });
}

template <typename Execute>
std::optional<ConversionRun::Refused> ConversionRun::executeOnTarget(ErrorTrap& trap, Step execute,
                                                                     std::int64_t sourceRow,
                                                                     const Execute& executeIt) {
    // A target connection that never opened takes nothing: that is the whole target refusing.
    const bool targetOpen = target_->isOpen();
    try {
        executeIt();
        return std::nullopt;
    } catch (const std::exception& e) {
        QString description = QString::fromUtf8(e.what());
        if (sourceRow > 0)
            description = withRow(description, QString(), sourceRow);
        const data::Refusal kind = targetOpen ? data::refusalOf(e) : data::Refusal::Target;
        // Every later row with a memo value meets the memo file's limit again: one report
        // stands for them, and the result still counts each.
        if (kind != data::Refusal::MemoLimit || !memoLimitTold_)
            trap.report(execute, description);
        memoLimitTold_ = memoLimitTold_ || kind == data::Refusal::MemoLimit;
        return Refused{kind, description};
    } catch (...) {
        const QString description = QStringLiteral("Unknown error.");
        trap.report(execute, description);
        return Refused{targetOpen ? data::Refusal::Row : data::Refusal::Target, description};
    }
}

preview::PreviewExit ConversionRun::showPreview() {
    preview::PreviewSession session{sqlLines_, datatypeRows_, target_.get()};
    return user_.preview(session);
}

void ConversionRun::tellEngineNotices() {
    // What the engine mended on its own while the target was written to, told once the
    // statements have run (a preview's script runs on the same connection).
    if (target_ && target_->isOpen())
        data::tellEngineNotices(*target_, port_);
}

void ConversionRun::refused(const std::optional<Refused>& refusal, bool statementOfTable) {
    if (!refusal)
        return;
    // A refusal that is not the row's own would repeat for every remaining row: a full disk,
    // a read-only target or a table another program holds gives one report per row, with no
    // way out for the user but killing the program, and a table whose creation failed may be
    // another program's, which must not receive these rows. So one report stands for the
    // table, and for the run when the whole target refuses. A table's DROP or CREATE that is
    // refused leaves the table in no state to take rows, whatever the reason.
    if (statementOfTable ||
        (refusal->kind != data::Refusal::Row && refusal->kind != data::Refusal::MemoLimit))
        tableGivenUp(refusal->reason);
    if (refusal->kind == data::Refusal::Target)
        targetRefused_ = true;
}

} // namespace qc::engine
