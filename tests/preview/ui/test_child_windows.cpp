#include "preview/ui/datatypes_window.h"
#include "preview/ui/edit_line_window.h"
#include "preview/ui/find_replace_window.h"

#include "shell/message_text.h"
#include "shell/ui/geometry.h"
#include "support/scripted_ui.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTest>
#include <QTextCursor>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace qc;
using namespace qc::preview::ui;

namespace {

struct ChildWindowTest : ::testing::Test {
    preview::SqlLineList lines;
    shell::WindowSeams seams;
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
    EditLineWindow edit(lines, seams);
    EXPECT_EQ(edit.windowTitle(), QStringLiteral("Edit Line - Marravex"));
    EXPECT_EQ(edit.lineBox.geometry(), shell::twipsRect(120, 120, 7800, 1905));
    edit.line = 1;
    edit.setLineText(lines.text(1));
    edit.show();
    QApplication::setActiveWindow(&edit);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    edit.okButton.setFocus();
    edit.lineBox.setFocus();
    QApplication::processEvents();
    QTest::keyClicks(&edit.lineBox, "DROP TABLE [t];");
    edit.okButton.click();
    EXPECT_EQ(lines.text(1), "DROP TABLE [t];");
    EXPECT_EQ(edit.result(), QDialog::Accepted);
}

// The focus coming back from the box's own context menu (before its Paste runs) or from another
// program leaves the user's cursor where it was, so a paste or a key does not wipe the line.
TEST_F(ChildWindowTest, EditLineKeepsTheCursorWhenTheFocusComesBackFromAMenuOrAnotherProgram) {
    lines.append("INSERT INTO [T] VALUES (1, 'abc');");
    EditLineWindow edit(lines, seams);
    edit.line = 1;
    edit.setLineText(lines.text(1));
    edit.show();
    QApplication::setActiveWindow(&edit);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    for (const auto reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason}) {
        QTextCursor cursor = edit.lineBox.textCursor();
        cursor.setPosition(5);
        edit.lineBox.setTextCursor(cursor);
        QFocusEvent away(QEvent::FocusOut, reason);
        QApplication::sendEvent(&edit.lineBox, &away);
        QFocusEvent back(QEvent::FocusIn, reason);
        QApplication::sendEvent(&edit.lineBox, &back);
        QApplication::processEvents();
        edit.lineBox.insertPlainText(QStringLiteral("XYZ"));
        EXPECT_EQ(edit.lineBox.toPlainText(), QStringLiteral("INSERXYZT INTO [T] VALUES (1, 'abc');"))
            << reason;
        edit.lineBox.setPlainText(QString::fromStdString(lines.text(1)));
    }
    // A new arrival (a click, Tab) still selects the whole text.
    QFocusEvent arrival(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&edit.lineBox, &arrival);
    QApplication::processEvents();
    EXPECT_EQ(edit.lineBox.textCursor().selectedText(), QString::fromStdString(lines.text(1)));
}

TEST_F(ChildWindowTest, EditLineOfAMissingLineIsReportedAndStillCloses) {
    EditLineWindow edit(lines, seams);
    edit.line = 3;
    edit.setLineText("x");
    edit.show();
    edit.okButton.click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Application Error"));
    EXPECT_TRUE(messages[0].text.contains(
        QStringLiteral("in Ferroquill2021/08/31.Form4.PushButton2_Click at line 102")));
    EXPECT_FALSE(edit.isVisible());
}

TEST_F(ChildWindowTest, FindAndReplaceOnAnEmptyListStaysOpen) {
    FindReplaceWindow find(lines, seams);
    EXPECT_EQ(find.replaceLabel.text(), QStringLiteral("Replace with:"));
    EXPECT_EQ(find.replaceBox.geometry(), shell::twipsRect(1560, 600, 6360, 345));
    find.show();
    find.findBox.setText(QStringLiteral("a"));
    find.replaceButton.click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("No SQL to run."));
    EXPECT_EQ(messages[0].title, applicationTitle());
    EXPECT_TRUE(find.isVisible());
    EXPECT_TRUE(find.replaceButton.isEnabled());
}

TEST_F(ChildWindowTest, DatatypesWindowEmptiesItsRowsWhenClosedAnyWay) {
    preview::DatatypeRows rows;
    rows.addRow(QStringLiteral("t"));
    DatatypesWindow types(rows, seams);
    EXPECT_EQ(types.windowTitle(), QStringLiteral("Datatypes Conversion - Marravex"));
    EXPECT_EQ(types.typeList.geometry(), shell::twipsRect(120, 630, 7800, 7605));
    types.show();
    types.close(); // the title bar's close button
    EXPECT_EQ(rows.count(), 0);
}

TEST_F(ChildWindowTest, DatatypesWindowShowsItsHintRowsAtFontHeightAndWholeHeaders) {
    preview::DatatypeRows rows;
    rows.addRow(QStringLiteral("Customers"));
    rows.setLastRow(2, QStringLiteral("CustomerName"));
    rows.setLastRow(3, QStringLiteral("adVarWChar"));
    rows.setLastRow(4, QStringLiteral("V(40)"));
    DatatypesWindow types(rows, seams);
    types.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&types));
    QTableView& list = types.typeList;

    // The hint over a cell is the list's own, not the cell's text.
    const QRect cell = list.visualRect(list.model()->index(0, 1));
    QHelpEvent hover(QEvent::ToolTip, cell.center(), list.viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(list.viewport(), &hover);
    EXPECT_EQ(QToolTip::text(),
              QStringLiteral(
                  "Click item to edit it. Move | line to right and out of window to reveal full names."));
    QToolTip::hideText();

    const int fontHeight = list.fontMetrics().height();
    EXPECT_LE(list.rowHeight(0), fontHeight + 2);
    EXPECT_GE(list.rowHeight(0), fontHeight);

    // Each header shows whole: every word within its column, every line within the header.
    QHeaderView& header = *list.horizontalHeader();
    int columnsWidth = 0;
    for (int column = 0; column < 4; ++column) {
        const QString text = list.model()->headerData(column, Qt::Horizontal).toString();
        for (const QString& word : text.split(QLatin1Char(' ')))
            EXPECT_LT(header.fontMetrics().horizontalAdvance(word), header.sectionSize(column))
                << text.toStdString();
        const QRect needed = header.fontMetrics().boundingRect(
            QRect(0, 0, header.sectionSize(column) - 8, 1000), Qt::TextWordWrap, text);
        EXPECT_LE(needed.height(), header.height()) << text.toStdString();
        columnsWidth += header.sectionSize(column);
    }
    EXPECT_LE(columnsWidth, list.viewport()->width());
}

} // namespace
