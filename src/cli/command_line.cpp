#include "cli/command_line.h"

#include "cli/options.h"
#include "cli/password.h"
#include "cli/run_report.h"
#include "cli/script_file.h"
#include "cli/source_row_counter.h"
#include "cli/table_tally.h"
#include "cli/terminal_port.h"
#include "cli/unfinished_marks.h"
#include "cli/verify_tally.h"
#include "data/foxpro_target.h"
#include "data/mssql_source.h"
#include "data/stored_inputs.h"
#include "engine/conversion_run.h"
#include "engine/table_jobs.h"
#include "engine/table_list.h"
#include "foxpro/new_container.h"
#include "preview/script_execution.h"
#include "shell/settings.h"
#include "verify/verify_run.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include <unistd.h>

namespace qc::cli {

namespace {

// The seconds the run's source may keep a statement waiting, as the window's run allows.
constexpr int kSourceTimeout = 5000;

void fail(const QString& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "marravex: %s\n", text.toLocal8Bit().constData());
}

// The driver's reason, each line once: some drivers give the same message in two of their
// diagnostic records.
QString eachLineOnce(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (!lines.contains(line))
            lines << line;
    return lines.join(QLatin1Char('\n'));
}

// Someone can answer a question: it is asked on the terminal, whatever the output goes to.
bool onTerminal() {
    return isatty(STDIN_FILENO);
}

// The code page of new tables: --codepage, else the window's stored choice (with
// --saved-settings), else the language's. Nullopt, after telling why, for a stored choice this
// program cannot write.
std::optional<Locale> runLocale(const Options& o) {
    Locale locale = Locale::fromSystem();
    const QString stored = o.savedSettings ? data::readStoredCodePage() : QString();
    if (o.codePage) {
        locale.codePage = *o.codePage;
    } else if (!stored.isEmpty()) {
        const auto page = writableCodePage(stored);
        if (!page) {
            fail(codePageRefusal(QStringLiteral("The stored setting ") + key::kCodePage, stored));
            return std::nullopt;
        }
        locale.codePage = *page;
    }
    return locale;
}

// The source options given take precedence over what the login holds.
void applyLoginOptions(const Options& o, data::SqlServerLogin& login) {
    if (!o.server.isEmpty())
        login.server = o.server;
    if (!o.user.isEmpty())
        login.user = o.user;
    if (!o.database.isEmpty())
        login.database = o.database;
    if (!o.port.isEmpty())
        login.port = o.port;
    if (o.local)
        login.localConnection = true;
}

data::FoxProTarget targetOf(const Options& o, data::FoxProTarget target) {
    if (!o.folder.isEmpty())
        target = {o.folder, QString(), false};
    else if (!o.container.isEmpty())
        target = {QString(), o.container, true};
    return target;
}

// True when --create is to make the container: it does not exist yet.
bool toBeCreated(const Options& o, const data::FoxProTarget& target) {
    return o.create && target.containerChosen && !QFileInfo::exists(target.container);
}

// Before anything else is asked: a container to be created needs a folder it can be written in.
bool canCreate(const data::FoxProTarget& target) {
    const QFileInfo folder(QFileInfo(target.container).absolutePath());
    if (folder.isDir() && folder.isWritable())
        return true;
    fail(QStringLiteral("cannot create the container %1: the folder %2 does not exist or cannot be written")
             .arg(target.container, folder.filePath()));
    return false;
}

// Creates the container asked for with --create; false (told) when that fails.
bool prepareTarget(const Options& o, const data::FoxProTarget& target, int codePage) {
    if (!toBeCreated(o, target))
        return true;
    try {
        foxpro::createContainer(target.container.toStdString(), codePage);
        return true;
    } catch (const std::exception& e) {
        fail(QStringLiteral("cannot create the container %1: %2")
                 .arg(target.container, QString::fromUtf8(e.what())));
        return false;
    }
}

// The target can be opened; told with the run's own words when not.
bool targetOpens(const data::FoxProTarget& target, TerminalPort& port) {
    QString reason;
    if (data::isValidFoxProConnection(target, port, &reason))
        return true;
    fail(QStringLiteral("The FoxPro target cannot be opened:\n") + reason);
    return false;
}

// The login and target the options give, over those the window would start with when asked.
struct Inputs {
    data::SqlServerLogin login;
    data::FoxProTarget target;
    std::optional<QString> storedPassword;
};

Inputs inputsOf(const Options& o) {
    Inputs in;
    in.login.port = QStringLiteral("1433");
    if (o.savedSettings) {
        in.login = data::readStoredLogin();
        in.target = data::readStoredTarget();
        in.storedPassword = in.login.password;
    }
    applyLoginOptions(o, in.login);
    in.target = targetOf(o, in.target);
    return in;
}

// The password from where the user keeps it; told and nullopt when there is none.
std::optional<QString> passwordFor(const Options& o, const Inputs& in, int& status) {
    QString error;
    catchInterrupts(false);
    const auto password = findPassword({o.passwordFile, in.storedPassword}, error);
    catchInterrupts(true);
    if (interrupted()) {
        status = kInterrupted; // Ctrl-C at the password prompt
        return std::nullopt;
    }
    if (!password) {
        fail(error);
        status = kCouldNotStart;
    }
    return password;
}

// Every table --tables names is a table of the source; told when one is not.
bool wantedTablesExist(const Options& o, const data::SqlServerLogin& login, UiPort& port) {
    if (!o.tables)
        return true;
    data::SourceTables source;
    try {
        data::listSourceTables(login, source, port);
    } catch (const std::exception& e) {
        fail(QStringLiteral("cannot list the source tables: ") + QString::fromUtf8(e.what()));
        return false;
    }
    const data::SourceTable::DefaultSchemaNames defaultNames(source);
    for (const QString& name : *o.tables)
        if (std::none_of(source.begin(), source.end(),
                         [&](const data::SourceTable& table) { return table.isNamed(name, defaultNames); })) {
            fail(QStringLiteral("the source has no table %1").arg(name));
            return false;
        }
    return true;
}

// Nor does the proof of a long run fail to be kept for want of a folder.
bool reportCanBeWritten(const Options& o) {
    if (o.report.isEmpty())
        return true;
    const QString problem = reportPathProblem(o.report);
    if (!problem.isEmpty())
        fail(problem);
    return problem.isEmpty();
}

verify::VerifyRequest verifyRequest(const Options& o, const data::SqlServerLogin& login,
                                    const data::FoxProTarget& target, const Locale& locale) {
    return {login, target, o.tables, locale, o.timeout.value_or(kSourceTimeout)};
}

// Compares each table with its source as soon as the run has converted it.
class VerifyEachTable : public engine::RunObserver {
  public:
    VerifyEachTable(verify::Verifier& verifier, verify::VerifyObserver& tally,
                    const std::optional<QStringList>& tables)
        : verifier_(verifier), tally_(tally) {
        for (const auto& [index, takenBy] : engine::conversionOrder(verifier.sourceTables(), tables))
            takenBy_.emplace_back(verifier.sourceTables()[index], takenBy);
    }
    void tableEnded(const engine::TableResult& table) override {
        if (table.fate != engine::TableResult::Fate::Converted)
            return;
        const auto turn = std::find_if(takenBy_.begin(), takenBy_.end(),
                                       [&](const auto& entry) { return entry.first == table.table; });
        verifier_.verify(table.table, turn == takenBy_.end() ? QString() : turn->second, tally_);
    }

