// Text in the alphabets of seven languages, from columns of their collations through FreeTDS and
// the stand-in, into tables in the code page of the language the run is under: at once into a
// folder, and through the SQL preview into a container. Read back by python3-dbfread and the
// dumper, which both decode by the table's mark.
#include "conversion_support.h"

#include "engine/conversion_run.h"
#include "foxpro/container.h"
#include "preview/preview_session.h"
#include "preview/script_execution.h"
#include "shell/locale.h"
#include "support/environment.h"
#include "support/run_inputs.h"
#include "support/scripted_ui.h"
#include "support/tds_server.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace qc;
using namespace qc::engine;

namespace {

struct Language {
    const char* locale;
    const char* collation;
    std::uint8_t mark;
    std::vector<std::string> cities;
};

const Language kLanguages[] = {
    {"pl_PL", "Polish_CI_AS", 0xC8, {"Łódź", "Gdańsk", "Kraków"}},
    {"ru_RU", "Cyrillic_General_CI_AS", 0xC9, {"Москва", "Санкт-Петербург", "Новосибирск"}},
    {"el_GR", "Greek_CI_AS", 0xCB, {"Αθήνα", "Θεσσαλονίκη", "Πάτρα"}},
    {"tr_TR", "Turkish_CI_AS", 0xCA, {"İstanbul", "İzmir", "Şanlıurfa"}},
    {"he_IL", "Hebrew_CI_AS", 0x7D, {"ירושלים", "תל אביב", "חיפה"}},
    {"ja_JP", "Japanese_CI_AS", 0x7B, {"東京", "大阪", "札幌"}},
    {"zh_CN", "Chinese_PRC_CI_AS", 0x7A, {"北京", "上海", "广州"}},
};

std::string tableOf(const Language& language) {
    return std::string("Cities_") + std::string(language.locale, 2);
}

// One table per language: the city in a varchar column and again in a text column.
std::string writeFixture(const std::string& path) {
    std::string tables;
    for (const Language& language : kLanguages) {
        std::string rows;
        for (std::size_t i = 0; i < language.cities.size(); ++i) {
            const std::string& city = language.cities[i];
            rows += (i ? ", [" : "[") + std::to_string(i + 1) + ", \"" + city + "\", \"" + city + "\"]";
        }
        tables += std::string(tables.empty() ? "" : ", ") + "{\"name\": \"" + tableOf(language) +
                  "\", \"columns\": [[\"id\", \"int\"], [\"name\", \"varchar(40) COLLATE " +
                  language.collation + "\"], [\"note\", \"text COLLATE " + language.collation +
                  "\"]], \"rows\": [" + rows + "]}";
    }
    std::ofstream(path)
        << "{\"users\": {\"testuser\": \"Test#Pass1\"}, \"databases\": {\"TestDB\": {\"tables\": [" << tables
        << "]}}}";
    return path;
}

const char* const kReader = R"(
import sys
from dbfread import DBF
for r in DBF(sys.argv[1], char_decode_errors="strict"):
    print(r["NAME"] + "|" + r["NOTE"])
)";

std::string bytesOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Both readers see the cities, each in its varchar and its text field.
void expectCities(const std::filesystem::path& dbf, const Language& language) {
    SCOPED_TRACE(dbf.string());
    EXPECT_EQ(static_cast<std::uint8_t>(bytesOf(dbf).at(29)), language.mark);
    std::string expected;
    for (const auto& city : language.cities)
        expected += city + "|" + city + "\n";
    const auto read = test::runPython({"-c", kReader, dbf.string()});
    EXPECT_EQ(read.exitCode, 0) << read.errors;
    EXPECT_EQ(read.output, expected);
    const auto dumped = test::dumpTable(dbf.string());
    ASSERT_EQ(dumped.records.size(), language.cities.size());
    for (std::size_t i = 0; i < language.cities.size(); ++i)
        EXPECT_EQ(dumped.records[i].at("NAME"), language.cities[i]);
}

} // namespace

TEST(CodePageLanguages, EachLanguagesTextLandsInItsCodePage) {
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    test::TdsServer server(writeFixture((folder / "cities.json").string()));
    const data::SqlServerLogin login = test::tdsLogin(server.port());
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.locale);
        const Locale locale = Locale::from(QLocale(QString::fromLatin1(language.locale)));
        const QString table = QString::fromStdString(tableOf(language));

        const auto free = folder / language.locale;
        std::filesystem::create_directory(free);
        test::ScriptedUi atOnce;
        ConversionRun immediate(atOnce, locale);
        immediate.setTableFilter(QStringList{table});
        immediate.run(login, test::folderTarget(free.string()), PreviewChoice());
        EXPECT_TRUE(atOnce.errorReports().empty());
        expectCities(free / (table.toLower().toStdString() + ".dbf"), language);

        const auto dbc = folder / (std::string(language.locale) + ".dbc");
        qc::foxpro::Container::create(dbc);
        test::ScriptedUi previewed;
        previewed.onPreview = [&](preview::PreviewSession& session) {
            int errorLine = 0;
            const auto outcome =
                preview::executeScript({session.lines, session.target, errorLine,
                                        [](const QString& e) { ADD_FAILURE() << e.toStdString(); }},
                                       previewed);
            return outcome == preview::ScriptOutcome::Completed ? preview::PreviewExit::Executed
                                                                : preview::PreviewExit::WentBack;
        };
        const PreviewChoice preview = PreviewChoice::PerFile;
        ConversionRun previewRun(previewed, locale);
        previewRun.setTableFilter(QStringList{table});
        previewRun.run(login, test::containerTarget(dbc.string()), preview);
        EXPECT_EQ(previewed.previews, 1);
        EXPECT_TRUE(previewed.errorReports().empty());
        expectCities(folder / (table.toLower().toStdString() + ".dbf"), language);
    }
}
