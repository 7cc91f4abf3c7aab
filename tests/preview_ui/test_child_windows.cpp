#include "preview/ui/datatypes_window.h"
#include "preview/ui/edit_line_window.h"
#include "preview/ui/find_replace_window.h"

#include "app/ui/look/look.h"
#include "support/scripted_ui.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace qc;
using namespace qc::preview::ui;

namespace {

struct ChildWindowTest : ::testing::Test {
    preview::SqlLineList lines;
    WindowSeams seams;
    std::vector<test::Shown> messages;

    ChildWindowTest() {
        seams.message = [this](const QString& text, const QString& title, Buttons buttons, Icon icon) {
            messages.push_back({text, title, buttons, icon});
            return Answer::Ok;
        };
    }
};

TEST_F(ChildWindowTest, EditLineSelectsItsTextSoTypingReplacesIt) {
    lines.append("INSERT INTO [t] VALUES (1)");
    Form4 edit(lines, seams);
    EXPECT_EQ(edit.windowTitle(), QStringLiteral("Edit Line - Marravex"));
    EXPECT_EQ(edit.Text1.geometry(), look::twipsRect(120, 120, 7800, 1905));
    edit.ListLine = 1;
    edit.setLineText(lines.text(1));
    edit.show();
    QApplication::setActiveWindow(&edit);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    edit.PushButton2.setFocus();
    edit.Text1.setFocus();
    QApplication::processEvents();
    QTest::keyClicks(&edit.Text1, "DROP TABLE [t];");
    edit.PushButton2.click();
    EXPECT_EQ(lines.text(1), "DROP TABLE [t];");
    EXPECT_EQ(edit.result(), QDialog::Accepted);
}

TEST_F(ChildWindowTest, EditLineOfAMissingLineIsReportedAndStillCloses) {
    Form4 edit(lines, seams);
    edit.ListLine = 3;
    edit.setLineText("x");
    edit.show();
    edit.PushButton2.click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Application Error"));
    EXPECT_TRUE(messages[0].text.contains(
        QStringLiteral("in Ferroquill2021/08/31.Form4.PushButton2_Click at line 102")));
    EXPECT_FALSE(edit.isVisible());
}

TEST_F(ChildWindowTest, FindAndReplaceOnAnEmptyListStaysOpen) {
    Form3 find(lines, seams);
    EXPECT_EQ(find.Label6.text(), QStringLiteral("Replace with:"));
    EXPECT_EQ(find.Text2.geometry(), look::twipsRect(1560, 600, 6360, 345));
    find.show();
    find.Text1.setText(QStringLiteral("a"));
    find.PushButton2.click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("No SQL to run."));
    EXPECT_EQ(messages[0].title, applicationTitle());
    EXPECT_TRUE(find.isVisible());
    EXPECT_TRUE(find.PushButton2.isEnabled());
}

TEST_F(ChildWindowTest, DatatypesWindowEmptiesItsRowsWhenClosedAnyWay) {
    engine::DatatypeRows rows;
    rows.addRow(QStringLiteral("t"));
    Form5 types(rows, seams);
    EXPECT_EQ(types.windowTitle(), QStringLiteral("Datatypes Conversion - Marravex"));
    EXPECT_EQ(types.ListView1.geometry(), look::twipsRect(120, 630, 7800, 7605));
    types.show();
    types.close(); // the title bar's close button
    EXPECT_EQ(rows.count(), 0);
}

} // namespace