  private:
    verify::Verifier& verifier_;
    verify::VerifyObserver& tally_;
    std::vector<std::pair<data::SourceTable, QString>> takenBy_;
};

// With several jobs, each verdict reaches the terminal one job at a time, and a verification's
// progress is only where its job notices a Ctrl-C.
class VerifyInJob : public verify::VerifyObserver {
  public:
    VerifyInJob(VerifyTally& tally, TableTally& runTally, std::mutex& lock, UiPort& jobPort)
        : tally_(tally), runTally_(runTally), lock_(lock), jobPort_(jobPort) {}
    void tableProgress(const verify::TableVerdict&) override { jobPort_.letEventsThrough(); }
    void tableEnded(const verify::TableVerdict& verdict) override {
        const std::lock_guard lock(lock_);
        runTally_.breakLine();
        tally_.tableEnded(verdict);
    }

  private:
    VerifyTally& tally_;
    TableTally& runTally_;
    std::mutex& lock_;
    UiPort& jobPort_;
};

// Ctrl-C with several jobs: each job stops between two steps and waits there for the end of the
// program; once the last has stopped (or ended), the run's own thread ends the program as a run of
// one job ends from its port, with no job writing any more.
class JobsStop {
  public:
    explicit JobsStop(engine::TableJobs& jobs) : jobs_(jobs) {}

