// The conversion run end to end through FreeTDS and the SQL Server stand-in into a FoxPro folder.
#include "conversion_support.h"

#include "engine/conversion_run.h"
#include "support/run_inputs.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"
#include "support/tds_server.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace qc;
using namespace qc::engine;
using qc::test::ScriptedUi;

namespace {

struct TdsConversion {
    test::TdsServer server{test::TdsServer::standardFixture()};
    QTemporaryDir dir;
    std::string target = dir.path().toStdString();
    data::SqlServerLogin login = test::tdsLogin(server.port());
    ScriptedUi ui;

    void convert(ConversionRun& run) const { run.run(login, test::folderTarget(target), PreviewChoice()); }
    std::string dbf(const std::string& name) const { return target + "/" + name + ".dbf"; }
};

} // namespace

// The cell of the record's field at a position (free-table field names are shortened).
std::optional<std::string> at(const test::DumpedTable& t, std::size_t record, std::size_t field) {
    return t.records.at(record).at(t.fields.at(field));
}

std::optional<std::string> text(const std::string& s) {
    return s;
}

TEST(ConversionTds, EveryUserTableLandsValueForValue) {
    TdsConversion c;
    ConversionRun run(c.ui);
    c.convert(run);

    QStringList listed = test::listedNames(run);
    listed.sort();
    // A user table whose name holds "SYS" is converted; the server's own sysdiagrams is not.
    EXPECT_EQ(listed, (QStringList{"AllTypes", "BigTable", "EmergencySystems", "EmptyTable",
                                   "LongColumnNames", "NotNullTypes", "Order Details", "Weird]Name"}));
    EXPECT_EQ(test::dumpTable(c.dbf("emergencysystems")).records.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(c.dbf("sysdiagrams")));
    // Rows that cannot fit their FoxPro field: AllTypes 1, 3, 4 and NotNullTypes 1, 3, 4 hold a
    // bigint beyond 32 bits for an INT field; AllTypes 5 and NotNullTypes 5 hold an nchar text
    // outside code page 1252 for a CHAR field. Each is reported once, at the INSERT.
    const auto reports = c.ui.errorReports();
    ASSERT_EQ(reports.size(), 8u);
    int overflow = 0, codePage = 0;
    for (const auto& r : reports) {
        EXPECT_TRUE(r.text.contains(QStringLiteral("PushButton7_Click at line 426\r\r")))
            << r.text.toStdString();
        // Each names its table and the row of the source it came from.
        static const QRegularExpression where(
            QStringLiteral("\\(table (AllTypes|NotNullTypes), source row [1-5]\\)\r"));
        EXPECT_TRUE(r.text.contains(where)) << r.text.toStdString();
        overflow += r.text.contains(QStringLiteral("C_BIGINT"));
        codePage += r.text.contains(QStringLiteral("C_NCHAR"));
    }
    EXPECT_EQ(overflow, 6);
    EXPECT_EQ(codePage, 2);
    EXPECT_EQ(c.ui.messages.back().text, QStringLiteral("Done."));

    EXPECT_TRUE(test::dumpTable(c.dbf("notnulltypes")).records.empty());
    EXPECT_TRUE(test::dumpTable(c.dbf("emptytable")).records.empty());

    const auto all = test::dumpTable(c.dbf("alltypes"));
    ASSERT_EQ(all.records.size(), 2u);
    EXPECT_EQ(at(all, 0, 0), text("2"));
    EXPECT_EQ(at(all, 0, 1), text("all NULL"));
    for (std::size_t f = 2; f < 32; ++f)
        EXPECT_EQ(at(all, 0, f), std::nullopt) << all.fields[f];
    const std::string awkward = "O'Brien, \"Jr.\"\r\nline 2;\ttab";
    const std::vector<std::optional<std::string>> row6{
        "6",
        "midnight and 9999-12-31 dates",
        "-1",
        "-1",
        "-1",
        "128",
        "1", // int, bigint, smallint, tinyint, bit
        "-0.0001",
        "1.0",
        "100.0",
        "-0.0001",
        "0.0", // decimal, decimal38, numeric, money, smallmoney
        "-0.0",
        "0", // float (DOUBLE), real (CHAR)
        "9999-12-31 00:00:00.000",
        "2000-01-01 00:00:00.000", // datetime, smalldatetime
        "20000101",
        "12:00:00",
        "9999-12-31 00:00:00.000", // date, time (CHAR), datetime2
        "full width",
        "Caf\xc3\xa9 na\xc3\xafve \xe2\x82\xac \xe2\x80\x93 d\xc3\xa9j\xc3\xa0 vu, it's",
        awkward,                                          // varchar(max) memo
        "Caf\xe9 na\xefve \x80 \x96 d\xe9j\xe0 vu, it's", // text memo, stored in code page 1252
        "1234567890",
        awkward,
        awkward,
        awkward, // nchar, nvarchar, nvarchar(max), ntext
        "0100000000000000",
        "00",
        "00",
        "0102", // binary(8), varbinary, varbinary(max), image
        "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}"};
    for (std::size_t f = 0; f < row6.size(); ++f)
        EXPECT_EQ(at(all, 1, f), row6[f]) << all.fields[f];

    const auto details = test::dumpTable(c.dbf("order details"));
    ASSERT_EQ(details.records.size(), 3u);
    EXPECT_EQ(at(details, 1, 0), text("10248"));
    EXPECT_EQ(at(details, 1, 1), text("Singaporean Hokkien"));
    EXPECT_EQ(at(details, 1, 2), text("10"));
    EXPECT_EQ(at(details, 1, 3), text("9.8"));

    const auto weird = test::dumpTable(c.dbf("weird]name"));
    ASSERT_EQ(weird.records.size(), 2u);
    EXPECT_EQ(at(weird, 0, 1), text("a]b"));
    EXPECT_EQ(at(weird, 1, 1), text("[x]"));

    const auto longNames = test::dumpTable(c.dbf("longcolumnnames"));
    ASSERT_EQ(longNames.records.size(), 2u);
    const std::vector<std::optional<std::string>> first{"1", "Anna M\xc3\xbcller", "20240301", "1234.5", "y"};
    const std::vector<std::optional<std::string>> second{"2", "Jean-Luc O'Neil", std::nullopt, std::nullopt,
                                                         std::nullopt};
    for (std::size_t f = 0; f < 5; ++f) {
        EXPECT_EQ(at(longNames, 0, f), first[f]) << f;
        EXPECT_EQ(at(longNames, 1, f), second[f]) << f;
    }

    const auto big = test::dumpTable(c.dbf("bigtable"));
    ASSERT_EQ(big.records.size(), 500u);
    for (int i : {1, 7, 59, 500}) {
        const std::size_t r = static_cast<std::size_t>(i - 1);
        char created[32];
        std::snprintf(created, sizeof created, "2020-01-01 %02d:%02d:%02d.000", (i / 3600) % 24,
                      (i / 60) % 60, i % 60);
        char amount[32];
        std::snprintf(amount, sizeof amount, "%.2f", i * 1.25);
        std::string amountText = amount;
        while (amountText.back() == '0')
            amountText.pop_back();
        if (amountText.back() == '.')
            amountText += '0';
        EXPECT_EQ(at(big, r, 0), text(std::to_string(i)));
        EXPECT_EQ(at(big, r, 1), text("Row " + std::to_string(i) + " \xe2\x80\x93 r\xc3\xa9sum\xc3\xa9"));
        EXPECT_EQ(at(big, r, 2), text(amountText)) << i;
        EXPECT_EQ(at(big, r, 3), text(created));
        EXPECT_EQ(at(big, r, 4), text(std::to_string(i % 2)));
        EXPECT_EQ(at(big, r, 5), i % 7 == 0 ? std::nullopt : text("note " + std::to_string(i) + ", it's"));
    }
}

