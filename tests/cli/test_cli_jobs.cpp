// `marravex convert --jobs N`: several tables at once, each on a source connection of its own,
// into one folder or container.
#include "support/environment.h"
#include "support/marravex_command.h"

#include "engine/conversion_support.h"
#include "foxpro/dbf_file.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <QThread>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using namespace qc;
using test::CliRun;

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The output from the summary on: the same for a run of one job and one of several.
std::string summaryOf(const std::string& output) {
    const auto at = output.find("\nTable ");
    return at == std::string::npos ? std::string() : output.substr(at);
}

// The tables the container lists (its records not deleted), read by python3-dbfread; each name
// as often as listed.
std::multiset<std::string> listedTables(const std::string& dbc) {
    const auto result =
        test::runPython({"-c",
                         "import sys, dbfread\n"
                         "for r in dbfread.DBF(sys.argv[1], ignore_missing_memofile=True):\n"
                         "    if r['OBJECTTYPE'].strip() == 'Table': print(r['OBJECTNAME'].strip())\n",
                         dbc});
    std::multiset<std::string> names;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);)
        names.insert(line);
    return names;
}

void removeContainer(const std::string& dbc) {
    for (const char* ext : {".dbc", ".dcx", ".dct"})
        std::filesystem::remove(std::filesystem::path(dbc).replace_extension(ext));
}

// A fixture of `tables` tables J1, J2, ... of `rows` rows each, with BigTable's columns, in `folder`.
std::string jobsFixture(const test::ScratchFolder& folder, int tables, int rows) {
    const std::string out = folder.file("jobs.sqlite").string();
    std::vector<std::pair<std::string, int>> spec;
    for (int t = 1; t <= tables; ++t)
        spec.emplace_back("J" + std::to_string(t), rows);
    test::TdsServer::writeBigRowTables(out, spec);
    return out;
}

std::uint32_t records(const std::string& dbf) {
    std::ifstream file(dbf, std::ios::binary);
    unsigned char header[8] = {};
    file.read(reinterpret_cast<char*>(header), sizeof header);
    return header[4] | header[5] << 8 | header[6] << 16;
}

// Every table of `names` in `folder` holds `count` records, waited for as long as `run` runs.
bool eachHolds(test::Process& run, const std::string& folder, const std::vector<std::string>& names,
               std::uint32_t count) {
    for (int i = 0; i < 1200 && run.running(); ++i) {
        if (std::all_of(names.begin(), names.end(),
                        [&](const std::string& name) { return records(folder + "/" + name) == count; }))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

TEST(CliJobs, ThreeJobsWriteTheTablesOneJobWritesAndVerifyClean) {
    CliRun cli;
    for (const bool container : {false, true}) {
        SCOPED_TRACE(container ? "container" : "folder");
        const std::string one = cli.path(container ? "c1" : "f1"), three = cli.path(container ? "c3" : "f3");
        std::filesystem::create_directory(one);
        std::filesystem::create_directory(three);
        const auto targetIn = [&](const std::string& folder) {
            return container ? std::vector<std::string>{"--dbc", folder + "/sales.dbc", "--create"}
                             : std::vector<std::string>{"--to", folder};
        };
        auto args = targetIn(one);
        args.push_back("--verify");
        const auto single = cli.convert(args);
        args = targetIn(three);
        args.insert(args.end(), {"--verify", "--jobs", "3"});
        const auto jobs = cli.convert(args);
        ASSERT_TRUE(jobs.finished) << jobs.errors;
        // AllTypes and NotNullTypes hold rows the FoxPro fields cannot take, in both runs alike.
        EXPECT_EQ(jobs.exitCode, single.exitCode) << jobs.errors;
        EXPECT_EQ(summaryOf(jobs.output), summaryOf(single.output)) << jobs.output;
        EXPECT_FALSE(has(jobs.output, "differs")) << jobs.output;
        EXPECT_TRUE(has(jobs.output, "BigTable: same (500 source rows, 500 records)")) << jobs.output;
        if (container) {
            const auto listed = listedTables(three + "/sales.dbc");
            EXPECT_EQ(listed, listedTables(one + "/sales.dbc"));
            EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), listed.size());
            // The container lists its tables in the order they were created, which jobs change.
            removeContainer(one + "/sales.dbc");
            removeContainer(three + "/sales.dbc");
        }
        EXPECT_TRUE(test::sameTables(one, three));
    }
}

