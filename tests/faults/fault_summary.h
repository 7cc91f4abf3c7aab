#pragma once
// What the fault tests of this program did, counted as they go and printed as one line when the
// program ends: "faults: K kill points tried, S states checked, R rows compared". A child process
// started by a test counts nothing; only the parent's line is printed.

#include <cstdint>

namespace qc::test::faults {

// A kill at one chosen point of an operation was carried out and its aftermath examined.
void countKillPoint(std::int64_t n = 1);
// One state of the files (after a kill, a refused write, a full disk) was checked by a reader.
void countStateChecked(std::int64_t n = 1);
// Rows compared value by value against what was written.
void countRowsCompared(std::int64_t n);

} // namespace qc::test::faults
