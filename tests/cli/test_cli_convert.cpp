// `marravex convert` end to end: FreeTDS, the SQL Server stand-in and real FoxPro files, with
// no display.
#include "support/environment.h"
#include "support/marravex_command.h"

#include "engine/conversion_run.h"
#include "engine/conversion_support.h"
#include "shell/settings.h"
#include "support/run_inputs.h"
#include "support/scripted_ui.h"
#include "support/small_disk.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace qc;
using test::CliRun;

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool matches(const std::string& text, const char* pattern) {
    return QRegularExpression(QString::fromUtf8(pattern)).match(QString::fromStdString(text)).hasMatch();
}

// `marravex convert` of one table into the test's folder on a pseudo-terminal, which is given
// `typed` as the user's keys.
test::ProcessResult onTerminal(const CliRun& cli, const std::string& table, const std::string& typed = "") {
    return cli.convertOnTerminal({"--to", cli.dir.path().toStdString(), "--tables", table}, typed);
}

// What the window stores for the stand-in's login and the folder target.
void storeLoginAndFolder(const CliRun& cli, const std::string& folder) {
    writeSetting(key::kMSSQLServer, QString::fromStdString(test::TdsServer::host()));
    writeSetting(key::kMSSQLPort, QString::number(cli.server.port()));
    writeSetting(key::kMSSQLDatabase, QStringLiteral("TestDB"));
    writeSetting(key::kMSSQLUser, QStringLiteral("testuser"));
    writeSetting(key::kMSSQLPassword, QString::fromStdString(test::kPassword));
    writeSetting(key::kFreeTableFolder, QString::fromStdString(folder));
}

} // namespace

TEST(CliConvert, WritesTheTablesOfTheWindowsRunAndCountsRefusedRows) {
    CliRun cli;
    const std::string window = cli.path("window"), command = cli.path("command");
    std::filesystem::create_directory(window);
    std::filesystem::create_directory(command);

    test::ScriptedUi ui;
    engine::ConversionRun run(ui);
    run.run(test::tdsLogin(cli.server.port()), test::folderTarget(window), engine::PreviewChoice());

    const auto result = cli.convert({"--to", command});
    ASSERT_TRUE(result.finished) << result.errors;
    // AllTypes and NotNullTypes hold rows the FoxPro fields cannot take.
    EXPECT_EQ(result.exitCode, 1) << result.errors;
    EXPECT_TRUE(test::sameTables(window, command));

    // Off a terminal, one line per table when it ends, then the summary.
    EXPECT_TRUE(has(result.output, "BigTable: 500 of 500 rows, ")) << result.output;
    EXPECT_TRUE(matches(result.output, R"(\nTable +Source +Read +Written +Refused +First refusal\n)"))
        << result.output;
    EXPECT_TRUE(
        matches(result.output, R"(\nAllTypes +6 +6 +2 +4 +SQL error: Numeric overflow in field C_BIGINT)"))
        << result.output;
    EXPECT_TRUE(matches(result.output, R"(\nBigTable +500 +500 +500 +0\n)")) << result.output;
    // The reports in the words of the window's, one per refused row.
    EXPECT_TRUE(has(result.errors,
                    "Application Error: SQL error: Numeric overflow in field C_BIGINT. The value "
                    "does not fit; the row was not written. (table AllTypes, source row 1)\n"
                    "in Ferroquill2021/08/31.Form1.PushButton7_Click at line 426\n\n"
                    "Please email screenshot"))
        << result.errors;
    EXPECT_EQ(test::dumpTable(command + "/alltypes.dbf").records.size(), 2u);
}