TEST(CliJobs, ATableRefusedInOneJobDoesNotStopTheOthers) {
    CliRun cli;
    const std::string folder = cli.path("target");
    std::filesystem::create_directory(folder);
    ASSERT_EQ(cli.convert({"--to", folder}).exitCode, 1);
    // Another program writes to BigTable: its DROP is refused.
    auto held = foxpro::DbfFile::open(folder + "/bigtable.dbf", true);
    ASSERT_TRUE(held.lockExclusive());

    const auto run = cli.convert({"--to", folder, "--overwrite", "yes", "--jobs", "3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(has(run.errors, "File 'bigtable.dbf' is in use.")) << run.errors;
    const auto summary = summaryOf(run.output);
    EXPECT_TRUE(has(summary, "table refused: SQL error: File 'bigtable.dbf' is in use.")) << summary;
    EXPECT_TRUE(has(summary, "\nOrder Details             3          3          3          0\n")) << summary;
    EXPECT_EQ(test::dumpTable(folder + "/bigtable.dbf").records.size(), 500u);
    EXPECT_EQ(test::dumpTable(folder + "/order details.dbf").records.size(), 3u);
}

TEST(CliJobs, ALoginRefusedForAnyJobEndsTheRunBeforeAnythingIsWritten) {
    CliRun cli;
    // The command line's own check takes the first connection, the jobs the next three.
    test::TdsServer server(test::TdsServer::standardFixture(), 0, {"--refuse-logins-from", "4"});
    const std::string folder = cli.path("target");
    std::filesystem::create_directory(folder);
    const auto run = cli.convert({"--to", folder, "--port", std::to_string(server.port()), "--jobs", "3"});
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(has(run.errors, "The SQL Server database cannot be reached:")) << run.errors;
    EXPECT_TRUE(has(run.errors, "Login failed for user 'testuser'.")) << run.errors;
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(CliJobs, OnATerminalTheQuestionsComeFirstThenALinePerJobAndATotal) {
    CliRun cli;
    const std::vector<std::string> two{
        "--to", cli.dir.path().toStdString(), "--tables", "Order Details,BigTable", "--jobs", "2"};
    ASSERT_EQ(cli.convert(two).exitCode, 0);
    const auto run = cli.convertOnTerminal(two, "y\\ny\\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    // Both asked, one after the other, before any job draws its line.
    const auto firstLine = run.output.find("rows/s");
    EXPECT_LT(run.output.find("Would you like to overwrite BigTable? [y/n] "), firstLine) << run.output;
    EXPECT_LT(run.output.find("Would you like to overwrite Order Details? [y/n] "), firstLine) << run.output;
    // The lines drawn in place are erased as a whole before they are drawn again.
    EXPECT_TRUE(has(run.output, "total: 0 of 2 tables done, 0 rows, 0 rows/s")) << run.output;
    EXPECT_TRUE(has(run.output, "\x1b[J")) << run.output;
    EXPECT_TRUE(has(run.output, "BigTable: 500 of 500 rows, ")) << run.output;
    EXPECT_EQ(test::dumpTable(cli.path("bigtable.dbf")).records.size(), 500u);
}

// Three jobs each held up by the source after some rows of their table, then stopped: by Ctrl-C,
// which keeps every row written; by a kill in a container, which the next run repairs.
TEST(CliJobs, StoppedMidRunEveryTableKeepsItsRowsAndTheNextRunRepairs) {
    constexpr int kRowsBeforeStall = 120;
    const test::ScratchFolder scratch;
    const std::string fixture = jobsFixture(scratch, 4, 300);
    // The run's order is the listing's from its last entry: J1 waits for a free job.
    const std::vector<std::string> running{"j4.dbf", "j3.dbf", "j2.dbf"};
    for (const bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "kill in a container" : "Ctrl-C in a folder");
        CliRun cli;
        const std::string folder = cli.dir.path().toStdString();
        const std::string dbc = folder + "/jobs.dbc";
        const std::vector<std::string> target = kill ? std::vector<std::string>{"--dbc", dbc, "--create"}
                                                     : std::vector<std::string>{"--to", folder};
        test::TdsServer stalling(fixture, 0, {"--stall-after-rows", std::to_string(kRowsBeforeStall)});
        auto args = target;
        args.insert(args.end(), {"--port", std::to_string(stalling.port()), "--jobs", "3"});
        auto run = cli.startConvert(args);
        ASSERT_TRUE(eachHolds(run, folder, running, kRowsBeforeStall)) << run.wait(0).errors;

        if (!kill) {
            ASSERT_EQ(::kill(static_cast<pid_t>(run.pid()), SIGINT), 0);
            const auto stopped = run.wait(60000);
            EXPECT_EQ(stopped.exitCode, 130) << stopped.errors;
            for (const auto& name : running) {
                const auto dumped = test::dumpTable(folder + "/" + name);
                ASSERT_EQ(dumped.records.size(), static_cast<std::size_t>(kRowsBeforeStall)) << name;
                for (std::size_t r = 0; r < dumped.records.size(); ++r)
                    ASSERT_EQ(dumped.records[r].at("ID"), std::to_string(r + 1)) << name << " record " << r;
                EXPECT_TRUE(std::filesystem::exists(folder + "/." + name + ".unfinished")) << name;
            }
            EXPECT_TRUE(has(stopped.output, "\nJ1 ")) << stopped.output; // listed, not attempted
            continue;
        }
        run.kill();
        run.wait(60000);
        test::TdsServer whole(fixture);
        args = target;
        args.insert(args.end(), {"--port", std::to_string(whole.port()), "--jobs", "3", "--overwrite", "yes",
                                 "--verify"});
        const auto rerun = cli.convert(args);
        EXPECT_EQ(rerun.exitCode, 0) << rerun.errors << rerun.output;
        EXPECT_EQ(listedTables(dbc), (std::multiset<std::string>{"j1", "j2", "j3", "j4"}));
    }
}
