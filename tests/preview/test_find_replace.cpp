#include "preview/caseless_finder.h"
#include "preview/find_replace.h"

#include "support/scripted_ui.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <random>

using namespace qc;
using namespace qc::preview;

namespace {

// One line through the replace action.
std::string replaced(const std::string& line, const char* find, const char* with) {
    SqlLineList lines;
    lines.append(line);
    test::ScriptedUi ui;
    replaceInAllLines(lines, QString::fromUtf8(find), QString::fromUtf8(with), ui);
    return lines.text(1);
}

TEST(FirstOccurrence, OnlyTheFirstOccurrenceInAnyLetterCase) {
    EXPECT_EQ(replaced("abc ABC abc", "ABC", "x"), "x ABC abc");
    EXPECT_EQ(replaced("insert INTO Into into", "into", "Onto"), "insert Onto Into into");
    // The replacement keeps its own case and is not searched again.
    EXPECT_EQ(replaced("aXa", "a", "aa"), "aaXa");
    EXPECT_EQ(replaced("DROP TABLE [t];", "table ", ""), "DROP [t];");
    // Find texts that start with a character without case.
    EXPECT_EQ(replaced("a {^1999 {^2024-01 {^2024-02", "{^2024-", "{^2025-"), "a {^1999 {^2025-01 {^2024-02");
    EXPECT_EQ(replaced("ab(", "(", ")"), "ab)");
    EXPECT_EQ(replaced("ab{", "{x", ""), "ab{");
    EXPECT_EQ(replaced("abc", "abd", "x"), "abc");
    EXPECT_EQ(replaced("ab", "abc", "x"), "ab");
}

TEST(FirstOccurrence, NonAsciiLettersFoldAndOtherBytesStay) {
    EXPECT_EQ(replaced("x ärger ÄRGER", "ÄRGER", "Ruhe"), "x Ruhe ÄRGER");
    EXPECT_EQ(replaced("ΟΔΟΣ οδος", "οδοσ", "-"), "- οδος");
    // The Kelvin sign folds to "k": an ASCII find text still finds it.
    EXPECT_EQ(replaced("5 \xE2\x84\xAA", "k", "K"), "5 K");
    // Invalid UTF-8 never matches and is carried over unchanged around a match.
    const std::string broken = "\xFF\xC3 caf\xC3\xA9 \xE2\x82";
    EXPECT_EQ(replaced(broken, "CAFÉ", "tea"), "\xFF\xC3 tea \xE2\x82");
    EXPECT_EQ(replaced(broken, "\xC3", "x"), broken);
}

// The byte search must find what a plain caseless search over the decoded text finds.
TEST(FirstOccurrence, AgreesWithDecodedSearch) {
    const std::vector<QString> pieces = {
        QStringLiteral("a"), QStringLiteral("B"),      QStringLiteral("k"),
        QStringLiteral("ä"), QStringLiteral("Ä"),      QStringLiteral("\u212A"),
        QStringLiteral("s"), QStringLiteral("\u017F"), QStringLiteral(" ")};
    std::mt19937 random(7);
    auto text = [&](int length) {
        QString s;
        for (int i = 0; i < length; ++i)
            s += pieces[random() % pieces.size()];
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString line = text(12);
        const QString find = text(1 + static_cast<int>(random() % 3));
        const qsizetype at = line.indexOf(find, 0, Qt::CaseInsensitive);
        const auto match = CaselessFinder(find).find(line.toStdString());
        ASSERT_EQ(match.has_value(), at >= 0) << line.toStdString() << " / " << find.toStdString();
        if (match) {
            EXPECT_EQ(match->offset, static_cast<std::size_t>(line.left(at).toUtf8().size()))
                << line.toStdString() << " / " << find.toStdString();
        }
    }
}

// The byte search decodes a line only for "k" and "s": no other ASCII letter is the folding of a
// non-ASCII character.
TEST(FirstOccurrence, OnlyKAndSAreReachedFromNonAsciiByFolding) {
    std::u32string reached;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c)
        if (QChar::toCaseFolded(c) < 0x80)
            reached += QChar::toCaseFolded(c);
    EXPECT_EQ(reached, U"sk");
}

struct ReplaceActionTest : ::testing::Test {
    SqlLineList lines;
    test::ScriptedUi ui;
};

TEST_F(ReplaceActionTest, ChangesMatchingLinesAndLeavesOthersByteForByte) {
    const std::string untouched = "INSERT INTO [t] VALUES ('caf\xC3\xA9', '\xFF');  ";
    lines.append("CREATE TABLE [t] (a C(10) NULL)");
    lines.append(untouched);
    lines.append("create table [u] (a c(10) null)");
    lines.append("");
    QSignalSpy changes(&lines, &SqlLineList::dataChanged);
    EXPECT_TRUE(replaceInAllLines(lines, QStringLiteral("c(10)"), QStringLiteral("V(20)"), ui));
    EXPECT_EQ(lines.text(1), "CREATE TABLE [t] (a V(20) NULL)");
    EXPECT_EQ(lines.text(2), untouched);
    EXPECT_EQ(lines.text(3), "create table [u] (a V(20) null)");
    EXPECT_EQ(lines.text(4), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Done."));
    EXPECT_EQ(ui.busyChanges, std::vector<bool>{true});
    // Views learn of the change: one notice spanning the changed lines.
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].value<QModelIndex>().row(), 0);
    EXPECT_EQ(changes[0][1].value<QModelIndex>().row(), 2);
}

TEST_F(ReplaceActionTest, EmptyListKeepsTheWindowOpen) {
    EXPECT_FALSE(replaceInAllLines(lines, QStringLiteral("a"), QStringLiteral("b"), ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("No SQL to run."));
    EXPECT_TRUE(ui.busyChanges.empty());
}

TEST_F(ReplaceActionTest, EmptyFindTextChangesNothing) {
    lines.append("abc");
    EXPECT_TRUE(replaceInAllLines(lines, QString(), QStringLiteral("x"), ui));
    EXPECT_EQ(lines.text(1), "abc");
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
}

} // namespace
