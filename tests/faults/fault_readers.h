#pragma once
// The independent readers the fault tests judge the files by: the FoxPro dumper of the test
// tools (vfpdump.py) and python3-dbfread, both run by /usr/bin/python3, and pgdbf.

#include <string>
#include <vector>

namespace qc::test::faults {

struct ReadBack {
    bool ok = false;
    std::string error;             // what the reader said when it refused the file
    std::vector<std::string> rows; // dbfread: one JSON object per record, in order
};

// vfpdump.py's output for `dbf`; `ok` false when it failed.
std::string vfpDump(const std::string& dbf, bool& ok);
// Every record of `dbf` as dbfread reads it (memo values loaded, text decoded strictly).
ReadBack dbfread(const std::string& dbf);
// The number of records vfpdump.py lists.
std::size_t vfpRecordCount(const std::string& dump);
// The number of rows pgdbf copies out of `dbf` (with its memo file `fpt`); `ok` false when it
// failed.
std::size_t pgdbfRecordCount(const std::string& dbf, const std::string& fpt, bool& ok);

} // namespace qc::test::faults
