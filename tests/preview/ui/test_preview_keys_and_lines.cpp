// The preview window as the keyboard and the mouse reach it: Esc keeps the script, Enter presses
// only a focused button, lines with breaks show whole, and "Execute SQL" after a stop goes on
// where the script stopped.
#include "preview_window_fixture.h"

#include "preview/foxpro_folder.h"
#include "preview/ui/edit_line_window.h"
#include "preview/ui/find_replace_window.h"

#include <QClipboard>
#include <QStyledItemDelegate>
#include <QTest>

using namespace qc;
using namespace qc::preview::ui;
using qc::test::PreviewWindowTest;

namespace {

void activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST_F(PreviewWindowTest, EscKeepsTheScriptAndEnterPressesOnlyAFocusedButton) {
    addLines({"CREATE TABLE [a] (b I)", "INSERT INTO [a] VALUES (1)"});
    PreviewWindow& w = open();
    activate(w);
    w.lineView.setFocus();
    QTest::keyClick(&w.lineView, Qt::Key_Escape);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(lines.count(), 2);

    // Enter in the error box is a line break there, not a button.
    w.errorBox.setFocus();
    QTest::keyClick(&w.errorBox, Qt::Key_Return);
    EXPECT_TRUE(messages.empty());
    w.copySqlButton.setFocus();
    QTest::keyClick(&w.copySqlButton, Qt::Key_Return);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("Results have been copied to the clipboard.")));
    w.backButton.setFocus();
    QTest::keyClick(&w.backButton, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(PreviewWindowTest, EnterInFindWhatDoesNotReplace) {
    addLines({"INSERT INTO [a] VALUES ('x')"});
    shell::WindowSeams seams;
    seams.message = [this](const QString& text, const QString& title, Buttons buttons, Icon icon) {
        messages.push_back({text, title, buttons, icon});
        return Answer::Ok;
    };
    FindReplaceWindow find(lines, seams);
    activate(find);
    find.findBox.setFocus();
    QTest::keyClicks(&find.findBox, QStringLiteral("'x'"));
    QTest::keyClick(&find.findBox, Qt::Key_Return);
    find.replaceBox.setFocus();
    QTest::keyClicks(&find.replaceBox, QStringLiteral("'y'"));
    QTest::keyClick(&find.replaceBox, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(find.isVisible());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(lines.text(1), "INSERT INTO [a] VALUES ('x')");
    find.replaceButton.setFocus();
    QTest::keyClick(&find.replaceButton, Qt::Key_Return);
    EXPECT_FALSE(find.isVisible());
    EXPECT_EQ(lines.text(1), "INSERT INTO [a] VALUES ('y')");
}

TEST_F(PreviewWindowTest, LinesWithBreaksShowWholeOnOneRowAndKeepTheirBreaks) {
    const std::string line = "INSERT INTO [a] VALUES ('one\r\ntwo\nthree\rfour', 1);";
    addLines({"CREATE TABLE [a] (b M, c I)", line.c_str()});
    PreviewWindow& w = open();
    const QModelIndex index = w.lineView.model()->index(1, 0);
    const QString shown =
        static_cast<QStyledItemDelegate*>(w.lineView.itemDelegate())->displayText(index.data(), QLocale::c());
    EXPECT_EQ(shown, QStringLiteral("INSERT INTO [a] VALUES ('one\u21B5two\u21B5three\u21B5four', 1);"));
    // One row high, and as wide as the whole text: widening the column shows all of it.
    QStyleOptionViewItem option;
    option.initFrom(&w.lineView);
    option.font = w.lineView.font();
    const QSize hint = w.lineView.itemDelegate()->sizeHint(option, index);
    EXPECT_LE(hint.height(), w.lineView.rowHeight());
    EXPECT_GE(hint.width(), w.lineView.fontMetrics().horizontalAdvance(shown));

    // The clipboard gets the real breaks.
    lines.setChecked(2, true);
    w.copySqlButton.click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(line) + QStringLiteral("\r\n"));

    // An edit at the end of the line leaves every break inside the text value as it was.
    onChild = [&](QDialog& child) {
        auto& edit = dynamic_cast<EditLineWindow&>(child);
        activate(edit);
        edit.lineBox.setFocus();
        QTest::keyClick(&edit.lineBox, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&edit.lineBox, Qt::Key_Left);
        QTest::keyClick(&edit.lineBox, Qt::Key_Left);
        QTest::keyClick(&edit.lineBox, Qt::Key_Backspace);
        QTest::keyClick(&edit.lineBox, Qt::Key_2);
        edit.okButton.setFocus();
        QTest::keyClick(&edit.okButton, Qt::Key_Return);
    };
    QTest::mouseClick(w.lineView.viewport(), Qt::LeftButton, {}, textPoint(w, 1));
    EXPECT_EQ(children, 1);
    EXPECT_EQ(lines.text(2), "INSERT INTO [a] VALUES ('one\r\ntwo\nthree\rfour', 2);");
}

TEST_F(PreviewWindowTest, ExecuteAfterAFixedLineSendsEveryRowOnce) {
    test::FoxProFolder target;
    this->target = std::move(target.connection);
    addLines({"CREATE TABLE t (a I)", "INSERT INTO t VALUES (1)", "INSERT INTO t VALUES ('two')",
              "INSERT INTO t VALUES (3)"});
    PreviewWindow& w = open();
    w.executeButton.click();
    ASSERT_EQ(w.errorLine(), 3);
    ASSERT_TRUE(w.isVisible());

    onChild = [&](QDialog& child) {
        auto& edit = dynamic_cast<EditLineWindow&>(child);
        activate(edit);
        edit.lineBox.setFocus();
        QTest::keyClicks(&edit.lineBox, QStringLiteral("INSERT INTO t VALUES (2)"));
        edit.okButton.click();
    };
    QTest::mouseClick(w.lineView.viewport(), Qt::LeftButton, {}, textPoint(w, 2));
    ASSERT_EQ(lines.text(3), "INSERT INTO t VALUES (2)");
    w.executeButton.click();
    EXPECT_EQ(w.exit(), preview::PreviewExit::Executed);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(messageTexts(), std::vector<QString>{QStringLiteral("Error found.")});
    const auto records = target.records("t");
    ASSERT_EQ(records.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(records[i].find("A=" + std::to_string(i + 1)), std::string::npos) << records[i];
}

TEST_F(PreviewWindowTest, ChangedEarlierLinesAskBeforeExecutingAgain) {
    test::FoxProFolder target;
    this->target = std::move(target.connection);
    addLines({"CREATE TABLE t (a I)", "INSERT INTO t VALUES (1)", "INSERT INTO nowhere VALUES (2)"});
    PreviewWindow& w = open();
    w.executeButton.click();
    ASSERT_EQ(w.errorLine(), 3);

    // Find and Replace changes line 2 as well as the failing line.
    onChild = [&](QDialog& child) {
        auto& find = dynamic_cast<FindReplaceWindow&>(child);
        find.findBox.setText(QStringLiteral("INSERT INTO"));
        find.replaceBox.setText(QStringLiteral("INSERT INTO t VALUES (2) --"));
        find.replaceButton.click();
    };
    w.findReplaceButton.click();
    ASSERT_EQ(lines.text(3), "INSERT INTO t VALUES (2) -- nowhere VALUES (2)");
    lines.setText(3, "INSERT INTO t VALUES (2)");

    Answer answer = Answer::No;
    std::vector<QString> questions;
    w.seams().message = [&](const QString& text, const QString&, Buttons buttons, Icon) {
        if (buttons != Buttons::YesNo)
            return Answer::Ok;
        questions.push_back(text);
        return answer;
    };
    w.executeButton.click();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].startsWith(
        QStringLiteral("Lines 1 to 2 were already executed; changes to them will not be sent.")));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.executeButton.isEnabled());
    EXPECT_EQ(target.records("t").size(), 1u);

    answer = Answer::Yes;
    w.executeButton.click();
    EXPECT_FALSE(w.isVisible());
    const auto records = target.records("t");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0].find("A=1"), std::string::npos);
    EXPECT_NE(records[1].find("A=2"), std::string::npos);
}

} // namespace