TEST(CliConvert, ContainerIsCreatedOnRequestAndExistingTablesFollowOverwrite) {
    CliRun cli;
    const std::string dbc = cli.path("sales.dbc");
    const std::vector<std::string> orders{"--dbc", dbc, "--tables", "order details"};

    const auto missing = cli.convert(orders);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(has(missing.errors, "The FoxPro target cannot be opened:")) << missing.errors;

    auto withCreate = orders;
    withCreate.push_back("--create");
    // A run that cannot start creates nothing.
    const auto refusedLogin = cli.convert(withCreate, test::headless("not the password"));
    EXPECT_EQ(refusedLogin.exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dbc));
    auto nowhere = withCreate;
    nowhere[1] = cli.path("no/such/folder/sales.dbc");
    const auto noFolder = cli.convert(nowhere);
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_TRUE(has(noFolder.errors, "does not exist or cannot be written")) << noFolder.errors;

    const auto first = cli.convert(withCreate);
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    EXPECT_TRUE(first.errors.empty()) << first.errors;
    // Only the table asked for.
    EXPECT_FALSE(has(first.output, "BigTable")) << first.output;
    const std::string table = cli.path("order details.dbf");
    EXPECT_EQ(test::dumpTable(table).records.size(), 3u);

    // Kept: listed, not refused. Without a terminal the default is to keep.
    for (const auto& keep : {std::vector<std::string>{}, std::vector<std::string>{"--overwrite", "no"}}) {
        auto args = orders;
        args.insert(args.end(), keep.begin(), keep.end());
        const auto kept = cli.convert(args);
        EXPECT_EQ(kept.exitCode, 0) << kept.errors;
        EXPECT_TRUE(has(kept.output, "Order Details: kept, the target has it (not overwritten)"))
            << kept.output;
        EXPECT_TRUE(has(kept.output, "kept: not overwritten")) << kept.output;
    }
    auto replace = orders;
    replace.insert(replace.end(), {"--overwrite", "yes"});
    const auto replaced = cli.convert(replace);
    EXPECT_EQ(replaced.exitCode, 0) << replaced.errors;
    EXPECT_EQ(test::dumpTable(table).records.size(), 3u);

    // "ask" needs someone to answer.
    replace.back() = "ask";
    EXPECT_EQ(cli.convert(replace).exitCode, 2);
}

TEST(CliConvert, TheSummaryListsEveryTableOfTheRunWithItsSourceRows) {
    CliRun cli;
    test::SmallDisk disk;
    ASSERT_TRUE(disk.ok()) << disk.error();
    const std::vector<std::string> tables{"--to", disk.path(), "--tables",
                                          "BigTable,Order Details,Weird]Name"};
    auto weird = tables;
    weird.back() = "Weird]Name";
    ASSERT_EQ(cli.convert(weird).exitCode, 0);
    // The target refuses the first table it is to create, and so every other: the kept table, the
    // refused one and those never attempted are each listed with the rows their source holds.
    ASSERT_TRUE(disk.setReadOnly(true));
    auto reported = tables;
    const std::string reportFile = cli.path("report.json");
    reported.insert(reported.end(), {"--report", reportFile});
    const auto result = cli.convert(reported);
    EXPECT_EQ(result.exitCode, 1) << result.errors;
    EXPECT_TRUE(matches(result.output, R"(\nWeird\]Name +2 +- +- +- +kept: not overwritten\n)"))
        << result.output;
    EXPECT_TRUE(matches(
        result.output,
        R"(\nOrder Details +3 +0 +0 +0 +table refused: .*Access is denied.* \(3 rows not attempted\)\n)"))
        << result.output;
    EXPECT_TRUE(matches(result.output, R"(\nBigTable +500 +- +- +- +not attempted\n)")) << result.output;

    // The same figures in the report a scheduled job keeps.
    const auto report = test::runPython({"-c",
                                         "import json,sys; r=json.load(open(sys.argv[1])); print(r['end'], "
                                         "r['exitStatus'], r['errorReports']); "
                                         "[print(t['name'], t['fate'], t['sourceRows'], t.get('read'), "
                                         "t.get('refused'), t.get('tableRefused'), "
                                         "t.get('held')) for t in r['tables']]",
                                         reportFile});
    EXPECT_EQ(report.output, "target refused 1 1\n"
                             "Weird]Name kept 2 None None None 2\n"
                             "Order Details converted 3 0 0 True None\n"
                             "BigTable not attempted 500 None None None None\n")
        << report.errors;
    // A report that cannot be kept stops the run before it starts.
    EXPECT_EQ(cli.convert({"--to", disk.path(), "--report", cli.path("no/such/folder/r.json")}).exitCode, 2);
}

TEST(CliConvert, ASilentSourceEndsItsTableAtTheTimeoutAndExecuteTellsTheStatementReached) {
    CliRun cli;
    const std::string folder = cli.dir.path().toStdString();
    test::TdsServer stalling(test::TdsServer::standardFixture(), 0, {"--stall-after-rows", "120"});
    const auto result = cli.convert({"--port", std::to_string(stalling.port()), "--to", folder, "--tables",
                                     "BigTable,AllTypes", "--timeout", "1"});
    EXPECT_EQ(result.exitCode, 1);
    const std::string report = "The source sent nothing for 1 s; the read was cancelled. (table BigTable, "
                               "source row 121)\nin ";
    EXPECT_TRUE(has(result.errors, report)) << result.errors;
    EXPECT_EQ(result.errors.find(report), result.errors.rfind(report)) << result.errors;
    EXPECT_EQ(test::dumpTable(folder + "/bigtable.dbf").records.size(), 120u);
    // The run went on with the next table, on the same connection.
    EXPECT_TRUE(matches(result.output, R"(\nAllTypes +6 +6 +2 +4 )")) << result.output;

    const std::string script = cli.path("orders.sql");
    ASSERT_EQ(cli.convert({"--to", folder, "--tables", "Order Details", "--script", script}).exitCode, 0);
    const auto executed = test::runProcess(
        "/usr/bin/script",
        {"-qec", "'" + test::marravex() + "' execute '" + script + "' --to '" + folder + "'", "/dev/null"},
        120, test::headless());
    EXPECT_TRUE(has(executed.output, "statement 1 of 4")) << executed.output;
}

