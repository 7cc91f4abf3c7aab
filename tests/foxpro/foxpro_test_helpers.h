#pragma once
// Shared pieces of the FoxPro engine tests: a scratch folder, and the readers that are not ours.

#include "foxpro/database.h"
#include "support/scratch_folder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qc::foxpro::test {

using qc::test::readBytes;
using qc::test::ScratchFolder;

// The independent dumper's output for a table (its memo file passed when it exists).
std::string vfpDump(const std::filesystem::path& dbf);
// The "rec N ..." lines of a dump, one entry per record.
std::vector<std::string> dumpedRecords(const std::string& dump);

// python3-dbfread's view of a table: one line per record, "FIELD=repr(value)" joined by " | ",
// with NULLs decoded from the _NullFlags bytes by the table's own bit rule.
std::string dbfreadRecords(const std::filesystem::path& dbf);

// pgdbf's output with the memo file given; exit code in `ok`.
std::string pgdbfOutput(const std::filesystem::path& dbf, bool& ok);

// Executes and returns the error text, or "" when the statement succeeded.
std::string failureOf(qc::foxpro::Database& db, const std::string& statement);

std::string fixture(const std::string& relative);

} // namespace qc::foxpro::test
