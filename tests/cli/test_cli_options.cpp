// The command line's options: both GNU forms, and the combinations that cannot start a run.
#include "cli/options.h"

#include <gtest/gtest.h>

using namespace qc::cli;

namespace {

ParseResult parse(const QStringList& args) {
    return parseOptions(args);
}

const QStringList kLogin{"convert", "--server", "db1", "--database", "Sales", "--user", "etl"};

} // namespace

TEST(CliOptions, BothFormsOfValuesAndTheTableList) {
    const auto r = parse(kLogin + QStringList{"--to=/srv/fox", "--tables", " Orders , Order Details,",
                                              "--overwrite=yes", "--port", "1500"});
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_EQ(r.options.folder, QStringLiteral("/srv/fox"));
    EXPECT_EQ(r.options.port, QStringLiteral("1500"));
    EXPECT_EQ(r.options.tables, (QStringList{"Orders", "Order Details"}));
    EXPECT_EQ(r.options.overwrite, OverwritePolicy::Yes);

    const auto e = parse({"execute", "s.sql", "--dbc", "x.dbc", "--from-line=12"});
    ASSERT_TRUE(e.error.isEmpty()) << e.error.toStdString();
    EXPECT_EQ(e.options.scriptToRun, QStringLiteral("s.sql"));
    EXPECT_EQ(e.options.fromLine, 12);
    EXPECT_EQ(parse({"convert", "--to", "x", "--help"}).options.command, Command::Help);
}

TEST(CliOptions, WhatCannotStartARunIsNamed) {
    const std::vector<std::pair<QStringList, QString>> cases{
        {kLogin + QStringList{"--to", "a", "--password", "x"}, "never given as an option"},
        {kLogin + QStringList{"--to", "a", "--password=x"}, "never given as an option"},
        {kLogin + QStringList{"--to", "a", "--dbc", "b.dbc"}, "not both"},
        {kLogin + QStringList{"--to", "a", "--port", "1", "--local"}, "not both"},
        {kLogin + QStringList{"--to", "a", "--port", "14x3"}, "--port takes a TCP port number"},
        {kLogin + QStringList{"--to", "a", "--port=0"}, "--port takes a TCP port number"},
        {kLogin + QStringList{"--to", "a", "--timeout", "0"}, "--timeout takes a number of seconds"},
        {kLogin + QStringList{"--to", "a", "--overwrite", "always"}, "ask, yes or no"},
        {kLogin + QStringList{"--to", "a", "--tables", " , "}, "at least one table"},
        {kLogin + QStringList{"--to", "a", "--create"}, "goes with --dbc"},
        {kLogin + QStringList{"--to"}, "--to needs a value"},
        {kLogin, "no target"},
        {{"convert", "--to", "a"}, "--server, --database and --user"},
        {{"execute", "--to", "a"}, "script file"},
        {{"execute", "s.sql", "--to", "a", "--from-line", "0"}, "from 1"},
        {{"execute", "s.sql", "--to", "a", "--tables", "x"}, "unknown option '--tables'"},
        {{"export"}, "unknown command"},
        {kLogin + QStringList{"--to", "a", "--codepage", "1257"}, "can write (437, 737, 850, 852"},
        {{"execute", "s.sql", "--to", "a", "--codepage=65001"}, "1256, 10000, 10007, 10029), not '65001'"},
        {kLogin + QStringList{"--to", "a", "--codepage", "01250"}, "not '01250'"},
        {kLogin + QStringList{"--to", "a", "--jobs", "0"},
         "--jobs takes a number of tables at once from 1 to 64"},
        {kLogin + QStringList{"--to", "a", "--jobs=65"}, "not '65'"},
        {kLogin + QStringList{"--to", "a", "--jobs", "2", "--script", "s.sql"},
         "a script's statements follow one order"},
        {{"verify", "--to", "a", "--jobs", "2"}, "unknown option '--jobs'"},
    };
    for (const auto& [args, says] : cases) {
        const auto r = parse(args);
        EXPECT_TRUE(r.error.contains(says)) << args.join(' ').toStdString() << ": " << r.error.toStdString();
    }
    // The password itself never goes into the message.
    EXPECT_FALSE(parse(kLogin + QStringList{"--password=Secret#1"}).error.contains("Secret#1"));
}
