// `marravex verify` end to end: a conversion through FreeTDS from the SQL Server stand-in,
// compared with its source, clean in every locale and each kind of damage found.
#include "support/marravex_command.h"

#include "data/mssql_source.h"
#include "support/run_inputs.h"
#include "support/scripted_ui.h"
#include "verify/table_check.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

using namespace qc;

namespace {

namespace fs = std::filesystem;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every type the mapping holds, each at its extremes, NULL, text with quotes and CR LF, CJK in
// the n-types that become blobs, 10,000-character values. `changed` alters one value of row 3;
// `reversed` serves the rows the other way round.
std::string everythingTable(bool changed = false, bool reversed = false) {
    const std::string columns =
        R"j([["id","int NOT NULL"],["c_int","int"],["c_bigint","bigint"],["c_small","smallint"],["c_tiny","tinyint"],)j"
        R"j(["c_bit","bit"],["c_dec","decimal(18,4)"],["c_num","numeric(10,2)"],["c_money","money"],)j"
        R"j(["c_smallmoney","smallmoney"],["c_float","float"],["c_real","real"],["c_datetime","datetime"],)j"
        R"j(["c_smalldt","smalldatetime"],["c_date","date"],["c_time","time(7)"],["c_dt2","datetime2(7)"],)j"
        R"j(["c_dto","datetimeoffset(7)"],["c_char","char(10)"],["c_varchar","varchar(50)"],["c_vmax","varchar(max)"],)j"
        R"j(["c_text","text"],["c_nchar","nchar(10)"],["c_nvarchar","nvarchar(40)"],["c_nvmax","nvarchar(max)"],)j"
        R"j(["c_ntext","ntext"],["c_bin","binary(4)"],["c_varbin","varbinary(max)"],["c_image","image"],)j"
        R"j(["c_guid","uniqueidentifier"]])j";
    const std::string longText(10000, 'x');
    std::string hexBytes = "0x";
    for (int i = 0; i < 5000; ++i)
        hexBytes += "AB";
    std::vector<std::string> rows{
        R"j([1,42,123456,-7,200,1,"12345.6789","-99.50","922337203685477.5807","-214748.3648",3.141592653589793,1.5,)j"
        R"j("2024-02-29 13:45:30.997","2024-02-29 13:45:00","2024-02-29","13:45:30.1234567",)j"
        R"j("2024-02-29 13:45:30.1234567","2024-02-29 13:45:30.1234567 +01:00","abc","it's, \"quoted\"","a\r\nb",")j" +
            longText + R"j(","Größe","Ünïcödé","日本語テキスト\r\n","Ελληνικά","0x01020304",")j" + hexBytes +
            R"j(","0xFFFE","6F9619FF-8B86-D011-B42D-00C04FC964FF"])j",
        "",
        R"j([3,2147483647,2147483647,32767,255,0,"99999999999999.9999","99999999.99","-922337203685477.5808",)j"
        R"j("214748.3647",1.7976931348623157e308,-3.4e38,"9999-12-31 23:59:59.997","2079-06-06 23:59:00","9999-12-31",)j"
        R"j("23:59:59.9999999","9999-12-31 23:59:59.9999999","0001-01-01 00:00:00 -14:00","zzzzzzzzzz",")j" +
            std::string(changed ? "changed" : "") + R"j(","",")j" + longText +
            R"j(y","","","","","0x00000000","0x","0x","00000000-0000-0000-0000-000000000000"])j",
        R"j([4,-2147483648,-2147483648,-32768,0,1,"-0.0001","0.01","0.0001","0","-0",0.25,"1753-01-01 00:00:00",)j"
        R"j("1900-01-01 00:00:00","0001-01-01","00:00:00","0001-01-01 00:00:00","2024-01-01 00:00:00 +00:00",)j"
        R"j("  lead","trail  ","\r\n","t","é","ß","中文","x","0xFF","0x00","0x00","FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF"])j"};
    rows[1] = "[2";
    for (int i = 0; i < 29; ++i)
        rows[1] += ",null";
    rows[1] += "]";
    if (reversed)
        std::reverse(rows.begin(), rows.end());
    std::string list;
    for (const auto& row : rows)
        list += (list.empty() ? "" : ",") + row;
    return R"j({"name":"Everything","primary_key":["id"],"columns":)j" + columns + R"j(,"rows":[)j" + list +
           "]}";
}

