#pragma once
// Two onlookers of one conversion run, each told everything the run tells, the first first.

#include "engine/run_observer.h"

namespace qc::cli {

class ObserverPair : public engine::RunObserver {
  public:
    ObserverPair(engine::RunObserver& first, engine::RunObserver& second) : first_(first), second_(second) {}

    void tableStarted(const QString& table) override {
        first_.tableStarted(table);
        second_.tableStarted(table);
    }
    void tableKept(const QString& table) override {
        first_.tableKept(table);
        second_.tableKept(table);
    }
    void rowsExpected(std::int64_t total) override {
        first_.rowsExpected(total);
        second_.rowsExpected(total);
    }
    void tableCreating() override {
        first_.tableCreating();
        second_.tableCreating();
    }
    void rowDone(const QString& refusal) override {
        first_.rowDone(refusal);
        second_.rowDone(refusal);
    }
    void allRowsRead() override {
        first_.allRowsRead();
        second_.allRowsRead();
    }
    void tableRefused(const QString& reason) override {
        first_.tableRefused(reason);
        second_.tableRefused(reason);
    }
    void tableEnded() override {
        first_.tableEnded();
        second_.tableEnded();
    }
    void tableNotAttempted(const QString& table) override {
        first_.tableNotAttempted(table);
        second_.tableNotAttempted(table);
    }

  private:
    engine::RunObserver& first_;
    engine::RunObserver& second_;
};

} // namespace qc::cli
