// Row statements under real desktop locales: the run's locale is built from the Qt locale the way
// start-up builds it, the statements go into a FoxPro folder, and a child process running under
// that locale reads every value back with the independent reader python3-dbfread.
#include "conversion_support.h"

#include "engine/row_statements.h"
#include "shell/locale.h"
#include "support/environment.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qc;

namespace {

const char* const kLocales[] = {"C", "en_US", "de_DE", "fr_FR", "fi_FI", "da_DK", "id_ID", "ar_EG"};

// Prints the records as "|"-joined fields, after checking that the locale could be set.
const char* const kReader = R"(
import locale, sys
locale.setlocale(locale.LC_ALL, "")
from dbfread import DBF
for r in DBF(sys.argv[1], char_decode_errors="strict", ignore_missing_memofile=True):
    print("|".join("" if r[k] is None else str(r[k]) for k in ("ID", "PLACED", "DAY", "REALTXT", "AMOUNT")))
)";

} // namespace

TEST(LocaleStatements, SeparatorsComeFromTheLocalesFormats) {
    EXPECT_EQ(Locale::from(QLocale(QStringLiteral("fi_FI"))).timeSeparator, QLatin1Char('.'));
    EXPECT_EQ(Locale::from(QLocale(QStringLiteral("de_DE"))).decimalSeparator, QLatin1Char(','));
    const Locale arabic = Locale::from(QLocale(QStringLiteral("ar_EG")));
    EXPECT_EQ(arabic.decimalSeparator, QChar(0x066B));
    EXPECT_EQ(arabic.dateSeparator, QLatin1Char('/'));
}

TEST(LocaleStatements, TheCodePageIsTheOneWindowsGivesTheLanguage) {
    const std::pair<const char*, int> pages[] = {
        {"cs_CZ", 1250}, {"pl_PL", 1250}, {"sr_Latn_RS", 1250}, {"sr_RS", 1251}, {"uk_UA", 1251},
        {"kk_KZ", 1251}, {"el_GR", 1253}, {"az_AZ", 1254},      {"tr_TR", 1254}, {"he_IL", 1255},
        {"fa_IR", 1256}, {"th_TH", 874},  {"ja_JP", 932},       {"zh_CN", 936},  {"zh_SG", 936},
        {"ko_KR", 949},  {"zh_TW", 950},  {"zh_HK", 950},       {"lt_LT", 1252}, {"vi_VN", 1252},
        {"de_DE", 1252}, {"C", 1252}};
    for (const auto& [name, page] : pages)
        EXPECT_EQ(Locale::from(QLocale(QString::fromLatin1(name))).codePage, page) << name;
}

TEST(LocaleStatements, EveryLocaleWritesValuesTheEngineStoresUnchanged) {
    for (const char* name : kLocales) {
        SCOPED_TRACE(name);
        const Locale locale = Locale::from(QLocale(QString::fromLatin1(name)));
        // An Arabic format's invisible direction marks are no separators.
        EXPECT_NE(locale.dateSeparator.category(), QChar::Other_Format);
        EXPECT_NE(locale.timeSeparator.category(), QChar::Other_Format);

        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        const std::vector<int> numeric{0, 4};
        const auto row = [&](std::int64_t id, qc::odbc::DateTime placed, double real, double amount) {
            return engine::rowStatement("Orders", numeric, {id, placed, placed.date, real, amount}, locale);
        };
        test::executeOnFoxPro(
            folder,
            {"CREATE TABLE [Orders] (\"ID\" INT, \"PLACED\" TIMESTAMP, \"DAY\" DATE, \"REALTXT\" CHAR(20), "
             "\"AMOUNT\" DOUBLE);",
             row(1, {{2021, 8, 31}, {14, 5, 0, 0}}, 19.99, 12.5),
             row(2, {{2021, 12, 1}, {0, 0, 0, 0}}, 0.5, -3.25)});

        const std::string posix = name == std::string("C") ? "C.UTF-8" : name + std::string(".UTF-8");
        const auto read =
            test::runPython({"-c", kReader, dir.filePath(QStringLiteral("orders.dbf")).toStdString()}, 30,
                            {{"LANG", posix}, {"LC_ALL", posix}});
        ASSERT_TRUE(read.finished);
        ASSERT_EQ(read.exitCode, 0) << "the locale " << posix << " could not be used: " << read.errors;

        // A number in a text column keeps the locale's separator where code page 1252 holds it.
        const QString point =
            locale.decimalSeparator == QLatin1Char(',') ? QStringLiteral(",") : QStringLiteral(".");
        EXPECT_EQ(
            QString::fromStdString(read.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
            (QStringList{
                QStringLiteral("1|2021-08-31 14:05:00|2021-08-31|19") + point + QStringLiteral("99|12.5"),
                QStringLiteral("2|2021-12-01 00:00:00|2021-12-01|0") + point + QStringLiteral("5|-3.25")}));
    }
}
