#include "faults/fault_summary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

namespace qc::test::faults {

namespace {

struct Counts {
    std::atomic<std::int64_t> killPoints{0};
    std::atomic<std::int64_t> states{0};
    std::atomic<std::int64_t> rows{0};
};

Counts& counts() {
    static Counts instance;
    return instance;
}

// Prints the line after the last test, whatever the filter chose.
class SummaryLine : public ::testing::Environment {
  public:
    void TearDown() override {
        const Counts& c = counts();
        if (c.killPoints == 0 && c.states == 0 && c.rows == 0)
            return; // a child, or a run that chose no fault test
        std::printf("faults: %lld kill points tried, %lld states checked, %lld rows compared\n",
                    static_cast<long long>(c.killPoints), static_cast<long long>(c.states),
                    static_cast<long long>(c.rows));
        std::fflush(stdout);
    }
};

// gtest owns registered environments.
[[maybe_unused]] const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new SummaryLine);

} // namespace

void countKillPoint(std::int64_t n) {
    counts().killPoints += n;
}
void countStateChecked(std::int64_t n) {
    counts().states += n;
}
void countRowsCompared(std::int64_t n) {
    counts().rows += n;
}

} // namespace qc::test::faults
