#pragma once
// The ID column of a FoxPro table as the independent dumper (vfpdump.py) reads it, on one line,
// for tests that compare a whole table's rows at a glance.

#include <QString>

#include <string>

namespace qc::test {

// "records-read header-count ids...\n".
std::string dumpedIds(const QString& dbf);
// "records-read header-count tail-ok ids...\n", where tail-ok (True or False) says the file ends
// right after the last record (with or without the end mark).
std::string dumpedIdsAndTail(const QString& dbf);

} // namespace qc::test