std::string writeFixture(const QTemporaryDir& dir, const std::string& name, const std::string& table) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path) << R"j({"users":{"testuser":"Test#Pass1"},"databases":{"TestDB":{"tables":[)j"
                        << table << "]}}}";
    return path;
}

struct VerifyRun {
    explicit VerifyRun(const std::string& table = everythingTable())
        : server(writeFixture(fixtures, "fixture.json", table)) {}
    QTemporaryDir fixtures;
    test::TdsServer server;
    QTemporaryDir dir;

    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    test::ProcessResult run(const std::string& command, const test::TdsServer& source,
                            std::vector<std::string> args, const std::string& locale = "C.UTF-8") const {
        std::vector<std::string> all{command,
                                     "--server",
                                     test::TdsServer::host(),
                                     "--port",
                                     std::to_string(source.port()),
                                     "--database",
                                     "TestDB",
                                     "--user",
                                     "testuser"};
        all.insert(all.end(), args.begin(), args.end());
        auto env = test::headless();
        env["LC_ALL"] = locale;
        env["LANG"] = locale;
        return test::runMarravex(all, env);
    }
    test::ProcessResult convert(std::vector<std::string> args, const std::string& locale = "C.UTF-8") const {
        args.insert(args.end(), {"--overwrite", "yes"});
        return run("convert", server, args, locale);
    }
    test::ProcessResult verify(std::vector<std::string> args, const std::string& locale = "C.UTF-8") const {
        return run("verify", server, args, locale);
    }
};

// Changes `length` bytes at `offset` of the file.
void patch(const std::string& file, std::uint64_t offset, const std::string& bytes) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readAt(const std::string& file, std::uint64_t offset, std::size_t length) {
    std::ifstream f(file, std::ios::binary);
    f.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(length, '\0');
    f.read(bytes.data(), static_cast<std::streamsize>(length));
    return bytes;
}

