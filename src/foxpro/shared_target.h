#pragma once
// One target written by several connections of one process at once, each from a thread of its
// own (the command line's jobs). The target is opened once: its catalog, with the container's
// lock of exclusive use once anything is written, belongs to the SharedTarget and outlives every
// connection made from it. Each connection keeps its own parse buffers and open tables, and
// writes its own tables' files; every call into the catalog (the listing, CREATE TABLE, DROP
// TABLE, the repair of what a dead process left, the container's records and index) is made
// one at a time, so the catalog and its index see one change after the other, as from one
// connection. Two connections never write the same table: its lock of exclusive use keeps the
// second out, as it keeps out any other writer.

#include "foxpro/database.h"

#include <memory>
#include <mutex>
#include <string>

namespace qc::foxpro {

class Catalog;

class SharedTarget {
  public:
    // Opens the folder or the .dbc file at `path` as Database::open() does.
    SharedTarget(const std::string& path, int codePage);
    ~SharedTarget();
    SharedTarget(const SharedTarget&) = delete;
    SharedTarget& operator=(const SharedTarget&) = delete;

    // A connection to the target for one thread; it must close before the SharedTarget goes.
    std::unique_ptr<Database> connect(const Database::Limits& limits);

  private:
    class View;

    std::mutex mutex_; // held for every call into the catalog
    std::unique_ptr<Catalog> catalog_;
    int codePage_;
};

} // namespace qc::foxpro
