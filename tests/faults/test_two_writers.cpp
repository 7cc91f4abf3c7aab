// Two processes converting into one target at the same time: the one that gets the table (in a
// folder) or the container first uses it exclusively until it closes; the other is told "in
// use" and writes nothing. Every row of the winner is there and every memo pointer of it leads
// to its own row's text, as independent readers see them.
#include "faults/fault_child.h"
#include "faults/fault_readers.h"
#include "faults/fault_summary.h"
#include "support/scratch_folder.h"

#include "foxpro/container.h"
#include "foxpro/database.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace qc::test::faults {
namespace {

constexpr int kRows = 1500;

std::string memoText(int id, char who) {
    return "row " + std::to_string(id) + " of " + who + " " +
           std::string(static_cast<std::size_t>(id % 7) * 90, who);
}

std::vector<std::string> conversion(char who) {
    std::vector<std::string> statements = {"DROP TABLE big", "CREATE TABLE big (id I, who C(1), notes M)"};
    for (int id = 1; id <= kRows; ++id)
        statements.push_back("INSERT INTO big VALUES (" + std::to_string(id) + ", '" + who + "', '" +
                             memoText(id, who) + "')");
    return statements;
}

void touch(const std::string& path) {
    std::ofstream(path) << "go";
}

void twoWritersAtOnce(bool container) {
    ScratchFolder folder;
    ScratchFolder barrier;
    if (container)
        qc::foxpro::Container::create(folder.path() / "d.dbc");
    const std::string target = container ? folder.file("d.dbc").string() : folder.str();
    std::vector<Process> children;
    for (char who : {'A', 'B'}) {
        ChildJob job;
        job.target = target;
        job.statements = conversion(who);
        job.goFile = barrier.file("go");
        job.endFile = barrier.file("end");
        job.statementsFile = barrier.file(std::string(1, who) + ".sql");
        children.push_back(startChild(job));
        ASSERT_TRUE(children.back().started());
    }
    touch(barrier.file("go"));
    // Both keep their connection open until both are through, as a run keeps its own.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!(childFinished(children[0]) && childFinished(children[1])) &&
           std::chrono::steady_clock::now() < deadline) {
    }
    touch(barrier.file("end"));
    const ChildResult results[2] = {waitChild(children[0]), waitChild(children[1])};

    int winner = -1;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(results[i].exitCode, 0) << results[i].output.substr(0, 2000);
        ASSERT_EQ(results[i].lines.size(), static_cast<std::size_t>(kRows + 3))
            << results[i].output.substr(0, 2000);
        const bool allRows = std::all_of(results[i].lines.begin() + 2, results[i].lines.end() - 1,
                                         [](const std::string& line) { return line == "ok"; });
        if (allRows) {
            ASSERT_EQ(winner, -1) << "both wrote every row";
            winner = i;
        }
    }
    ASSERT_NE(winner, -1) << results[0].output.substr(0, 1000) << results[1].output.substr(0, 1000);
    const ChildResult& loser = results[1 - winner];
    const std::string inUse = container ? "SQL error: File 'd.dbc' is in use. (table big)"
                                        : "SQL error: File 'big.dbf' is in use. (table big)";
    for (std::size_t i = 2; i + 1 < loser.lines.size(); ++i)
        ASSERT_EQ(loser.lines[i], "error: " + inUse) << "statement " << i;
    EXPECT_NE(loser.lines[1], "ok"); // its CREATE

    const char who = winner == 0 ? 'A' : 'B';
    const auto back = dbfread(folder.file("big.dbf"));
    ASSERT_TRUE(back.ok) << back.error;
    ASSERT_EQ(back.rows.size(), static_cast<std::size_t>(kRows));
    for (int id = 1; id <= kRows; ++id) {
        const std::string& row = back.rows[static_cast<std::size_t>(id - 1)];
        const std::string expected = "{\"ID\": " + std::to_string(id) + ", \"WHO\": \"" + who +
                                     "\", \"NOTES\": \"" + memoText(id, who) + "\",";
        ASSERT_EQ(row.substr(0, expected.size()), expected);
    }
    countRowsCompared(kRows);
    bool ok = false;
    const std::string dump = vfpDump(folder.file("big.dbf"), ok);
    ASSERT_TRUE(ok) << dump.substr(0, 2000);
    EXPECT_EQ(vfpRecordCount(dump), static_cast<std::size_t>(kRows));
    EXPECT_EQ(qc::foxpro::Database::open(target)->tableNames(), std::vector<std::string>{"big"});
    if (container) {
        EXPECT_TRUE(vfpDump(folder.file("d.dbc"), ok).size() > 0 && ok);
    }
    countStateChecked();
}

TEST(TwoWriters, OneFolderTable) {
    twoWritersAtOnce(false);
}

TEST(TwoWriters, OneContainer) {
    twoWritersAtOnce(true);
}

} // namespace
} // namespace qc::test::faults