TEST(CliConvert, RunsThatCannotStartEndWithStatusTwoAndSayWhy) {
    CliRun cli;
    const std::string folder = cli.dir.path().toStdString();

    const auto wrong = cli.convert({"--to", folder}, test::headless("not the password"));
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(has(wrong.errors, "The SQL Server database cannot be reached:")) << wrong.errors;
    EXPECT_TRUE(has(wrong.errors, "Login failed for user 'testuser'")) << wrong.errors;

    // The driver's reason, each line once, however many of its records repeat it.
    auto closedPort = test::runMarravex({"convert", "--server", test::TdsServer::host(), "--port", "1",
                                         "--database", "TestDB", "--user", "testuser", "--to", folder});
    EXPECT_EQ(closedPort.exitCode, 2);
    const std::string unavailable = "Adaptive Server is unavailable";
    const auto first = closedPort.errors.find(unavailable);
    EXPECT_NE(first, std::string::npos) << closedPort.errors;
    EXPECT_EQ(closedPort.errors.find(unavailable, first + 1), std::string::npos) << closedPort.errors;

    const auto inOption = cli.convert({"--to", folder, "--password=" + test::kPassword}, test::headless(""));
    EXPECT_EQ(inOption.exitCode, 2);
    EXPECT_TRUE(has(inOption.errors, "never given as an option")) << inOption.errors;
    EXPECT_FALSE(has(inOption.errors, test::kPassword));

    const auto none = cli.convert({"--to", folder}, test::headless(""));
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(has(none.errors, "no password")) << none.errors;

    const auto unknownTable = cli.convert({"--to", folder, "--tables", "NoSuchTable"});
    EXPECT_EQ(unknownTable.exitCode, 2);
    EXPECT_TRUE(has(unknownTable.errors, "the source has no table NoSuchTable")) << unknownTable.errors;

    EXPECT_EQ(cli.convert({"--to", cli.path("missing")}).exitCode, 2);
    const auto noScript = cli.convert({"--to", folder, "--script", cli.path("missing/s.sql")});
    EXPECT_EQ(noScript.exitCode, 2);
    EXPECT_TRUE(has(noScript.errors, "cannot write")) << noScript.errors;
    EXPECT_EQ(test::runMarravex({"convert", "--to", folder}).exitCode, 2);
    EXPECT_EQ(test::runMarravex({"convert", "--bogus"}).exitCode, 2);
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    const auto help = test::runMarravex({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(has(help.output, "EXIT STATUS")) << help.output;
    EXPECT_TRUE(has(help.output, "execute SCRIPT (--to FOLDER | --dbc FILE [--create])")) << help.output;
}

TEST(CliConvert, PasswordFileAndSavedSettings) {
    CliRun cli;
    const std::string secret = cli.path("secret");
    { std::ofstream(secret) << test::kPassword << "\n"; }
    const auto fromFile = cli.convert({"--to", cli.dir.path().toStdString(), "--tables",
                                       "Weird]Name,EmergencySystems", "--password-file", secret},
                                      test::headless(""));
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.errors;
    // A user table whose name holds "SYS" is one like any other.
    EXPECT_EQ(test::dumpTable(cli.path("emergencysystems.dbf")).records.size(), 4u);

    // What the window stored; the test program's settings folder is the child's too.
    const std::string stored = cli.path("stored");
    std::filesystem::create_directory(stored);
    storeLoginAndFolder(cli, stored);
    // As at the window's next start, the target chosen last holds whatever folder is stored too.
    writeSetting(key::kDBCFile, QString::fromStdString(cli.path("elsewhere.dbc")));
    writeSetting(key::kFoxproOption, QStringLiteral("1"));
    const std::vector<std::string> args{"convert", "--saved-settings", "--tables", "Order Details"};
    const auto container = test::runMarravex(args, test::headless(""));
    EXPECT_EQ(container.exitCode, 2);
    EXPECT_TRUE(has(container.errors, "elsewhere.dbc")) << container.errors;
    writeSetting(key::kFoxproOption, QStringLiteral("2"));
    const auto saved = test::runMarravex(args, test::headless(""));
    EXPECT_EQ(saved.exitCode, 0) << saved.errors;
    EXPECT_EQ(test::dumpTable(stored + "/order details.dbf").records.size(), 3u);
}

TEST(CliConvert, TheCodePageComesFromTheOptionTheStoredChoiceOrTheLanguage) {
    CliRun cli;
    const auto markOf = [&](const std::string& dbf) {
        std::ifstream in(dbf, std::ios::binary);
        in.seekg(29);
        return in.get();
    };
    auto english = test::headless();
    english["LC_ALL"] = "en_US.UTF-8";
    auto polish = test::headless("");
    polish["LC_ALL"] = "pl_PL.UTF-8";

    const std::string chosen = cli.path("chosen"), language = cli.path("language"),
                      stored = cli.path("stored");
    for (const auto& folder : {chosen, language, stored})
        std::filesystem::create_directory(folder);
    EXPECT_EQ(
        cli.convert({"--to", chosen, "--tables", "EmergencySystems", "--codepage", "1251"}, english).exitCode,
        0);
    EXPECT_EQ(markOf(chosen + "/emergencysystems.dbf"), 0xC9);
    auto polishWithPassword = polish;
    polishWithPassword["MARRAVEX_PASSWORD"] = test::kPassword;
    EXPECT_EQ(cli.convert({"--to", language, "--tables", "EmergencySystems"}, polishWithPassword).exitCode,
              0);
    EXPECT_EQ(markOf(language + "/emergencysystems.dbf"), 0xC8);

    // The window's choice, under a language that would give another.
    storeLoginAndFolder(cli, stored);
    writeSetting(key::kFoxproOption, QStringLiteral("2"));
    writeSetting(key::kCodePage, QStringLiteral("1253"));
    const std::vector<std::string> saved{"convert", "--saved-settings", "--tables", "EmergencySystems"};
    EXPECT_EQ(test::runMarravex(saved, polish).exitCode, 0);
    EXPECT_EQ(markOf(stored + "/emergencysystems.dbf"), 0xCB);
    writeSetting(key::kCodePage, QStringLiteral("65001"));
    const auto badStored = test::runMarravex(saved, polish);
    EXPECT_EQ(badStored.exitCode, 2);
    EXPECT_TRUE(has(badStored.errors, "The stored setting CodePage takes one of")) << badStored.errors;
    writeSetting(key::kCodePage, QString());

    for (const char* page : {"1257", "65001"}) {
        const auto refused = cli.convert({"--to", chosen, "--codepage", page}, english);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(has(refused.errors,
                        "--codepage takes one of the code pages FoxPro marks a table with and "
                        "this program can write (437, 737, 850,"))
            << refused.errors;
    }
    const std::string script = cli.path("script.sql");
    { std::ofstream(script) << "CREATE TABLE kyiv (name CHAR(10))\nINSERT INTO kyiv VALUES ('Київ')\n"; }
    EXPECT_EQ(test::runMarravex({"execute", script, "--to", chosen, "--codepage", "866"}, english).exitCode,
              0);
    EXPECT_EQ(markOf(chosen + "/kyiv.dbf"), 0x65);
    EXPECT_EQ(test::dumpTable(chosen + "/kyiv.dbf").records.at(0).at("NAME"), "Київ");
}

TEST(CliConvert, OnATerminalTheProgressLineIsRedrawnInPlace) {
    CliRun cli;
    const auto result = onTerminal(cli, "BigTable");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    // Drawn from the start of the line and erased to its end; the table's last drawing stays.
    EXPECT_TRUE(has(result.output, "\rBigTable: 0 of ? rows, 0 rows/s\x1b[K")) << result.output;
    EXPECT_TRUE(matches(result.output, "\rBigTable: 500 of 500 rows, [0-9]+ rows/s\x1b\\[K\r?\n"))
        << result.output;
}

TEST(CliConvert, OnATerminalTheOverwriteQuestionIsAsked) {
    CliRun cli;
    ASSERT_EQ(onTerminal(cli, "Order Details").exitCode, 0);
    const auto kept = onTerminal(cli, "Order Details", "n\\n");
    EXPECT_EQ(kept.exitCode, 0);
    EXPECT_TRUE(has(kept.output, "Would you like to overwrite Order Details? [y/n] ")) << kept.output;
    EXPECT_TRUE(has(kept.output, "kept: not overwritten")) << kept.output;
    const auto replaced = onTerminal(cli, "Order Details", "y\\n");
    EXPECT_EQ(replaced.exitCode, 0);
    EXPECT_TRUE(has(replaced.output, "Would you like to overwrite Order Details? [y/n] ")) << replaced.output;
    EXPECT_TRUE(matches(replaced.output, "\nOrder Details +3 +3 +3 +0")) << replaced.output;
    EXPECT_EQ(test::dumpTable(cli.path("order details.dbf")).records.size(), 3u);
}