TEST(ConversionTds, AWrongPasswordEndsTheRunWithTheDriversReason) {
    TdsConversion c;
    c.login.password = QStringLiteral("wrong");
    ConversionRun run(c.ui);
    c.convert(run);
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_TRUE(
        c.ui.messages[0].text.startsWith(QStringLiteral("The SQL Server database cannot be reached:")));
    EXPECT_TRUE(c.ui.messages[0].text.contains(QStringLiteral("18456")))
        << c.ui.messages[0].text.toStdString();
    EXPECT_TRUE(c.ui.busyChanges.empty());
    EXPECT_TRUE(std::filesystem::is_empty(c.target));
}

// Reading the rows ahead changes how the run works, not what it does: with the rows read in
// turns instead, every message, every statement and every byte written is the same.
// Rows read ahead or in turns, handed to the engine as values or as statements' text: the same
// reports, statements and files.
TEST(ConversionTds, ReadingAheadOrInTurnsValuesOrTextGiveTheSameRun) {
    // BigTable longer than the rows held ahead.
    test::TdsServer server{test::TdsServer::standardFixture(5000)};
    struct Outcome {
        std::vector<QString> messages;
        std::vector<std::string> statements;
        std::map<std::string, std::string> files;
    };
    const auto convert = [&](bool readAhead, bool rowsAsText) {
        Outcome out;
        for (const bool preview : {true, false}) {
            QTemporaryDir dir;
            ScriptedUi ui;
            ConversionRun run(ui);
            run.setReadAhead(readAhead);
            run.setRowsAsText(rowsAsText);
            const PreviewChoice choice = preview ? PreviewChoice::PerFile : PreviewChoice::Off;
            run.run(test::tdsLogin(server.port()), test::folderTarget(dir.path().toStdString()), choice);
            for (const auto& shown : ui.messages)
                out.messages.push_back(shown.text);
            for (int line = 1; line <= run.sqlLines().count(); ++line)
                out.statements.push_back(run.sqlLines().text(line));
            for (const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString())) {
                std::string bytes = test::readBytes(entry.path());
                if (entry.path().extension() == ".dbf" && bytes.size() > 4)
                    bytes.replace(1, 3, "ymd"); // the day it was written
                out.files[entry.path().filename().string()] = bytes;
            }
        }
        return out;
    };
    const Outcome ahead = convert(true, false);
    const Outcome inTurns = convert(false, false);
    const Outcome asText = convert(true, true);
    EXPECT_EQ(ahead.messages, inTurns.messages);
    EXPECT_GT(ahead.statements.size(), 5000u);
    EXPECT_EQ(ahead.statements, inTurns.statements);
    EXPECT_GE(ahead.files.size(), 7u);
    EXPECT_EQ(ahead.files, inTurns.files);
    EXPECT_EQ(ahead.messages, asText.messages);
    EXPECT_EQ(ahead.files, asText.files);
}
