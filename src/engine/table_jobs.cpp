#include "engine/table_jobs.h"

#include "data/db_access.h"
#include "data/mssql_source.h"
#include "engine/table_dispenser.h"
#include "engine/table_list.h"
#include "foxpro/shared_target.h"
#include "shell/error_trap.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace qc::engine {

// A job's user: the run's user reached under the run's lock, the overwrite questions answered as
// the user answered them before the jobs started, and between two steps the caller's call in
// place of letting events through. Told of its own run's tables, so that a report whose
// description names no table (a driver's words when the end of the rows cannot be told) still
// says which one it is about among the jobs' reports.
class TableJobs::JobUser : public UiPort, public RunUser, public RunObserver {
  public:
    JobUser(TableJobs& jobs, int job) : jobs_(jobs), job_(job) {}

    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon) override {
        const std::lock_guard lock(jobs_.lock_);
        return jobs_.port_.message(text, title, buttons, icon);
    }
    // A job's busy pointer and progress text say nothing the onlookers do not.
    void setBusy(bool) override {}
    void setProgressValue(double) override {}
    void setProgressText(const QString&) override {}

    UiPort& port() override { return *this; }
    bool overwrite(const QString& table) override {
        const QString key = table.toLower();
        const auto found = std::find_if(jobs_.answers_.begin(), jobs_.answers_.end(),
                                        [&](const auto& answer) { return answer.first == key; });
        return found != jobs_.answers_.end() && found->second;
    }
    preview::PreviewExit preview(preview::PreviewSession&) override { return preview::PreviewExit::WentBack; }
    void runEnded() override {}

    void tableStarted(const TableResult& table) override { table_ = table.name(); }
    void tableKept(const TableResult&) override { table_.clear(); }
    void tableEnded(const TableResult&) override { table_.clear(); }

  protected:
    void processEvents() override {
        if (jobs_.betweenSteps_)
            jobs_.betweenSteps_(job_);
    }
    void showReport(const ErrorReport& report) override {
        ErrorReport named = report;
        if (!table_.isEmpty() && !named.description.contains(QStringLiteral("(table ")))
            named.description += QStringLiteral(" (table ") + table_ + QLatin1Char(')');
        const std::lock_guard lock(jobs_.lock_);
        jobs_.port_.report(named);
    }

  private:
    TableJobs& jobs_;
    int job_;
    QString table_; // the table the job is converting
};

// Tells the run's onlookers what one job tells, one job at a time. An onlooker may look at any
// job's table while another job is told (the progress of every table being converted), so it is
// shown the job's figures as copied under the lock, never the ones the job goes on changing.
class TableJobs::Relay : public RunObserver {
  public:
    explicit Relay(TableJobs& jobs) : jobs_(jobs) {}
    void tableStarted(const TableResult& table) override { tell(&RunObserver::tableStarted, table); }
    void tableKept(const TableResult& table) override { tell(&RunObserver::tableKept, table); }
    void tableCreating(const TableResult& table) override { tell(&RunObserver::tableCreating, table); }
    void rowDone(const TableResult& table) override { tell(&RunObserver::rowDone, table); }
    void tableEnded(const TableResult& table) override { tell(&RunObserver::tableEnded, table); }

  private:
    template <class Call> void tell(Call call, const TableResult& table) {
        const std::lock_guard lock(jobs_.lock_);
        shown_ = table;
        for (RunObserver* observer : jobs_.observers_)
            (observer->*call)(shown_);
    }
    TableJobs& jobs_;
    TableResult shown_; // the job's table, as the onlookers see it
};

TableJobs::TableJobs(RunUser& user, Locale locale, int jobs)
    : user_(user), port_(user.port()), locale_(locale), jobs_(std::max(1, jobs)) {}

TableJobs::~TableJobs() = default;

bool TableJobs::start(const data::SqlServerLogin& login, const data::FoxProTarget& target,
                      RunResult& result) {
    const auto cannot = [&](const QString& side, const QString& reason, RunEnd end) {
        port_.message(side + QStringLiteral("\r\n\r\n") + reason, {}, Buttons::Ok, Icon::Exclamation);
        result.end = end;
        return false;
    };
    QString reason;
    if (!data::isValidFoxProConnection(target, port_, &reason))
        return cannot(QStringLiteral("The FoxPro target cannot be opened:"), reason,
                      RunEnd::TargetUnreachable);
    // The jobs' logins check the source as ConversionRun's start does.
    if (!logIn(login)) {
        sources_.clear();
        return cannot(QStringLiteral("The SQL Server database cannot be reached:"), loginFailure_,
                      RunEnd::SourceUnreachable);
    }
    ErrorTrap trap(port_, QStringLiteral("Form1"), QStringLiteral("PushButton7_Click"));
    trap.step(Step::ListSourceTables, [&] { data::listSourceTables(login, sourceTables_, port_); });
    trap.step(Step::ListTargetTables, [&] { data::listTargetTables(target, targetTables_, port_); });
    dispenser_ = std::make_unique<TableDispenser>(conversionOrder(sourceTables_, tableFilter_));
    // A job without a table has no use for its connection.
    sources_.resize(std::clamp<std::size_t>(dispenser_->order().size(), 1, sources_.size()));

    try {
        target_ = std::make_unique<foxpro::SharedTarget>(target.chosenPath().toStdString(), locale_.codePage);
    } catch (...) {
        return cannot(QStringLiteral("The FoxPro target cannot be opened:"), currentFailureText(),
                      RunEnd::TargetUnreachable);
    }
    for (std::size_t job = 0; job < sources_.size(); ++job) {
        auto connection = std::make_unique<data::Connection>();
        connection->openFoxPro(*target_);
        targets_.push_back(std::move(connection));
    }
    return true;
}