std::uint32_t le(const std::string& file, std::uint64_t offset, std::size_t length) {
    const std::string bytes = readAt(file, offset, length);
    std::uint32_t value = 0;
    for (std::size_t i = length; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

// The record's offset and a field's place in it, from the table's header.
struct TableFile {
    std::string path;
    std::uint64_t record(int index) const { return le(path, 8, 2) + std::uint64_t(le(path, 10, 2)) * index; }
    std::uint64_t field(const std::string& name) const {
        for (std::uint64_t at = 32; readAt(path, at, 1)[0] != '\r'; at += 32)
            if (readAt(path, at, 11).c_str() == name)
                return le(path, at + 12, 4);
        ADD_FAILURE() << "no field " << name;
        return 0;
    }
};

} // namespace

TEST(CliVerify, AFaithfulConversionVerifiesCleanInAnyLocale) {
    const VerifyRun run;
    // Converted in one locale, verified in another: reals and times keep the first's separators.
    const std::vector<std::pair<std::string, std::string>> locales{
        {"de_DE.UTF-8", "C.UTF-8"}, {"fi_FI.UTF-8", "de_DE.UTF-8"}, {"C.UTF-8", "fi_FI.UTF-8"}};
    int turn = 0;
    for (const auto& [converted, verified] : locales) {
        for (const bool container : {false, true}) {
            SCOPED_TRACE(converted + " then " + verified + (container ? ", container" : ", folder"));
            const std::string folder = run.path("t" + std::to_string(turn++));
            fs::create_directory(folder);
            const std::vector<std::string> target =
                container ? std::vector<std::string>{"--dbc", folder + "/data.dbc", "--create"}
                          : std::vector<std::string>{"--to", folder};
            auto args = target;
            if (turn == 1)
                args.push_back("--verify"); // checked as it goes, once
            const auto conversion = run.convert(args, converted);
            ASSERT_EQ(conversion.exitCode, 0) << conversion.output << conversion.errors;
            auto verifyArgs = target;
            if (container)
                verifyArgs.pop_back();
            const auto check = run.verify(verifyArgs, verified);
            EXPECT_EQ(check.exitCode, 0) << check.output << check.errors;
            EXPECT_TRUE(has(check.output, "Everything: same (4 source rows, 4 records)")) << check.output;
            if (turn == 1) {
                EXPECT_TRUE(has(conversion.output, "Everything: same (4 source rows, 4 records)"))
                    << conversion.output;
            }
        }
    }

    // The same rows served in another order are still every row.
    const VerifyRun reversed(everythingTable(false, true));
    const auto check = reversed.run("verify", reversed.server, {"--to", run.path("t0")});
    EXPECT_EQ(check.exitCode, 0) << check.output << check.errors;
}

TEST(CliVerify, RowsTheMappingCannotHoldAreListedApart) {
    const test::CliRun cli;
    ASSERT_EQ(cli.convert({"--to", cli.dir.path().toStdString(), "--overwrite", "yes"}).exitCode, 1);
    const std::string report = cli.dir.filePath(QStringLiteral("verify.json")).toStdString();
    auto args = cli.login();
    args.insert(args.begin(), "verify");
    args.insert(args.end(), {"--to", cli.dir.path().toStdString(), "--report", report});
    const auto check = test::runMarravex(args);
    EXPECT_EQ(check.exitCode, 1) << check.output << check.errors;
    EXPECT_TRUE(has(check.output, "AllTypes: not convertible rows (6 source rows, 2 records)"))
        << check.output;
    EXPECT_TRUE(has(check.output, "    source row 1: Numeric overflow in field C_BIGINT.")) << check.output;
    EXPECT_TRUE(has(check.output, "BigTable: same (500 source rows, 500 records)")) << check.output;

    QFile file(QString::fromStdString(report));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(json[QStringLiteral("exitStatus")].toInt(), 1);
    for (const auto& entry : json[QStringLiteral("tables")].toArray()) {
        const QJsonObject table = entry.toObject();
        if (table[QStringLiteral("name")].toString() == QLatin1String("AllTypes")) {
            EXPECT_EQ(table[QStringLiteral("notConvertible")].toInt(), 4);
            EXPECT_FALSE(table[QStringLiteral("clean")].toBool());
        }
    }
}

TEST(CliVerify, FindsEveryKindOfDamage) {
    const VerifyRun run;
    const std::string base = run.path("base");
    fs::create_directory(base);
    ASSERT_EQ(run.convert({"--to", base}).exitCode, 0);
    const std::string container = run.path("db");
    fs::create_directory(container);
    ASSERT_EQ(run.convert({"--dbc", container + "/shop.dbc", "--create"}).exitCode, 0);

    // A fresh copy of a converted target, damaged by `damage`, verified.
    int copies = 0;
    const auto damaged = [&](const std::string& from, const std::function<void(const TableFile&)>& damage,
                             const test::TdsServer& source) {
        const std::string copy = run.path("copy" + std::to_string(copies++));
        fs::copy(from, copy);
        const bool inContainer = fs::exists(copy + "/shop.dbc");
        damage(TableFile{copy + "/everything.dbf"});
        return run.run("verify", source,
                       inContainer ? std::vector<std::string>{"--dbc", copy + "/shop.dbc"}
                                   : std::vector<std::string>{"--to", copy});
    };
    const auto none = [](const TableFile&) {};

    struct Case {
        const char* what;
        std::string from;
        std::function<void(const TableFile&)> damage;
        const char* found;
    };
    const std::vector<Case> cases{
        {"a record deleted", base, [](const TableFile& t) { patch(t.path, t.record(1), "*"); },
         "source row 2 is in record 2, which is deleted"},
        {"the last record missing", base,
         [](const TableFile& t) {
             patch(t.path, 4, std::string("\x03\x00\x00\x00", 4));
             fs::resize_file(t.path, t.record(3));
         },
         "source row 4 is not in the table"},
        {"a byte of a character field changed", base,
         [](const TableFile& t) { patch(t.path, t.record(0) + t.field("C_CHAR") + 2, "d"); },
         "field c_char is 'abc' in the source, 'abd' in the table"},
        {"two memo pointers swapped", base,
         [](const TableFile& t) {
             const auto at = t.field("C_TEXT");
             const std::string first = readAt(t.path, t.record(0) + at, 4);
             const std::string third = readAt(t.path, t.record(2) + at, 4);
             patch(t.path, t.record(0) + at, third);
             patch(t.path, t.record(2) + at, first);
         },
         "2 rows differ (paired by primary key (id)):\n    source row 1, record 1: field c_text is"},
        {"the back-link changed", container,
         [](const TableFile& t) { patch(t.path, le(t.path, 8, 2) - 263, "X"); },
         "back-link differs: the table's back-link names 'Xhop.dbc'"},
        {"the table dropped from the container", container,
         [](const TableFile& t) {
             const std::string script = t.path + ".sql";
             std::ofstream(script) << "DROP TABLE Everything;\n";
             const auto dropped = test::runMarravex(
                 {"execute", script, "--dbc", fs::path(t.path).parent_path().string() + "/shop.dbc"});
             EXPECT_EQ(dropped.exitCode, 0) << dropped.errors;
         },
         "Everything: missing: the database container has no table Everything"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto check = damaged(c.from, c.damage, run.server);
        EXPECT_EQ(check.exitCode, 1) << check.output << check.errors;
        EXPECT_TRUE(has(check.output, c.found)) << check.output;
    }

    // The source changed after the conversion: the row is found by its key.
    const VerifyRun changed(everythingTable(true));
    const auto check = damaged(base, none, changed.server);
    EXPECT_EQ(check.exitCode, 1) << check.output;
    EXPECT_TRUE(
        has(check.output, "1 rows differ (paired by primary key (id); fields that differ: c_varchar)"))
        << check.output;
    EXPECT_TRUE(has(check.output,
                    "source row 3, record 3: field c_varchar is 'changed' in the source, NULL in "
                    "the table"))
        << check.output;

    // A table the conversion kept, made earlier with other columns.
    const std::string kept = run.path("kept");
    fs::create_directory(kept);
    std::ofstream(kept + "/make.sql") << "CREATE TABLE Everything (other C(5));\n";
    ASSERT_EQ(test::runMarravex({"execute", kept + "/make.sql", "--to", kept}).exitCode, 0);
    ASSERT_EQ(run.run("convert", run.server, {"--to", kept, "--overwrite", "no"}).exitCode, 0);
    const auto structure = run.verify({"--to", kept});
    EXPECT_EQ(structure.exitCode, 1) << structure.output << structure.errors;
    EXPECT_TRUE(has(structure.output,
                    "Everything: structure differs: field 1 is OTHER C(5) NULL; the source's "
                    "columns make ID I"))
        << structure.output;
}

TEST(CliVerify, RowsPairedByKeyAreTheSameInAnyNumberOfPasses) {
    const VerifyRun run;
    const std::string folder = run.path("t");
    fs::create_directory(folder);
    ASSERT_EQ(run.convert({"--to", folder}).exitCode, 0);
    const TableFile table{folder + "/everything.dbf"};
    patch(table.path, table.record(1), "*");
    patch(table.path, table.record(3) + table.field("C_CHAR") + 2, "X");

    const VerifyRun changed(everythingTable(true));
    data::Connection source;
    source.open(data::mssqlConnectionString(test::tdsLogin(changed.server.port())));
    test::ScriptedUi ui;
    for (const std::size_t keysPerPass : {std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
        SCOPED_TRACE(keysPerPass);
        verify::TableCheck check(source, ui, Locale(), {});
        check.setKeysPerPass(keysPerPass);
        verify::TableVerdict verdict;
        verdict.table = {QStringLiteral("dbo"), QStringLiteral("Everything")};
        check.check(verdict, table.path, {"id"});
        EXPECT_EQ(verdict.outcome, verify::TableVerdict::Outcome::Differs);
        EXPECT_EQ(verdict.deleted, 1);
        ASSERT_EQ(verdict.differences, 3);
        std::vector<std::pair<std::int64_t, QString>> found;
        for (const auto& difference : verdict.firstDifferences)
            found.emplace_back(difference.sourceRow, difference.field);
        std::sort(found.begin(), found.end());
        const std::vector<std::pair<std::int64_t, QString>> expected{
            {2, QString()}, {3, QStringLiteral("c_varchar")}, {4, QStringLiteral("c_char")}};
        EXPECT_EQ(found, expected);
    }
}
