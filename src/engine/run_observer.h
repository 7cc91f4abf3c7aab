#pragma once
// What a conversion run tells an onlooker besides its port: which table it works on and how
// each of its rows fared. The window needs none of it; a caller that keeps figures per table
// (the command line's summary and progress line) does. Every call is made after the step it
// describes, so an onlooker changes nothing the user sees.

#include <QString>

#include <cstdint>

namespace qc::engine {

class RunObserver {
  public:
    virtual ~RunObserver() = default;

    // The table is to be converted: its overwrite question, if any, was answered with Yes or not
    // asked.
    virtual void tableStarted(const QString& table) = 0;
    // The target has the table and the user chose to keep it.
    virtual void tableKept(const QString& table) = 0;
    // The source reports this many rows for the table being converted.
    virtual void rowsExpected(std::int64_t total) = 0;
    // One row was read; `refusal` is empty when the target took it (or, in SQL Preview mode, its
    // statement was collected), else the reason the target gave.
    virtual void rowDone(const QString& refusal) = 0;
    // The target refused the table itself (its DROP or CREATE TABLE), or stopped taking its rows.
    virtual void tableRefused(const QString& reason) = 0;
    virtual void tableEnded() = 0;
};

} // namespace qc::engine
