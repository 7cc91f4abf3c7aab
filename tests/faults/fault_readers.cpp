#include "faults/fault_readers.h"

#include "support/environment.h"
#include "support/process.h"

#include <sstream>

namespace qc::test::faults {

namespace {

constexpr const char* kDbfread = R"(
import json, sys
from dbfread import DBF
table = DBF(sys.argv[1], char_decode_errors='strict', ignore_missing_memofile=False)
for record in table:
    print(json.dumps(dict(record), default=str, ensure_ascii=False))
)";

} // namespace

std::string vfpDump(const std::string& dbf, bool& ok) {
    const auto result = runPython({testFilesDir() + "/tools/vfp-oracle/vfpdump.py", dbf});
    ok = result.exitCode == 0;
    return ok ? result.output : result.output + result.errors;
}

ReadBack dbfread(const std::string& dbf) {
    ReadBack back;
    const auto result = runPython({"-c", kDbfread, dbf});
    back.ok = result.exitCode == 0;
    back.error = result.errors;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);)
        back.rows.push_back(line);
    return back;
}

std::size_t vfpRecordCount(const std::string& dump) {
    std::size_t count = 0;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);)
        count += line.rfind("rec ", 0) == 0 ? 1 : 0;
    return count;
}

std::size_t pgdbfRecordCount(const std::string& dbf, const std::string& fpt, bool& ok) {
    const auto result = runProcess("/usr/bin/pgdbf", {"-m", fpt, dbf});
    ok = result.exitCode == 0;
    // The rows are the lines between the COPY command and its end mark.
    std::size_t count = 0;
    bool rows = false;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) {
        if (line == "\\.")
            break;
        count += rows ? 1 : 0;
        rows = rows || line.find("COPY ") != std::string::npos;
    }
    ok = ok && rows;
    return count;
}

} // namespace qc::test::faults
