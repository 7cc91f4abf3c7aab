#pragma once
// What a conversion run tells an onlooker while it goes, for progress shown as the rows come and
// for work that must happen at a given moment of a table (a mark made before its CREATE TABLE).
// The window needs none of it. Each call comes after the step it describes with the table's
// figures so far, which stay valid until the next table starts; an onlooker changes nothing the
// user sees.

#include "engine/run_result.h"

namespace qc::engine {

// Takes no notice of anything unless a caller's onlooker overrides what it wants.
class RunObserver {
  public:
    virtual ~RunObserver() = default;

    // The table is to be converted: its overwrite question, if any, was answered with Yes or not
    // asked.
    virtual void tableStarted(const TableResult& /*table*/) {}
    // The target has the table and the user chose to keep it.
    virtual void tableKept(const TableResult& /*table*/) {}
    // The table's CREATE TABLE is about to be executed (not told in SQL Preview mode, where
    // nothing is executed).
    virtual void tableCreating(const TableResult& /*table*/) {}
    // One row was read and its statement executed or collected, or refused.
    virtual void rowDone(const TableResult& /*table*/) {}
    virtual void tableEnded(const TableResult& /*table*/) {}
};

} // namespace qc::engine