bool TableJobs::logIn(const data::SqlServerLogin& login) {
    // Every job logs in before anything is written, so a server that takes fewer connections
    // than jobs stops the run while the target is as it was; all at once, as over a slow link
    // each login costs several round trips.
    const std::string connectionString = data::mssqlConnectionString(login);
    std::mutex mutex;
    std::condition_variable done;
    int pending = jobs_;
    std::vector<std::thread> logins;
    for (int job = 0; job < jobs_; ++job) {
        auto& source = sources_.emplace_back(std::make_unique<data::Connection>());
        source->setCommandTimeout(sourceTimeout_.value_or(5000));
        source->setConnectionTimeout(5000);
        logins.emplace_back([&, connection = source.get()] {
            QString failure;
            try {
                connection->open(connectionString);
            } catch (...) {
                failure = currentFailureText();
            }
            const std::lock_guard lock(mutex);
            if (!failure.isEmpty() && loginFailure_.isEmpty())
                loginFailure_ = failure;
            --pending;
            done.notify_one();
        });
    }
    // Meanwhile a Ctrl-C is noticed, as while a single login waits.
    std::unique_lock lock(mutex);
    while (pending > 0) {
        done.wait_for(lock, std::chrono::milliseconds(15));
        lock.unlock();
        port_.letEventsThrough();
        lock.lock();
    }
    lock.unlock();
    for (std::thread& thread : logins)
        thread.join();
    return loginFailure_.isEmpty();
}

void TableJobs::askOverwrites() {
    // One question after the other, in the order the tables come, before any job writes.
    for (const auto& [index, takenBy] : dispenser_->order()) {
        const QString& name = sourceTables_[static_cast<std::size_t>(index)].name;
        const QString key = name.toLower();
        if (!takenBy.isEmpty() || !containsCaseless(targetTables_, name) ||
            std::any_of(answers_.begin(), answers_.end(), [&](const auto& a) { return a.first == key; }))
            continue;
        answers_.emplace_back(key, user_.overwrite(name));
    }
}

RunResult TableJobs::run(const data::SqlServerLogin& login, const data::FoxProTarget& target) {
    RunResult result;
    const int reportsBefore = port_.reportsMade();
    if (!start(login, target, result)) {
        result.reports = port_.reportsMade() - reportsBefore;
        return result;
    }
    askOverwrites();

    for (std::size_t job = 0; job < sources_.size(); ++job) {
        users_.push_back(std::make_unique<JobUser>(*this, static_cast<int>(job)));
        runs_.push_back(std::make_unique<ConversionRun>(*users_.back(), locale_));
        runs_.back()->addObserver(*users_.back());
        relays_.push_back(std::make_unique<Relay>(*this));
        runs_.back()->addObserver(*relays_.back());
        runs_.back()->setSourceTimeout(sourceTimeout_);
        if (jobSetup_)
            jobSetup_(static_cast<int>(job), *runs_.back(), *users_.back());
    }
    ownReports_ = port_.reportsMade() - reportsBefore;

    std::vector<std::thread> threads;
    std::vector<bool> ended(runs_.size(), false);
    for (std::size_t job = 0; job < runs_.size(); ++job) {
        ConversionRun::Job work{std::move(sources_[job]), std::move(targets_[job]), sourceTables_,
                                targetTables_, dispenser_.get()};
        threads.emplace_back([this, job, &ended, work = std::move(work)]() mutable {
            runs_[job]->runJob(std::move(work));
            {
                // Marked before the call below, which may stop the run: the caller then joins
                // this thread with the others that ended.
                const std::lock_guard lock(waitMutex_);
                ended[job] = true;
                ++endedJobs_;
            }
            if (jobEnded_)
                jobEnded_(static_cast<int>(job));
            waitCondition_.notify_all();
        });
    }
    std::unique_lock lock(waitMutex_);
    waitCondition_.wait(lock, [&] { return stopped_ || endedJobs_ == static_cast<int>(threads.size()); });
    const bool stopped = stopped_;
    const std::vector<bool> joinable = ended;
    lock.unlock();
    for (std::size_t job = 0; job < threads.size(); ++job)
        if (!stopped || joinable[job])
            threads[job].join();
    if (stopped) {
        // The jobs that did not end wait where they stopped; the program ends with them.
        if (onStopped_)
            onStopped_();
        std::terminate();
    }
    return resultSoFar();
}

void TableJobs::stop() {
    {
        const std::lock_guard lock(waitMutex_);
        stopped_ = true;
    }
    waitCondition_.notify_all();
}

RunResult TableJobs::resultSoFar() const {
    RunResult result;
    result.reports = ownReports_;
    for (const auto& run : runs_) {
        const RunResult& done = run->result();
        result.reports += done.reports;
        if (done.end == RunEnd::TargetRefused ||
            (done.end == RunEnd::SourceLost && result.end == RunEnd::Completed))
            result.end = done.end;
    }
    if (!dispenser_)
        return result;
    for (const auto& [index, takenBy] : dispenser_->order()) {
        const data::SourceTable& table = sourceTables_[static_cast<std::size_t>(index)];
        const TableResult* found = nullptr;
        for (const auto& run : runs_)
            for (const TableResult& done : run->result().tables)
                if (done.table == table)
                    found = &done;
        if (found) {
            result.tables.push_back(*found);
        } else {
            TableResult& missing = result.tables.emplace_back();
            missing.table = table;
            missing.fate = TableResult::Fate::NotAttempted;
        }
    }
    return result;
}

int TableJobs::tableCount() const {
    return dispenser_ ? static_cast<int>(dispenser_->order().size()) : 0;
}

void TableJobs::closeTargetFiles() noexcept {
    for (const auto& run : runs_)
        run->closeTargetFiles();
}

} // namespace qc::engine
