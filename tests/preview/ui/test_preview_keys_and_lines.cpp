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

QPoint textPoint(Form2& w, int row) {
    const QRect rect = w.ListView1.visualRect(w.ListView1.model()->index(row, 0));
    return QPoint(rect.left() + rect.width() / 2, rect.center().y());
}

void activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST_F(PreviewWindowTest, EscKeepsTheScriptAndEnterPressesOnlyAFocusedButton) {
    addLines({"CREATE TABLE [a] (b I)", "INSERT INTO [a] VALUES (1)"});
    Form2& w = open();
    activate(w);
    w.ListView1.setFocus();
    QTest::keyClick(&w.ListView1, Qt::Key_Escape);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(lines.count(), 2);

    // Enter in the error box is a line break there, not a button.
    w.Text1.setFocus();
    QTest::keyClick(&w.Text1, Qt::Key_Return);
    EXPECT_TRUE(messages.empty());
    w.PushButton2.setFocus();
    QTest::keyClick(&w.PushButton2, Qt::Key_Return);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("Results have been copied to the clipboard.")));
    w.PushButton5.setFocus();
    QTest::keyClick(&w.PushButton5, Qt::Key_Enter, Qt::KeypadModifier);
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
    Form3 find(lines, seams);
    activate(find);
    find.Text1.setFocus();
    QTest::keyClicks(&find.Text1, QStringLiteral("'x'"));
    QTest::keyClick(&find.Text1, Qt::Key_Return);
    find.Text2.setFocus();
    QTest::keyClicks(&find.Text2, QStringLiteral("'y'"));
    QTest::keyClick(&find.Text2, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(find.isVisible());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(lines.text(1), "INSERT INTO [a] VALUES ('x')");
    find.PushButton2.setFocus();
    QTest::keyClick(&find.PushButton2, Qt::Key_Return);
    EXPECT_FALSE(find.isVisible());
    EXPECT_EQ(lines.text(1), "INSERT INTO [a] VALUES ('y')");
}

TEST_F(PreviewWindowTest, LinesWithBreaksShowWholeOnOneRowAndKeepTheirBreaks) {
    const std::string line = "INSERT INTO [a] VALUES ('one\r\ntwo\nthree\rfour', 1);";
    addLines({"CREATE TABLE [a] (b M, c I)", line.c_str()});
    Form2& w = open();
    const QModelIndex index = w.ListView1.model()->index(1, 0);
    const QString shown = static_cast<QStyledItemDelegate*>(w.ListView1.itemDelegate())
                              ->displayText(index.data(), QLocale::c());
    EXPECT_EQ(shown, QStringLiteral("INSERT INTO [a] VALUES ('one\u21B5two\u21B5three\u21B5four', 1);"));
    // One row high, and as wide as the whole text: widening the column shows all of it.
    QStyleOptionViewItem option;
    option.initFrom(&w.ListView1);
    option.font = w.ListView1.font();
    const QSize hint = w.ListView1.itemDelegate()->sizeHint(option, index);
    EXPECT_LE(hint.height(), w.ListView1.rowHeight());
    EXPECT_GE(hint.width(), w.ListView1.fontMetrics().horizontalAdvance(shown));

    // The clipboard gets the real breaks.
    lines.setChecked(2, true);
    w.PushButton2.click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(line) + QStringLiteral("\r\n"));

    // An edit at the end of the line leaves every break inside the text value as it was.
    onChild = [&](QDialog& child) {
        auto& edit = dynamic_cast<Form4&>(child);
        activate(edit);
        edit.Text1.setFocus();
        QTest::keyClick(&edit.Text1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&edit.Text1, Qt::Key_Left);
        QTest::keyClick(&edit.Text1, Qt::Key_Left);
        QTest::keyClick(&edit.Text1, Qt::Key_Backspace);
        QTest::keyClick(&edit.Text1, Qt::Key_2);
        edit.PushButton2.setFocus();
        QTest::keyClick(&edit.PushButton2, Qt::Key_Return);
    };
    QTest::mouseClick(w.ListView1.viewport(), Qt::LeftButton, {}, textPoint(w, 1));
    EXPECT_EQ(children, 1);
    EXPECT_EQ(lines.text(2), "INSERT INTO [a] VALUES ('one\r\ntwo\nthree\rfour', 2);");
}

TEST_F(PreviewWindowTest, ExecuteAfterAFixedLineSendsEveryRowOnce) {
    test::FoxProFolder target;
    this->target = std::move(target.connection);
    addLines({"CREATE TABLE t (a I)", "INSERT INTO t VALUES (1)", "INSERT INTO t VALUES ('two')",
              "INSERT INTO t VALUES (3)"});
    Form2& w = open();
    w.PushButton1.click();
    ASSERT_EQ(w.ErrorLineIndex(), 3);
    ASSERT_TRUE(w.isVisible());

    onChild = [&](QDialog& child) {
        auto& edit = dynamic_cast<Form4&>(child);
        activate(edit);
        edit.Text1.setFocus();
        QTest::keyClicks(&edit.Text1, QStringLiteral("INSERT INTO t VALUES (2)"));
        edit.PushButton2.click();
    };
    QTest::mouseClick(w.ListView1.viewport(), Qt::LeftButton, {}, textPoint(w, 2));
    ASSERT_EQ(lines.text(3), "INSERT INTO t VALUES (2)");
    w.PushButton1.click();
    EXPECT_EQ(w.exit(), PreviewExit::Executed);
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
    Form2& w = open();
    w.PushButton1.click();
    ASSERT_EQ(w.ErrorLineIndex(), 3);

    // Find and Replace changes line 2 as well as the failing line.
    onChild = [&](QDialog& child) {
        auto& find = dynamic_cast<Form3&>(child);
        find.Text1.setText(QStringLiteral("INSERT INTO"));
        find.Text2.setText(QStringLiteral("INSERT INTO t VALUES (2) --"));
        find.PushButton2.click();
    };
    w.PushButton3.click();
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
    w.PushButton1.click();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].startsWith(
        QStringLiteral("Lines 1 to 2 were already executed; changes to them will not be sent.")));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.PushButton1.isEnabled());
    EXPECT_EQ(target.records("t").size(), 1u);

    answer = Answer::Yes;
    w.PushButton1.click();
    EXPECT_FALSE(w.isVisible());
    const auto records = target.records("t");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0].find("A=1"), std::string::npos);
    EXPECT_NE(records[1].find("A=2"), std::string::npos);
}

} // namespace
