// Script files: written by `convert --script`, run by `marravex execute` with the preview's rules.
#include "support/marravex_command.h"

#include "cli/script_file.h"

#include <gtest/gtest.h>

#include <QThread>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace qc;
using test::CliRun;

namespace {

std::vector<std::string> lines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);)
        all.push_back(line);
    return all;
}

void writeLines(const std::string& file, const std::vector<std::string>& all) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const auto& line : all)
        out << line << '\n';
}

} // namespace

TEST(ScriptFile, LineBreaksAndBackslashesSurviveTheRoundTrip) {
    const std::vector<std::string> statements{"INSERT INTO t VALUES ('a\r\nb')", "x\\ny \\\\ \\r", "",
                                              "\n\r\r\n", "caf\xc3\xa9"};
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("s.sql")).toStdString();
    cli::writeScript(file, statements);
    EXPECT_EQ(lines(file).size(), statements.size()); // one record per statement
    EXPECT_EQ(cli::readScript(file), statements);

    // An editor's CR LF line ends read the same; an unknown escape is an error naming its line.
    writeLines(file, {"a\\r\\n\r", "b\r"});
    EXPECT_EQ(cli::readScript(file), (std::vector<std::string>{"a\r\n", "b"}));
    writeLines(file, {"fine", "bad \\t"});
    try {
        cli::readScript(file);
        ADD_FAILURE() << "an unknown escape was read";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("statement 2"), std::string::npos) << e.what();
    }
}

TEST(CliScript, AnOlderScriptStaysUntilTheNewOneIsWholeAndKeepsItsLinkAndMode) {
    CliRun cli;
    const std::string real = cli.path("real.sql"), link = cli.path("link.sql");
    writeLines(real, {"older"});
    std::filesystem::permissions(real, std::filesystem::perms(0640));
    std::filesystem::create_symlink("real.sql", link);
    const auto hiddenFiles = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(cli.dir.path().toStdString()))
            count += entry.path().filename().string().starts_with(".real.sql.");
        return count;
    };

    // Ctrl-C while the source holds the run up: the older script is untouched, nothing is left.
    test::TdsServer stalling(test::TdsServer::standardFixture(), 0, {"--stall-after-rows", "100"});
    auto run = cli.startConvert({"--port", std::to_string(stalling.port()), "--tables", "BigTable", "--to",
                                 cli.dir.path().toStdString(), "--script", link});
    for (int i = 0; i < 600 && run.running() && hiddenFiles() == 0; ++i)
        QThread::msleep(50);
    ASSERT_EQ(hiddenFiles(), 1);
    ASSERT_EQ(::kill(static_cast<pid_t>(run.pid()), SIGINT), 0);
    EXPECT_EQ(run.wait(60000).exitCode, 130);
    EXPECT_EQ(lines(real), std::vector<std::string>{"older"});
    EXPECT_EQ(hiddenFiles(), 0);

    const auto written =
        cli.convert({"--tables", "Order Details", "--to", cli.dir.path().toStdString(), "--script", link});
    ASSERT_EQ(written.exitCode, 0) << written.errors;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(lines(real).size(), 4u); // CREATE and three rows
    EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(hiddenFiles(), 0);
}

TEST(CliExecute, ScriptThenExecuteWritesWhatTheDirectRunWritesAndResumesAfterAnError) {
    CliRun cli;
    const std::string direct = cli.path("direct"), scripted = cli.path("scripted"),
                      resumed = cli.path("resumed");
    for (const auto& folder : {direct, scripted, resumed})
        std::filesystem::create_directory(folder);
    const std::vector<std::string> tables{"--tables", "BigTable,Order Details,LongColumnNames,Weird]Name"};
    auto args = tables;
    args.insert(args.end(), {"--to", direct});
    ASSERT_EQ(cli.convert(args).exitCode, 0);

    const std::string script = cli.path("tables.sql");
    args = tables;
    args.insert(args.end(), {"--to", scripted, "--script", script});
    const auto written = cli.convert(args);
    ASSERT_EQ(written.exitCode, 0) << written.errors;
    EXPECT_TRUE(std::filesystem::is_empty(scripted)); // nothing executed
    const auto statements = lines(script);
    ASSERT_EQ(statements.size(), 4u + 500 + 3 + 2 + 2)
        << written.output; // a CREATE and the INSERTs per table

    const auto executed = test::runMarravex({"execute", script, "--to", scripted});
    EXPECT_EQ(executed.exitCode, 0) << executed.errors;
    EXPECT_TRUE(test::sameTables(direct, scripted));

    // A statement the target refuses stops the run at its number; mended, the run resumes there.
    auto broken = statements;
    const std::size_t bad = 300;
    broken[bad - 1] = "INSERT INTO nosuch VALUES (1)";
    writeLines(script, broken);
    const auto stopped = test::runMarravex({"execute", script, "--to", resumed});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_NE(
        stopped.errors.find("Error found at statement 300:\nSQL error: File 'nosuch.dbf' does not exist."),
        std::string::npos)
        << stopped.errors;
    writeLines(script, statements);
    const auto resumedRun = test::runMarravex({"execute", script, "--to", resumed, "--from-line", "300"});
    EXPECT_EQ(resumedRun.exitCode, 0) << resumedRun.errors;
    EXPECT_TRUE(test::sameTables(direct, resumed));
}

TEST(CliExecute, ValuesHoldingCrLfSurviveTheScript) {
    CliRun cli;
    const std::string direct = cli.path("direct"), scripted = cli.path("scripted");
    std::filesystem::create_directory(direct);
    std::filesystem::create_directory(scripted);
    // AllTypes holds texts with CR LF, and rows the target refuses.
    EXPECT_EQ(cli.convert({"--tables", "AllTypes", "--to", direct}).exitCode, 1);
    const std::string script = cli.path("alltypes.sql");
    ASSERT_EQ(cli.convert({"--tables", "AllTypes", "--to", scripted, "--script", script}).exitCode, 0);
    const auto statements = lines(script);
    EXPECT_EQ(statements.size(), 7u); // CREATE and six rows, one record each
    EXPECT_TRUE(std::any_of(statements.begin(), statements.end(), [](const std::string& line) {
        return line.find("\\r\\n") != std::string::npos;
    }));

    // Each refused row stops the run; going on after it, as the direct run did, ends alike.
    int from = 1, stops = 0;
    for (; stops < 10; ++stops) {
        const auto run =
            test::runMarravex({"execute", script, "--to", scripted, "--from-line", std::to_string(from)});
        if (run.exitCode == 0)
            break;
        const auto at = run.errors.find("Error found at statement ");
        ASSERT_NE(at, std::string::npos) << run.errors;
        from = std::stoi(run.errors.substr(at + 25)) + 1;
    }
    EXPECT_EQ(stops, 4);
    EXPECT_TRUE(test::sameTables(direct, scripted));
}
