// Ctrl-C in the middle of a table: status 130, and every row written so far is in the table.
#include "support/marravex_command.h"

#include "engine/conversion_support.h"
#include "foxpro/dbf_file.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <filesystem>
#include <fstream>

using namespace qc;

namespace {

std::string commandLineOf(long long pid) {
    return test::readBytes("/proc/" + std::to_string(pid) + "/cmdline");
}

} // namespace

TEST(CliInterrupt, CtrlCKeepsEveryRowWrittenAndEndsWith130) {
    constexpr int kRows = 100000;
    test::CliRun cli(kRows);
    const std::string folder = cli.dir.path().toStdString();
    const std::string table = folder + "/bigtable.dbf";
    const std::string secret = cli.path("secret");
    { std::ofstream(secret) << test::kPassword; }
    auto run = cli.startConvert({"--to", folder, "--tables", "BigTable", "--password-file", secret},
                                test::headless(""));
    ASSERT_TRUE(run.started());
    const long long pid = run.pid();
    // Well into the table: some hundreds of rows written (the file itself grows a step ahead).
    for (int i = 0; i < 600 && run.running(); ++i) {
        std::ifstream dbf(table, std::ios::binary);
        unsigned char header[8] = {};
        if (dbf.read(reinterpret_cast<char*>(header), sizeof header) && (header[4] | header[5] << 8) > 300)
            break;
        QThread::msleep(50);
    }
    ASSERT_TRUE(run.running()) << "the run ended before it could be interrupted";
    const std::string commandLine = commandLineOf(pid);
    EXPECT_NE(commandLine.find("BigTable"), std::string::npos);
    EXPECT_EQ(commandLine.find(test::kPassword), std::string::npos);

    ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGINT), 0);
    const auto result = run.wait(60000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 130) << result.errors;
    EXPECT_NE(result.errors.find("Interrupted."), std::string::npos) << result.errors;

    // The rows written are the source's first rows, whole and in order.
    const auto dumped = test::dumpTable(table);
    ASSERT_GT(dumped.records.size(), 0u);
    ASSERT_LT(dumped.records.size(), static_cast<std::size_t>(kRows));
    for (std::size_t r = 0; r < dumped.records.size(); ++r) {
        const auto& id = dumped.records[r].at(dumped.fields.at(0));
        ASSERT_TRUE(id.has_value());
        ASSERT_EQ(*id, std::to_string(r + 1)) << "record " << r;
    }
    // The room the table took ahead of its rows was given back before the program ended.
    const auto written = qc::foxpro::DbfFile::open(table, false);
    EXPECT_EQ(std::filesystem::file_size(table),
              written.layout().headerLength +
                  std::uint64_t(written.recordCount()) * written.layout().recordLength + 1);
}

TEST(CliInterrupt, ATableLeftPartialIsKeptAsUnfinishedUntilReplaced) {
    constexpr int kRowsBeforeStall = 120;
    test::CliRun cli;
    const std::string folder = cli.dir.path().toStdString();
    const std::string table = folder + "/bigtable.dbf";
    const std::vector<std::string> bigTable{"--to", folder, "--tables", "BigTable"};
    const auto records = [&] {
        std::ifstream dbf(table, std::ios::binary);
        unsigned char header[8] = {};
        dbf.read(reinterpret_cast<char*>(header), sizeof header);
        return header[4] | header[5] << 8 | header[6] << 16;
    };

    // Ctrl-C while the source holds the run up after some rows.
    test::TdsServer stalling(test::TdsServer::standardFixture(), 0,
                             {"--stall-after-rows", std::to_string(kRowsBeforeStall)});
    auto args = bigTable;
    args.insert(args.end(), {"--port", std::to_string(stalling.port())});
    auto run = cli.startConvert(args);
    for (int i = 0; i < 600 && run.running() && records() < kRowsBeforeStall; ++i)
        QThread::msleep(50);
    ASSERT_EQ(records(), kRowsBeforeStall);
    ASSERT_EQ(::kill(static_cast<pid_t>(run.pid()), SIGINT), 0);
    ASSERT_EQ(run.wait(60000).exitCode, 130);

    // Kept by default, but not as if whole.
    const auto kept = cli.convert(bigTable);
    EXPECT_EQ(kept.exitCode, 1) << kept.output;
    EXPECT_TRUE(QString::fromStdString(kept.output)
                    .contains(QRegularExpression(
                        R"(\nBigTable +500 +- +- +- +kept, unfinished: holds 120 of 500 source rows\n)")))
        << kept.output;

    // Replaced whole, it is kept as it is; a source that has grown since is told, and is no fault.
    auto replace = bigTable;
    replace.insert(replace.end(), {"--overwrite", "yes"});
    ASSERT_EQ(cli.convert(replace).exitCode, 0);
    EXPECT_EQ(cli.convert(bigTable).exitCode, 0);
    test::TdsServer grown(test::TdsServer::standardFixture(600));
    args = bigTable;
    args.insert(args.end(), {"--port", std::to_string(grown.port())});
    const auto later = cli.convert(args);
    EXPECT_EQ(later.exitCode, 0) << later.output;
    EXPECT_NE(later.output.find("kept: not overwritten; holds 500 of 600 source rows\n"), std::string::npos)
        << later.output;
}
