#include "engine/conversion_run.h"

#include "data/foxpro_target.h"
#include "data/mssql_source.h"
#include "engine/row_statements.h"
#include "engine/table_list.h"
#include "engine/type_mapping.h"
#include "preview/preview_session.h"

#include <QHash>

#include <algorithm>
#include <stdexcept>

namespace qc::engine {

namespace {

template <class T> T& existing(const std::unique_ptr<T>& object) {
    if (!object)
        throw std::runtime_error("Object variable or With block variable not set");
    return *object;
}

// The fields of the run's recordset; reading them from a closed one fails as ADO does.
class RecordsetFields : public FieldList {
  public:
    explicit RecordsetFields(const data::Recordset& recordset) : recordset_(recordset) {}
    int count() const override {
        if (!recordset_.isOpen())
            throw std::runtime_error("Operation is not allowed when the object is closed.");
        return recordset_.fieldCount();
    }
    const std::string& name(int field) const override { return recordset_.fieldName(field); }
    int type(int field) const override { return recordset_.fieldType(field); }

  private:
    const data::Recordset& recordset_;
};

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

void ConversionRun::run(const data::SqlServerLogin& login, const data::FoxProTarget& target,
                        const PreviewChoice& preview) {
    ErrorTrap trap(ui_, QStringLiteral("Form1"), QStringLiteral("PushButton7_Click"));
    if (converting_)
        return;         // [100]
    converting_ = true; // [102]
    // The flag must fall again however the run ends, or the button would stay dead.
    struct ConvertingReset {
        bool& flag;
        ~ConvertingReset() { flag = false; }
    } reset{converting_};
    login_ = login;
    foxproTarget_ = target;
    preview_ = preview;

    // A recordset left from an earlier run goes before the connection its statement lives on.
    recordset_.reset();
    trap.step(104, [&] { source_ = std::make_unique<data::Connection>(); });
    trap.step(106, [&] { recordset_ = std::make_unique<data::Recordset>(); });
    trap.step(108, [&] { target_ = std::make_unique<data::Connection>(); });
    connectionsOpen_ = false;
    targetRefused_ = false;

    // A check that fails ends the run, but never in silence: a run that shows nothing looks like
    // a dead button, and the user presses it again.
    const auto fails = [&](int line, const QString& side, const auto& isValid) {
        QString reason;
        if (!trap.test(line, [&] { return !isValid(&reason); }))
            return false;
        if (!reason.isEmpty())
            ui_.message(side + QStringLiteral("\r\n\r\n") + reason, {}, Buttons::Ok, Icon::Exclamation);
        return true;
    };
    if (fails(114, QStringLiteral("The FoxPro target cannot be opened:"),
              [&](QString* reason) { return data::IsValidFoxProConnection(foxproTarget_, ui_, reason); }) ||
        fails(116, QStringLiteral("The SQL Server database cannot be reached:"),
              [&](QString* reason) { return data::IsValidMSSQLConnection(login_, reason, &ui_); }))
        return;
    trap.step(118, [&] { ui_.setBusy(true); });
    trap.step(120, [&] { sourceTables_.clear(); });
    trap.step(122, [&] { targetTables_.clear(); });
    trap.step(124, [&] { data::listSourceTables(login_, sourceTables_, ui_); });
    trap.step(126, [&] { data::listTargetTables(foxproTarget_, targetTables_, ui_); });

    trap.step(128, [&] { existing(target_).setCursorLocation(data::adUseServer); });
    trap.step(130, [&] { existing(target_).setCommandTimeout(5000); });
    trap.step(132, [&] { existing(target_).setConnectionTimeout(5000); });
    if (target_ && targetFileSizeLimit_)
        target_->setFileSizeLimit(*targetFileSizeLimit_);
    if (target_)
        target_->setCodePage(locale_.codePage);
    const auto openTarget = [&] { existing(target_).Open(data::foxproRunConnectionString(foxproTarget_)); };
    if (trap.test(134, [&] { return foxproTarget_.containerChosen; }))
        trap.step(136, openTarget);
    else
        trap.step(138, openTarget);

    trap.step(140, [&] { existing(source_).setCursorLocation(data::adUseServer); });
    trap.step(142, [&] { existing(source_).setCommandTimeout(sourceTimeout_.value_or(5000)); });
    trap.step(144, [&] { existing(source_).setConnectionTimeout(5000); });
    if (source_)
        source_->setReadAhead(readAhead_);
    connectionsOpen_ = true; // [146]
    const auto openSource = [&] {
        data::Connection& source = existing(source_);
        data::letEventsThroughWhileOpening(source, ui_);
        source.Open(data::mssqlConnectionString(login_));
    };
    if (trap.test(148, [&] { return login_.localConnection; }))
        trap.step(150, openSource);
    else
        trap.step(152, openSource);

    trap.step(156, [&] { sqlLines_.clear(); });
    trap.step(158, [&] { datatypeRows_.clear(); });

    int last = -1;
    trap.step(154, [&] { last = static_cast<int>(sourceTables_.size()) - 1; });
    chooseTables(last);
    sourceLost_ = !source_ || !source_->isOpen(); // its failure to open has been reported
    std::size_t next = 0;
    while (next < order_.size() && !targetRefused_ && !sourceLost_) {
        const auto& [index, takenBy] = order_[next++];
        if (convertTable(trap, index, takenBy) == TableOutcome::EndRun)
            break;
    }
    for (; next < order_.size(); ++next)
        observer_->tableNotAttempted(sourceTables_[order_[next].first].shownName());
    tellEngineNotices();

    perFilePreview(trap);

    if (trap.test(466, [&] { return connectionsOpen_; })) {
        trap.step(468, [&] { existing(source_).Close(); });
        trap.step(470, [&] { existing(target_).Close(); });
    }
    trap.step(472, [&] { ui_.setBusy(false); });
    trap.step(474, [&] { ui_.setProgressValue(0); });
    trap.step(476, [&] { ui_.setProgressText(QStringLiteral("Progress Bar")); });
    trap.step(478, [&] { ui_.message(QStringLiteral("Done.")); });
    recordset_.reset();
} // converting_ = false [480]

void ConversionRun::chooseTables(int last) {
    order_.clear();
    // The schema whose table took each FoxPro name: the default schema's wherever it comes in
    // the order, else the first.
    QHash<QString, QString> owner;
    const data::SourceTable::DefaultSchemaNames defaultNames(sourceTables_);
    for (int index = last; index >= 0; --index) {
        const data::SourceTable& table = sourceTables_[index];
        if (tableFilter_ &&
            std::none_of(tableFilter_->begin(), tableFilter_->end(),
                         [&](const QString& wanted) { return table.isNamed(wanted, defaultNames); }))
            continue;
        order_.emplace_back(index, QString());
        const QString key = table.name.toLower();
        if (table.inDefaultSchema() || !owner.contains(key))
            owner.insert(key, table.schema);
    }
    for (auto& [index, takenBy] : order_) {
        const QString& schema = owner.value(sourceTables_[index].name.toLower());
        if (schema != sourceTables_[index].schema)
            takenBy = schema;
    }
}

ConversionRun::TableOutcome ConversionRun::convertTable(ErrorTrap& trap, int index, const QString& takenBy) {
    constexpr int kNotAsked = 0;
    int answer = kNotAsked;

    trap.step(160, [&] { ui_.letEventsThrough(); });
    trap.step(162, [&] {
        if (index >= sourceTables_.size())
            throw std::out_of_range("Invalid list index.");
        sourceTable_ = sourceTables_[index];
        currentTable_ = sourceTable_.name;
    });
    const QString shown = sourceTable_.shownName();

    if (!takenBy.isEmpty()) {
        observer_->tableStarted(shown);
        giveUpTable(trap, 190,
                    QStringLiteral("Table %1 is not converted: a table of this name comes from schema %2.")
                        .arg(shown, takenBy));
        observer_->tableEnded();
        trap.step(444, [&] { ui_.setProgressText(QString()); });
        return TableOutcome::Next;
    }

    if (trap.test(164, [&] { return containsCaseless(targetTables_, currentTable_); }))
        trap.step(166, [&] {
            answer = static_cast<int>(ui_.message(QStringLiteral("Would you like to overwrite ") +
                                                      currentTable_ + QStringLiteral("?"),
                                                  QStringLiteral("Overwrite?"), Buttons::YesNo, Icon::None));
        });
    else
        answer = kNotAsked; // [168]

    if (answer == static_cast<int>(Answer::No)) { // [170]
        observer_->tableKept(shown);
    } else {
        observer_->tableStarted(shown);
        if (trap.test(172, [&] { return preview_.afterEachTable; })) {
            trap.step(174, [&] { sqlLines_.clear(); });
            trap.step(176, [&] { datatypeRows_.clear(); });
        }
        tableRefused_ = false;
        memoLimitTold_ = false;
        trap.step(188, [&] {
            ui_.setProgressText(QStringLiteral("Please wait.. Processing table ") + currentTable_);
        });
        // The target's table goes only once its replacement can be built: the source query opens
        // and the definition passes the engine's limits. Nothing between the DROP and the CREATE
        // lets events through, so a Ctrl-C of the command line never falls between them.
        TableDefinition definition;
        const bool built = prepareTable(trap, definition);
        if (built) {
            const std::string table = currentTable_.toStdString();
            if (answer == static_cast<int>(Answer::Yes)) { // [178]
                refused(output(trap, "DROP TABLE " + bracketedName(table) + ";", 180, 182, 184), true);
                trap.step(186, [&] { removeExact(targetTables_, currentTable_.toLower()); });
            }
            if (!tableRefused_) {
                if (!preview_.enabled)
                    observer_->tableCreating();
                refused(output(trap, definition.statement, 316, 318, 320), true);
            }
            if (!tableRefused_)
                copyRows(trap, definition.NumericColumns);
        }

        if (recordset_ && recordset_->isOpen())
            trap.step(432, [&] { recordset_->Close(); });
        observer_->tableEnded();
        // [434] A table given up has nothing to preview. A complete script run goes on with the
        // next table as a skipped one does; only "< Back" (or closing the window) ends the run.
        if (built && trap.test(436, [&] { return preview_.enabled; }) &&
            trap.test(438, [&] { return preview_.afterEachTable; })) {
            PreviewExit exit = PreviewExit::WentBack;
            trap.step(440, [&] { exit = showPreview(); });
            if (trap.test(442, [&] { return exit == PreviewExit::WentBack; }))
                return TableOutcome::EndRun;
        }
    }
    trap.step(444, [&] { ui_.setProgressText(QString()); });
    return TableOutcome::Next; // [446]
}

bool ConversionRun::prepareTable(ErrorTrap& trap, TableDefinition& definition) {
    try {
        existing(recordset_)
            .Open(data::selectAllStatement(sourceTable_), existing(source_), data::adOpenStatic,
                  data::adLockOptimistic);
    } catch (...) {
        const QString description = sourceFailureText();
        // A connection that is gone fails every table the same way: this report stands for them.
        sourceLost_ = source_ && source_->lost();
        giveUpTable(trap, 190,
                    description + QStringLiteral(" (table ") + sourceTable_.shownName() + QLatin1Char(')'));
        return false;
    }
    observer_->rowsExpected(recordset_->RecordCount());
    definition = buildTableDefinition(trap, RecordsetFields(*recordset_), currentTable_, datatypeRows_);
    try {
        if (target_ && target_->isOpen())
            target_->Check(definition.statement);
    } catch (...) {
        giveUpTable(trap, 320, currentFailureText());
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
            return sourceRow > 0 ? withRow(text, currentTable_, sourceRow) : text;
        }
    } catch (...) {
    }
    return currentFailureText();
}

void ConversionRun::giveUpTable(ErrorTrap& trap, int line, const QString& description) {
    trap.report(line, description);
    tableRefused_ = true;
    observer_->tableRefused(description);
}

void ConversionRun::copyRows(ErrorTrap& trap, const std::vector<int>& numericColumns) {
    rowCounter_ = 0;
    rowTotal_ = 0;
    if (!recordset_ || !recordset_->isOpen())
        return; // nothing to read; the failed open has been reported
    data::Recordset& rs = *recordset_;

    std::vector<int> numeric;
    trap.step(322, [&] { numeric = numericColumns; });
    bool hasRows = false;
    // A failing test here means the recordset cannot be read, so the rows are skipped instead of
    // being attempted without end.
    try {
        hasRows = !rs.Eof() && !rs.Bof();
        if (!hasRows)
            observer_->allRowsRead();
    } catch (const std::exception& e) {
        trap.report(324, QString::fromUtf8(e.what()));
    }
    if (!hasRows)
        return;
    trap.step(326, [&] { rowTotal_ = rs.RecordCount(); });

    RowStatement statement(currentTable_.toStdString(), std::move(numeric), locale_);
    const odbc::Value unread{odbc::Null{}};
    const int fieldCount = rs.fieldCount();
    for (;;) {
        trap.step(328, [&] { ui_.letEventsThrough(); });
        ++rowCounter_; // [332]
        trap.step(334, [&] {
            ui_.setProgressValue((static_cast<double>(rowCounter_) + 1.0) /
                                 (static_cast<double>(rowTotal_) + 1.0) * 100.0);
        });
        statement.beginRow(); // [330, 336, 338]
        for (int field = 0; field < fieldCount; ++field) {
            trap.step(342, [&] { ui_.letEventsThrough(); });
            // A value that cannot be read is written as NULL.
            const odbc::Value* value = &unread;
            try {
                value = &rs.fieldValue(field);
            } catch (...) {
                trap.report(344, withRow(currentFailureText(), currentTable_, rowCounter_));
            }
            trap.step(346, [&] { statement.appendValue(*value); });
        }
        statement.finishRow(); // [410, 412]
        const auto refusal = output(trap, statement.text(), 414, 416, 426, rowCounter_);
        observer_->rowDone(refusal ? refusal->reason : QString());
        refused(refusal, false);
        if (tableRefused_)
            break;

        // A failed move leaves the stream where it is: going on would repeat the same row.
        bool moved = true;
        try {
            rs.MoveNext();
        } catch (const std::exception&) {
            moved = false;
            const QString description = sourceFailureText(rowCounter_ + 1);
            trap.report(428, description);
            observer_->tableRefused(description);
        }
        if (!moved) {
            // The rest of the source is as far out of reach as the rest of this table.
            sourceLost_ = source_ && source_->lost();
            break;
        }
        bool more = false;
        try {
            more = !rs.Eof();
            if (!more)
                observer_->allRowsRead();
        } catch (const std::exception& e) {
            trap.report(430, QString::fromUtf8(e.what()));
        }
        if (!more)
            break;
    }
}

void ConversionRun::perFilePreview(ErrorTrap& trap) {
    if (!trap.test(448, [&] { return preview_.enabled; }) ||
        !trap.test(450, [&] { return preview_.afterAllTables; }))
        return;
    PreviewExit exit = PreviewExit::WentBack; // [452]
    trap.step(454, [&] { exit = showPreview(); });
    tellEngineNotices(); // before the connection may close below
    if (trap.test(456, [&] { return exit != PreviewExit::Executed; })) {
        trap.step(458, [&] { existing(source_).Close(); });
        trap.step(460, [&] { existing(target_).Close(); });
        connectionsOpen_ = false; // [462]
        trap.step(464, [&] { ui_.setProgressText(QString()); });
    }
}

std::optional<ConversionRun::Refused> ConversionRun::output(ErrorTrap& trap, const std::string& statement,
                                                            int testLine, int appendLine, int executeLine,
                                                            std::int64_t sourceRow) {
    if (trap.test(testLine, [&] { return preview_.enabled; })) {
        trap.step(appendLine, [&] {
            if (statementSink_)
                statementSink_(statement);
            else
                sqlLines_.append(statement);
        });
        return std::nullopt;
    }
    // A target connection that never opened takes nothing: that is the whole target refusing.
    const bool targetOpen = target_ && target_->isOpen();
    try {
        existing(target_).Execute(statement);
        return std::nullopt;
    } catch (const std::exception& e) {
        QString description = QString::fromUtf8(e.what());
        if (sourceRow > 0)
            description = withRow(description, QString(), sourceRow);
        const data::Refusal kind = targetOpen ? data::refusalOf(e) : data::Refusal::Target;
        // Every later row with a memo value meets the memo file's limit again: one report
        // stands for them, and the onlooker still counts each.
        if (kind != data::Refusal::MemoLimit || !memoLimitTold_)
            trap.report(executeLine, description);
        memoLimitTold_ = memoLimitTold_ || kind == data::Refusal::MemoLimit;
        return Refused{kind, description};
    } catch (...) {
        const QString description = QStringLiteral("Unknown error.");
        trap.report(executeLine, description);
        return Refused{targetOpen ? data::Refusal::Row : data::Refusal::Target, description};
    }
}

PreviewExit ConversionRun::showPreview() {
    preview::PreviewSession session{sqlLines_, datatypeRows_, target_.get()};
    return ui_.showSqlPreview(session);
}

void ConversionRun::tellEngineNotices() {
    // What the engine mended on its own while the target was written to, told once the
    // statements have run (a preview's script runs on the same connection).
    if (target_ && target_->isOpen())
        data::tellEngineNotices(*target_, ui_);
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
        (refusal->kind != data::Refusal::Row && refusal->kind != data::Refusal::MemoLimit)) {
        tableRefused_ = true;
        observer_->tableRefused(refusal->reason);
    }
    if (refusal->kind == data::Refusal::Target)
        targetRefused_ = true;
}

} // namespace qc::engine
