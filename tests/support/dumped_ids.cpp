#include "support/dumped_ids.h"

#include "support/environment.h"

#include <gtest/gtest.h>

namespace qc::test {

namespace {

// Reads the dump of argv[2]; argv[3] "tail" adds whether the file ends right after the last record.
constexpr const char* kIds = R"(
import re, subprocess, sys
out = subprocess.run([sys.executable, sys.argv[1], sys.argv[2]], check=True,
                     capture_output=True, text=True).stdout.splitlines()
n = int(re.search(r'records=(\d+)', out[0]).group(1))
recs = [re.search(r'\bID=(\d+)', l).group(1) for l in out if l.startswith('rec ')]
tail = []
if sys.argv[3] == 'tail':
    end = [l for l in out if l.startswith('after last record:')][0].split(':')[1].strip()
    tail = [end in ('', '1a')]
print(len(recs), n, *tail, ' '.join(recs))
)";

std::string dump(const QString& dbf, const char* tail) {
    const auto result =
        runPython({"-c", kIds, testFilesDir() + "/tools/vfp-oracle/vfpdump.py", dbf.toStdString(), tail});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.output;
}

} // namespace

std::string dumpedIds(const QString& dbf) {
    return dump(dbf, "");
}

std::string dumpedIdsAndTail(const QString& dbf) {
    return dump(dbf, "tail");
}

} // namespace qc::test
