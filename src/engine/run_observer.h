#pragma once
// What a conversion run tells an onlooker besides its port: which table it works on and how
// each of its rows fared. The window needs none of it; a caller that keeps figures per table
// (the command line's summary and progress line) does. Every call is made after the step it
// describes, so an onlooker changes nothing the user sees.

#include <QString>

#include <cstdint>

namespace qc::engine {

// Takes no notice of anything unless a caller's onlooker overrides what it wants.
class RunObserver {
  public:
    virtual ~RunObserver() = default;

    // The table is to be converted: its overwrite question, if any, was answered with Yes or not
    // asked.
    virtual void tableStarted(const QString& /*table*/) {}
    // The target has the table and the user chose to keep it.
    virtual void tableKept(const QString& /*table*/) {}
    // The source reports this many rows for the table being converted (-1: it could not count
    // them); told once its query opens, before any statement of the table.
    virtual void rowsExpected(std::int64_t /*total*/) {}
    // One row was read; `refusal` is empty when the target took it (or, in SQL Preview mode, its
    // statement was collected), else the reason the target gave.
    virtual void rowDone(const QString& /*refusal*/) {}
    // The table's CREATE TABLE is about to be executed (not told in SQL Preview mode, where
    // nothing is executed).
    virtual void tableCreating() {}
    // The source has no rows left for the table: every one was read.
    virtual void allRowsRead() {}
    // The table was given up: the target refused it (its DROP or CREATE TABLE) or stopped taking
    // its rows, or its source could not be read or stopped sending.
    virtual void tableRefused(const QString& /*reason*/) {}
    virtual void tableEnded() {}
    // The run ended before it came to this table (the target took nothing more, the source was
    // lost, or a preview was left with "< Back").
    virtual void tableNotAttempted(const QString& /*table*/) {}
};

} // namespace qc::engine
