#include "foxpro_test_helpers.h"

#include "support/environment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace qc::foxpro::test {

namespace {
std::filesystem::path memoBeside(const std::filesystem::path& dbf) {
    for (const char* ext : {".fpt", ".FPT"}) {
        auto memo = dbf;
        memo.replace_extension(ext);
        if (std::filesystem::exists(memo))
            return memo;
    }
    return {};
}
} // namespace

std::string fixture(const std::string& relative) {
    return qc::test::testFilesDir() + "/fixtures/" + relative;
}

std::string vfpDump(const std::filesystem::path& dbf) {
    std::vector<std::string> args{qc::test::testFilesDir() + "/tools/vfp-oracle/vfpdump.py", dbf.string()};
    const auto memo = memoBeside(dbf);
    if (!memo.empty()) {
        args.push_back("--memo");
        args.push_back(memo.string());
    }
    const auto result = qc::test::runPython(args);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.output;
}

std::vector<std::string> dumpedRecords(const std::string& dump) {
    std::vector<std::string> records;
    std::istringstream in(dump);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("rec ", 0) == 0)
            records.push_back(line);
    return records;
}

std::string dbfreadRecords(const std::filesystem::path& dbf) {
    static const char* script = R"PY(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], ignore_missing_memofile=False)
raw = open(sys.argv[1], 'rb').read()
flags = {}
pos = 32
while raw[pos] != 0x0D:
    flags[raw[pos:pos + 11].split(b'\0')[0].decode('latin-1')] = raw[pos + 18]
    pos += 32
bits = {}
n = 0
for f in t.fields:
    if f.name.lower() == '_nullflags':
        continue
    if f.type in 'VQ':
        n += 1
    if flags[f.name] & 2:
        bits[f.name] = n
        n += 1
for rec in t:
    nulls = rec.get('_NullFlags', b'') or b''
    out = []
    for f in t.fields:
        if f.name.lower() == '_nullflags':
            continue
        v = rec[f.name]
        if f.name in bits and nulls[bits[f.name] >> 3] & (1 << (bits[f.name] & 7)):
            v = 'NULL'
        else:
            v = repr(v)
        out.append(f.name + '=' + v)
    print(' | '.join(out))
)PY";
    const auto result = qc::test::runPython({"-c", script, dbf.string()});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.output;
}

std::string pgdbfOutput(const std::filesystem::path& dbf, bool& ok) {
    std::vector<std::string> args;
    const auto memo = memoBeside(dbf);
    if (!memo.empty()) {
        args.push_back("-m");
        args.push_back(memo.string());
    }
    args.push_back(dbf.string());
    const auto result = qc::test::runProcess("/usr/bin/pgdbf", args);
    ok = result.exitCode == 0;
    return result.output + result.errors;
}

std::string failureOf(qc::foxpro::Database& db, const std::string& statement) {
    try {
        db.execute(statement);
    } catch (const qc::foxpro::Error& error) {
        return error.what();
    }
    return {};
}

} // namespace qc::foxpro::test