    void betweenSteps() {
        if (!interrupted())
            return;
        std::unique_lock lock(mutex_);
        ++stopped_;
        stopIfLast();
        never_.wait(lock, [] { return false; });
    }
    void jobEnded() {
        const std::lock_guard lock(mutex_);
        ++stopped_;
        if (interrupted())
            stopIfLast();
    }

  private:
    void stopIfLast() {
        if (stopped_ == jobs_.jobCount())
            jobs_.stop();
    }

    engine::TableJobs& jobs_;
    std::mutex mutex_;
    std::condition_variable never_;
    int stopped_ = 0;
};

// What every run of convert does once its tables are done: the figures of the tables it did not
// read, the kept tables' state, the script committed, the report and the summaries; the exit status.
int endConvert(const Options& o, const engine::RunResult& result, const data::SqlServerLogin& login,
               TerminalPort& port, TableTally& tally, const UnfinishedMarks& marks, VerifyTally& verifyTally,
               std::optional<ScriptWriter>& script) {
    tally.takeResult(result);
    SourceRowCounter counter(login, port, o.timeout.value_or(kSourceTimeout),
                             result.end == engine::RunEnd::SourceLost);
    tally.countUnread(std::ref(counter));
    tally.inspectKept(marks);

    const bool failed = result.anyFailure() || tally.anyUnfinished() || !verifyTally.allClean();
    int status = failed ? kSomeRefused : kAllLanded;
    if (script) {
        try {
            script->commit();
            std::printf("%zu statements written to %s\n", script->statements(),
                        o.script.toLocal8Bit().constData());
        } catch (const std::exception& e) {
            fail(QString::fromUtf8(e.what()));
            status = kSomeRefused;
        }
    }
    if (!o.report.isEmpty()) {
        try {
            writeRunReport(o.report, result, tally.tables(), status, verifyTally.verdicts());
        } catch (const std::exception& e) {
            fail(QString::fromUtf8(e.what()));
            status = kSomeRefused;
        }
    }
    tally.printSummary(stdout);
    if (o.verify)
        verifyTally.printSummary(stdout);
    return status;
}

// convert --jobs N with N above 1: the tables side by side (engine/table_jobs.h), each verified
// in its own job once written.
int convertInJobs(const Options& o, const data::SqlServerLogin& login, const data::FoxProTarget& target,
                  const Locale& locale, TerminalPort& port, TableTally& tally, VerifyTally& verifyTally) {
    engine::TableJobs jobs(port, locale, o.jobs);
    UnfinishedMarks marks(target);
    jobs.addObserver(tally);
    jobs.addObserver(marks);
    jobs.setTableFilter(o.tables);
    jobs.setSourceTimeout(o.timeout);
    JobsStop stop(jobs);
    jobs.setBetweenSteps([&](int) { stop.betweenSteps(); });
    jobs.setJobEnded([&](int) { stop.jobEnded(); });
    jobs.setOnStopped([&] { port.endInterrupted(); });
    std::vector<std::unique_ptr<verify::Verifier>> verifiers;
    std::vector<std::unique_ptr<VerifyInJob>> verifyOutputs;
    std::vector<std::unique_ptr<VerifyEachTable>> verifyEach;
    jobs.setJobSetup([&](int job, engine::ConversionRun& run, UiPort& jobPort) {
        if (job == 0)
            tally.showJobs(jobs.tableCount());
        if (!o.verify)
            return;
        verifiers.push_back(
            std::make_unique<verify::Verifier>(verifyRequest(o, login, target, locale), jobPort));
        verifyOutputs.push_back(std::make_unique<VerifyInJob>(verifyTally, tally, jobs.lock(), jobPort));
        verifyEach.push_back(
            std::make_unique<VerifyEachTable>(*verifiers.back(), *verifyOutputs.back(), o.tables));
        run.addObserver(*verifyEach.back());
    });
    // Called on this thread, before the jobs start, after they ended, or once every one stopped.
    port.onInterrupt([&] {
        jobs.closeTargetFiles();
        tally.takeResult(jobs.resultSoFar());
        tally.printSummary(stdout);
    });
    engine::RunResult result;
    try {
        result = jobs.run(login, target);
    } catch (const verify::CannotStart& e) {
        fail(QStringLiteral("cannot verify: ") + QString::fromUtf8(e.what()));
        return kCouldNotStart;
    }
    // A job's login refused, or a target gone since it was checked: nothing was written.
    if (result.end == engine::RunEnd::SourceUnreachable || result.end == engine::RunEnd::TargetUnreachable)
        return kCouldNotStart;
    std::vector<data::SourceTable> order;
    for (const engine::TableResult& table : result.tables)
        order.push_back(table.table);
    verifyTally.orderLike(order);
    std::optional<ScriptWriter> noScript;
    return endConvert(o, result, login, port, tally, marks, verifyTally, noScript);
}

int convert(const Options& o) {
    const Inputs in = inputsOf(o);
    data::SqlServerLogin login = in.login;
    const data::FoxProTarget& target = in.target;
    const auto locale = runLocale(o);
    if (!locale)
        return kCouldNotStart;

    const bool terminal = onTerminal();
    const OverwritePolicy overwrite =
        o.overwrite.value_or(terminal ? OverwritePolicy::Ask : OverwritePolicy::No);
    if (overwrite == OverwritePolicy::Ask && !terminal) {
        fail(QStringLiteral("--overwrite ask needs a terminal: give --overwrite yes or no"));
        return kCouldNotStart;
    }
    // The target first: no one is asked for a password for a run that cannot write. A container
    // to be created is made only once the run can start, so a failed login leaves none behind.
    TableTally tally(stdout, isatty(STDOUT_FILENO));
    TerminalPort port(overwrite, tally);
    const bool create = toBeCreated(o, target);
    if (create ? !canCreate(target) : !targetOpens(target, port))
        return kCouldNotStart;
    int refusal = kCouldNotStart;
    const auto password = passwordFor(o, in, refusal);
    if (!password)
        return refusal;
    login.password = *password;

    QString reason;
    if (!data::isValidMSSQLConnection(login, &reason, &port)) {
        fail(QStringLiteral("The SQL Server database cannot be reached:\n") + eachLineOnce(reason));
        return kCouldNotStart;
    }
    if (!wantedTablesExist(o, login, port))
        return kCouldNotStart;

    // A script file that cannot be written is known before the run, not after it.
    std::optional<ScriptWriter> script;
    if (!o.script.isEmpty()) {
        try {
            script.emplace(o.script.toStdString());
        } catch (const std::exception& e) {
            fail(QString::fromUtf8(e.what()));
            return kCouldNotStart;
        }
    }
    if (!reportCanBeWritten(o))
        return kCouldNotStart;
    // Set once the run exists: its tables give back the room they took ahead before the program ends.
    engine::ConversionRun* running = nullptr;
    port.onInterrupt([&] {
        if (running) {
            running->closeTargetFiles();
            tally.takeResult(running->result());
        }
        if (script)
            script->discard();
        tally.printSummary(stdout);
    });

    if (create && (!prepareTarget(o, target, locale->codePage) || !targetOpens(target, port)))
        return kCouldNotStart;

    // Opened before the run, so that a source or target it cannot open stops the run before it
    // writes anything.
    std::optional<verify::Verifier> verifier;
    VerifyTally verifyTally(stdout, isatty(STDOUT_FILENO), [&] { port.letEventsThrough(); });
    if (o.verify) {
        try {
            verifier.emplace(verifyRequest(o, login, target, *locale), port);
        } catch (const verify::CannotStart& e) {
            fail(QStringLiteral("cannot verify: ") + QString::fromUtf8(e.what()));
            return kCouldNotStart;
        }
    }
    if (o.jobs > 1) {
        // Each job verifies with connections of its own; this one has shown that they open.
        verifier.reset();
        return convertInJobs(o, login, target, *locale, port, tally, verifyTally);
    }
    engine::ConversionRun run(port, *locale);
    running = &run;
    UnfinishedMarks marks(target);
    run.addObserver(tally);
    // What the run writes into a script marks no table of the target.
    if (!script)
        run.addObserver(marks);
    std::optional<VerifyEachTable> verifyEach;
    if (verifier) {
        verifyEach.emplace(*verifier, verifyTally, o.tables);
        run.addObserver(*verifyEach);
    }
    run.setTableFilter(o.tables);
    run.setSourceTimeout(o.timeout);
    if (script)
        run.setStatementSink([&](const std::string& statement) { script->add(statement); });
    const engine::RunResult result =
        run.run(login, target, script ? engine::PreviewChoice::PerFile : engine::PreviewChoice::Off);
    return endConvert(o, result, login, port, tally, marks, verifyTally, script);
}

int verifyCommand(const Options& o) {
    Inputs in = inputsOf(o);
    const auto locale = runLocale(o);
    if (!locale || !reportCanBeWritten(o))
        return kCouldNotStart;
    TableTally runTally(stdout, false);
    TerminalPort port(OverwritePolicy::No, runTally);
    VerifyTally tally(stdout, isatty(STDOUT_FILENO), [&] { port.letEventsThrough(); });
    // No one is asked for a password for a target that is not there.
    const data::FoxProTarget& target = in.target;
    if (!QFileInfo::exists(target.chosenPath())) {
        fail(QStringLiteral("The FoxPro target cannot be opened:\n%1 does not exist.")
                 .arg(target.chosenPath()));
        return kCouldNotStart;
    }
    int refusal = kCouldNotStart;
    const auto password = passwordFor(o, in, refusal);
    if (!password)
        return refusal;
    in.login.password = *password;
    QString reason;
    if (!data::isValidMSSQLConnection(in.login, &reason, &port)) {
        fail(QStringLiteral("The SQL Server database cannot be reached:\n") + eachLineOnce(reason));
        return kCouldNotStart;
    }
    if (!wantedTablesExist(o, in.login, port))
        return kCouldNotStart;
    port.onInterrupt([&] { tally.printSummary(stdout); });
    try {
        verify::verifyTables(verifyRequest(o, in.login, in.target, *locale), port, tally);
    } catch (const verify::CannotStart& e) {
        fail(QStringLiteral("cannot verify: ") + QString::fromUtf8(e.what()));
        return kCouldNotStart;
    }
    int status = tally.allClean() ? kAllLanded : kSomeRefused;
    if (!o.report.isEmpty()) {
        try {
            writeVerifyReport(o.report, tally.verdicts(), status);
        } catch (const std::exception& e) {
            fail(QString::fromUtf8(e.what()));
            status = kSomeRefused;
        }
    }
    tally.printSummary(stdout);
    return status;
}

int execute(const Options& o) {
    const data::FoxProTarget target = targetOf(o, {});
    std::vector<std::string> statements;
    try {
        statements = readScript(o.scriptToRun.toStdString());
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
        return kCouldNotStart;
    }
    if (o.fromLine > static_cast<int>(statements.size()) && !statements.empty()) {
        fail(QStringLiteral("--from-line %1: the script has %2 statements")
                 .arg(o.fromLine)
                 .arg(statements.size()));
        return kCouldNotStart;
    }
    const auto locale = runLocale(o);
    if (!locale)
        return kCouldNotStart;
    TableTally tally(stdout, isatty(STDOUT_FILENO));
    TerminalPort port(OverwritePolicy::No, tally);
    if (!prepareTarget(o, target, locale->codePage))
        return kCouldNotStart;
    data::Connection connection;
    try {
        connection.setCodePage(locale->codePage);
        data::openTarget(connection, target);
    } catch (const std::exception& e) {
        fail(QStringLiteral("The FoxPro target cannot be opened:\n") + QString::fromUtf8(e.what()));
        return kCouldNotStart;
    }

    // Statements before the resume point ran in an earlier attempt: they stay in the list, so
    // every statement keeps its number, but blank, which the script run passes over.
    preview::SqlLineList lines;
    for (std::size_t i = 0; i < statements.size(); ++i)
        lines.append(static_cast<int>(i) + 1 < o.fromLine ? std::string() : std::move(statements[i]));
    int errorLine = 0;
    QString errorText;
    int reached = 0;
    const preview::ScriptRun scriptRun{lines,
                                       &connection,
                                       errorLine,
                                       [&](const QString& text) { errorText = text; },
                                       nullptr,
                                       [&](int statement) {
                                           // Those before the resume point count as executed.
                                           if (statement < o.fromLine)
                                               return;
                                           reached = statement;
                                           tally.statementReached(statement, lines.count());
                                       },
                                       false};
    tally.statementReached(o.fromLine, lines.count());
    // A statement is executed whole before a Ctrl-C is noticed: the run resumes after the last.
    port.onInterrupt([&] {
        data::closeBeforeExit(connection);
        const int next = std::max(reached + 1, o.fromLine);
        if (next <= lines.count())
            port.printError(
                QStringLiteral("Statements before %1 were executed; resume with --from-line %1.").arg(next));
    });
    const preview::ScriptOutcome outcome = preview::executeScript(scriptRun, port);
    tally.breakLine();
    data::tellEngineNotices(connection, port);
    if (outcome == preview::ScriptOutcome::StoppedAtError) {
        port.printError(
            QStringLiteral("Error found at statement %1:\n%2\nMend it and resume with --from-line %1.")
                .arg(errorLine)
                .arg(errorText));
        return kSomeRefused;
    }
    const int run = std::max(0, lines.count() - o.fromLine + 1);
    std::printf("%d statements executed.\n", outcome == preview::ScriptOutcome::Completed ? run : 0);
    return port.reportsMade() > 0 ? kSomeRefused : kAllLanded;
}

// Qt's own options for every window program ("-style fusion", also "--style=fusion").
bool isQtWindowOption(const char* argument) {
    std::string_view name(argument);
    if (name.starts_with("--"))
        name.remove_prefix(1);
    if (!name.starts_with('-'))
        return false;
    name.remove_prefix(1);
    name = name.substr(0, name.find('='));
    for (const char* option :
         {"style", "stylesheet", "widgetcount", "reverse", "qmljsdebugger", "platform", "platformpluginpath",
          "platformtheme", "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
          "geometry", "dialogs", "fontengine"})
        if (name == option)
            return true;
    return false;
}

} // namespace

bool wantsCommandLine(int argc, char** argv) {
    // The window takes no words of its own, only Qt's: every other first word is the command
    // line's, which refuses what it does not know instead of opening the window.
    return argc >= 2 && !isQtWindowOption(argv[1]);
}

int runCommandLine(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    ParseResult parsed = parseOptions(arguments);
    if (!parsed.error.isEmpty()) {
        fail(parsed.error);
        return kCouldNotStart;
    }
    const Options& options = parsed.options;
    if (options.command == Command::Help || options.command == Command::Version) {
        const QString text = options.command == Command::Help
                                 ? usageText()
                                 : QStringLiteral("marravex %1\n").arg(versionText());
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return kAllLanded;
    }
    catchInterrupts();
    switch (options.command) {
    case Command::Convert:
        return convert(options);
    case Command::Verify:
        return verifyCommand(options);
    default:
        return execute(options);
    }
}

} // namespace qc::cli
