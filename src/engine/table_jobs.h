#pragma once
// A run that converts several tables at once, for the command line (the window converts one
// table after the other, with ConversionRun alone):
//
//   TableJobs jobs(user, locale, 4);
//   RunResult result = jobs.run(login, target);
//
// It starts as ConversionRun::run() does (both databases checked, both listed), then opens the
// target once, shared by every job (foxpro/shared_target.h: one catalog, changed one statement
// at a time, with the lock of exclusive use it takes for a single run), and logs in once per
// job, each job on a source connection of its own; a login refused ends the run before anything
// is written. The overwrite questions are put next, one table after the other in the run's
// order. Then each job takes the next table of the run's order (bottom entry first) as soon as
// it is free and converts it on a thread of its own with a ConversionRun of its own, so each
// table gets the statements, the bytes and the reports a run of one table at a time gives it.
// Reports, messages and the onlookers of `addObserver` reach the user one job at a time; an
// onlooker is shown each job's table as it stood when told, and may keep looking at it until
// that job's next call.

#include "data/foxpro_target.h"
#include "data/sql_server_login.h"
#include "engine/conversion_run.h"
#include "engine/run_observer.h"
#include "engine/run_result.h"
#include "engine/run_user.h"
#include "shell/locale.h"

#include <QStringList>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace qc::foxpro {
class SharedTarget;
}

namespace qc::engine {

class TableDispenser;

class TableJobs {
  public:
    // `jobs`: how many tables at most are converted at once.
    TableJobs(RunUser& user, Locale locale, int jobs);
    ~TableJobs();
    TableJobs(const TableJobs&) = delete;
    TableJobs& operator=(const TableJobs&) = delete;

    // As ConversionRun's.
    void setTableFilter(std::optional<QStringList> tables) { tableFilter_ = std::move(tables); }
    void setSourceTimeout(std::optional<int> seconds) { sourceTimeout_ = seconds; }
    // Told from each job's thread, one call at a time under lock().
    void addObserver(RunObserver& observer) { observers_.push_back(&observer); }
    // Called on a job's thread between two steps of its table (where a run of one table lets
    // events through), outside lock(): the command line stops the job there after a Ctrl-C.
    void setBetweenSteps(std::function<void(int job)> call) { betweenSteps_ = std::move(call); }
    // Called on the caller's thread for each job once every connection is open and every question
    // answered, before any job starts: the job's own onlookers go in here, told on its thread
    // outside lock(), with the job's port. What it throws ends the run before anything is written.
    void setJobSetup(std::function<void(int job, ConversionRun& run, UiPort& port)> call) {
        jobSetup_ = std::move(call);
    }
    // Called on a job's thread once its tables are done and its connections closed.
    void setJobEnded(std::function<void(int job)> call) { jobEnded_ = std::move(call); }
    // Called from a job's thread once every job waits in its between-steps call for good or
    // has ended (a Ctrl-C): run() joins the jobs that ended and calls `onStopped` on its own
    // thread, which ends the program there (it must not return).
    void stop();
    void setOnStopped(std::function<void()> call) { onStopped_ = std::move(call); }

    RunResult run(const data::SqlServerLogin& login, const data::FoxProTarget& target);

    // The jobs started (fewer than asked when the run has fewer tables), and the tables of the
    // run; both known once the jobs' setup is called.
    int jobCount() const { return static_cast<int>(runs_.size()); }
    int tableCount() const;
    // The lock under which the jobs reach the user.
    std::mutex& lock() { return lock_; }
    // What the jobs have done, every table of the run in its order (those no job took not
    // attempted); and the jobs' target files closed where they stand, for a program about to end
    // without unwinding. Both only while every job waits in its between-steps call or has ended.
    RunResult resultSoFar() const;
    void closeTargetFiles() noexcept;

  private:
    class JobUser;
    class Relay;

    // False, with the user told why, when the run cannot start.
    bool start(const data::SqlServerLogin& login, const data::FoxProTarget& target, RunResult& result);
    // Opens a source connection per job; false, with the first failure in loginFailure_, when
    // any login fails.
    bool logIn(const data::SqlServerLogin& login);
    void askOverwrites();

    RunUser& user_;
    UiPort& port_;
    Locale locale_;
    int jobs_;
    std::optional<QStringList> tableFilter_;
    std::optional<int> sourceTimeout_;
    std::vector<RunObserver*> observers_;
    std::function<void(int)> betweenSteps_;
    std::function<void(int, ConversionRun&, UiPort&)> jobSetup_;
    std::function<void(int)> jobEnded_;
    std::function<void()> onStopped_;

    std::mutex lock_;
    data::SourceTables sourceTables_;
    QStringList targetTables_;
    std::unique_ptr<TableDispenser> dispenser_;
    std::unique_ptr<foxpro::SharedTarget> target_;
    std::vector<std::unique_ptr<data::Connection>> sources_;
    std::vector<std::unique_ptr<data::Connection>> targets_;
    std::vector<std::pair<QString, bool>> answers_; // lower-case table name, replace it
    std::vector<std::unique_ptr<Relay>> relays_;    // one per job
    std::vector<std::unique_ptr<JobUser>> users_;
    std::vector<std::unique_ptr<ConversionRun>> runs_;
    int ownReports_ = 0;
    // The caller of run() waits here for the jobs to end, or for stop().
    std::mutex waitMutex_;
    std::condition_variable waitCondition_;
    int endedJobs_ = 0;
    bool stopped_ = false;
    QString loginFailure_;
};

} // namespace qc::engine
