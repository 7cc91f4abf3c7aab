#include "preview_window_fixture.h"

#include "preview/foxpro_folder.h"
#include "preview/ui/datatypes_window.h"
#include "preview/ui/edit_line_window.h"
#include "preview/ui/find_replace_window.h"
#include "shell/ui/geometry.h"
#include "support/fake_desktop.h"

#include <QClipboard>
#include <QHeaderView>
#include <QTest>
#include <QUrlQuery>

using namespace qc;
using namespace qc::preview::ui;
using qc::test::PreviewWindowTest;

namespace {

TEST_F(PreviewWindowTest, OpensAtRestWithItsColumnAndTabOrder) {
    PreviewWindow& w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("SQL Preview - Marravex"));
    EXPECT_EQ(w.errorBox.parentWidget(), &w.errorFrame);
    EXPECT_EQ(w.lineView.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("SQL Preview"));
    EXPECT_EQ(w.lineView.columnWidth(0), shell::px(7000));
    EXPECT_EQ(w.progressBar.text(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(w.errorLine(), 0);
    // Jump To Error Line before any failed run changes nothing.
    addLines({"DROP TABLE [a];"});
    w.jumpToErrorButton.click();
    EXPECT_FALSE(w.lineView.currentIndex().isValid());

    const std::vector<QWidget*> order = {&w.lineView,        &w.executeButton,    &w.findReplaceButton,
                                         &w.copySqlButton,   &w.errorBox,         &w.jumpToErrorButton,
                                         &w.copyErrorButton, &w.emailErrorButton, &w.backButton,
                                         &w.datatypesButton, &w.skipTableButton};
    std::vector<QWidget*> chain;
    QWidget* at = &w.lineView;
    do {
        if (std::find(order.begin(), order.end(), at) != order.end())
            chain.push_back(at);
        at = at->nextInFocusChain();
    } while (at != &w.lineView && chain.size() < order.size());
    EXPECT_EQ(chain, order);
}

TEST_F(PreviewWindowTest, ExecuteRunsEveryLineThenHandsBackAndCloses) {
    test::FoxProFolder target;
    this->target = std::move(target.connection);
    datatypeRows.addRow(QStringLiteral("t"));
    addLines({"CREATE TABLE t (a I)", "INSERT INTO t VALUES (1)", "INSERT INTO t VALUES (2)",
              "INSERT INTO t VALUES (3)"});
    PreviewWindow& w = open();
    std::vector<int> values;
    QObject::connect(&w.progressBar, &QProgressBar::valueChanged, [&](int v) { values.push_back(v); });
    w.executeButton.click();
    EXPECT_EQ(values, (std::vector<int>{25, 50, 75, 100, 0}));
    EXPECT_EQ(w.exit(), preview::PreviewExit::Executed);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(lines.count(), 0);
    EXPECT_EQ(datatypeRows.count(), 0);
    EXPECT_EQ(target.records("t").size(), 3u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PreviewWindowTest, SqlErrorStopsWithTheLineShownAndTheWindowOpen) {
    test::FoxProFolder target;
    this->target = std::move(target.connection);
    addLines({"CREATE TABLE t (a I)", "INSERT INTO nowhere VALUES (1)", "INSERT INTO t VALUES (3)",
              "INSERT INTO t VALUES (4)", "INSERT INTO t VALUES (5)"});
    for (int i = 0; i < 300; ++i)
        lines.append("INSERT INTO t VALUES (9)");
    PreviewWindow& w = open();
    w.lineView.scrollToBottom();
    bool lockedDuringRun = false;
    onMessage = [&](const QString& text) {
        if (text != QStringLiteral("Error found."))
            return;
        // The message shows while the run still holds the window.
        lockedDuringRun = !w.executeButton.isEnabled() && !w.backButton.isEnabled() &&
                          !w.lineView.isEnabled() && w.scriptRunning();
        w.close();
        w.backButton.click();
    };
    w.executeButton.click();
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_EQ(messageTexts(), std::vector<QString>{QStringLiteral("Error found.")});
    EXPECT_TRUE(w.isVisible());
    EXPECT_NE(w.exit(), preview::PreviewExit::Executed);
    EXPECT_EQ(w.errorLine(), 2);
    EXPECT_EQ(w.lineView.currentIndex().row(), 1);
    EXPECT_TRUE(w.lineView.viewport()->rect().contains(w.lineView.visualRect(w.lineView.currentIndex())));
    EXPECT_TRUE(w.errorBox.toPlainText().startsWith(QStringLiteral("SQL error")));
    EXPECT_TRUE(w.executeButton.isEnabled());
    EXPECT_EQ(w.progressBar.text(), QStringLiteral("Progress Bar"));
    EXPECT_TRUE(target.records("t").empty());
    EXPECT_EQ(lines.count(), 305);

    // Jump To Error Line finds it again after the user moved on.
    w.lineView.scrollToBottom();
    w.lineView.setCurrentIndex(w.lineView.model()->index(300, 0));
    w.jumpToErrorButton.click();
    EXPECT_EQ(w.lineView.currentIndex().row(), 1);
    EXPECT_TRUE(w.lineView.viewport()->rect().contains(w.lineView.visualRect(w.lineView.currentIndex())));
}

TEST_F(PreviewWindowTest, ClickOnTextEditsTheLineAndClickOnTheBoxTicksIt) {
    addLines({"DROP TABLE [a];", "INSERT INTO [a] VALUES ('x')\r\n  ;  "});
    PreviewWindow& w = open();
    int editedLine = 0;
    QString shownText;
    onChild = [&](QDialog& child) {
        auto& edit = dynamic_cast<EditLineWindow&>(child);
        editedLine = edit.line;
        shownText = edit.lineBox.toPlainText();
        edit.okButton.click(); // OK without typing
    };
    QTest::mouseClick(w.lineView.viewport(), Qt::LeftButton, {}, textPoint(w, 1));
    EXPECT_EQ(children, 1);
    EXPECT_EQ(editedLine, 2);
    EXPECT_EQ(shownText, QStringLiteral("INSERT INTO [a] VALUES ('x')\n  ;  "));
    EXPECT_EQ(lines.text(2), "INSERT INTO [a] VALUES ('x')\r\n  ;  ");

    QTest::mouseClick(w.lineView.viewport(), Qt::LeftButton, {}, w.lineView.checkBoxRect(0).center());
    EXPECT_EQ(children, 1);
    EXPECT_TRUE(lines.checked(1));
    EXPECT_FALSE(lines.checked(2));
}

TEST_F(PreviewWindowTest, EditedLinesKeepTheirBreaksAndEmptiedLinesAreSkipped) {
    test::FoxProFolder target;
    this->target = std::move(target.connection);
    addLines({"CREATE TABLE t (a I)", "this line is not SQL", "INSERT INTO t VALUES (1)"});
    PreviewWindow& w = open();
    onChild = [&](QDialog& child) {
        auto& edit = dynamic_cast<EditLineWindow&>(child);
        edit.lineBox.setPlainText(edit.line == 2 ? QString() : QStringLiteral("INSERT INTO t\nVALUES (5)"));
        edit.okButton.click();
    };
    QTest::mouseClick(w.lineView.viewport(), Qt::LeftButton, {}, textPoint(w, 1));
    QTest::mouseClick(w.lineView.viewport(), Qt::LeftButton, {}, textPoint(w, 2));
    EXPECT_EQ(lines.text(2), "");
    EXPECT_EQ(lines.text(3), "INSERT INTO t\nVALUES (5)");
    w.executeButton.click();
    EXPECT_EQ(w.exit(), preview::PreviewExit::Executed);
    const auto records = target.records("t");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("A=5"), std::string::npos);
}

TEST_F(PreviewWindowTest, CopySqlTakesTheTickedLines) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    PreviewWindow& w = open();
    w.copySqlButton.click(); // empty list: clipboard untouched, message all the same
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where "
                             "you normally type and press Ctrl+V to paste the clipboard."));

    addLines({"DROP TABLE [a];  ", "CREATE TABLE [a] (b I)", "INSERT INTO [a] VALUES (1)"});
    w.copySqlButton.click(); // nothing ticked
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());

    w.lineView.tickAll.trigger();
    lines.setChecked(2, false);
    w.copySqlButton.click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("DROP TABLE [a];\r\nINSERT INTO [a] VALUES (1)\r\n"));
    w.lineView.untickAll.trigger();
    EXPECT_FALSE(lines.checked(1) || lines.checked(3));

    // A clipboard that does not take the text (another program holding it): both copy buttons
    // say so instead of "copied".
    w.placeOnClipboard = [](const QString&) { return false; };
    lines.setChecked(1, true);
    w.copySqlButton.click();
    w.errorBox.setPlainText(QStringLiteral("SQL error: x"));
    w.copyErrorButton.click();
    ASSERT_EQ(messages.size(), 5u);
    for (std::size_t i : {3u, 4u}) {
        EXPECT_TRUE(messages[i].text.startsWith(QStringLiteral("The clipboard did not take the text")))
            << messages[i].text.toStdString();
        EXPECT_EQ(messages[i].icon, Icon::Exclamation);
    }
}

TEST_F(PreviewWindowTest, ErrorTextIsCopiedAndMailedWhole) {
    test::FakeDesktop desktop;
    desktop.registerDefault(QStringLiteral("x-scheme-handler/mailto"), QStringLiteral("test-mail.desktop"));
    PreviewWindow& w = open();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    w.errorBox.setPlainText(QStringLiteral("   "));
    w.copyErrorButton.click();
    w.emailErrorButton.click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_TRUE(urls.empty());
    EXPECT_TRUE(messages.empty());

    const QString error = QStringLiteral("  SQL error: a & b? #1 = 50% + 1\n  next line  ");
    w.errorBox.setPlainText(error);
    w.copyErrorButton.click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), error);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(
        messages[0].text.startsWith(QStringLiteral("Error message have been copied to the clipboard.\r\r")));

    w.emailErrorButton.click();
    ASSERT_EQ(urls.size(), 1u);
    const QUrl& url = urls[0];
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("support@marravex.example.org"));
    EXPECT_FALSE(url.hasFragment());
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItems().size(), 2);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Marravex"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
              QStringLiteral("Here is the error message that I get: \n") + error);
}

// Without a mail program the button shows where to write instead of doing nothing.
TEST_F(PreviewWindowTest, WithoutAMailProgramTheAddressIsShown) {
    test::FakeDesktop desktop;
    PreviewWindow& w = open();
    w.errorBox.setPlainText(QStringLiteral("SQL error: Syntax error."));
    w.emailErrorButton.click();
    EXPECT_TRUE(urls.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("support@marravex.example.org")));
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("No e-mail program is set up on this computer")));
}

TEST_F(PreviewWindowTest, BackGoesBackAndSkipTableSkipsTheTable) {
    addLines({"DROP TABLE [a];"});
    PreviewWindow& w = open();
    w.backButton.click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.exit(), preview::PreviewExit::WentBack);
    EXPECT_EQ(lines.count(), 0);

    addLines({"DROP TABLE [a];"});
    PreviewWindow& again = open();
    again.skipTableButton.click();
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(again.exit(), preview::PreviewExit::TableSkipped);
    EXPECT_EQ(lines.count(), 0);

    // Closed by its title bar, the window went back too.
    addLines({"DROP TABLE [a];"});
    PreviewWindow& closed = open();
    closed.close();
    EXPECT_EQ(closed.exit(), preview::PreviewExit::WentBack);
}

TEST_F(PreviewWindowTest, FindAndReplaceChangesTheListAndCloses) {
    addLines({"INSERT INTO [dbo_t] VALUES (1)", "insert into [DBO_t] values (2)", "DROP TABLE [x];"});
    PreviewWindow& w = open();
    int result = -1;
    onChild = [&](QDialog& child) {
        auto& find = dynamic_cast<FindReplaceWindow&>(child);
        EXPECT_EQ(find.windowTitle(), QStringLiteral("Find and Replace - Marravex"));
        find.findBox.setText(QStringLiteral("dbo_"));
        find.replaceBox.setText(QStringLiteral(""));
        find.replaceButton.click();
        result = find.result();
    };
    w.findReplaceButton.click();
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(messageTexts(), std::vector<QString>{QStringLiteral("Done.")});
    EXPECT_EQ(lines.text(1), "INSERT INTO [t] VALUES (1)");
    EXPECT_EQ(lines.text(2), "insert into [t] values (2)");
    EXPECT_EQ(lines.text(3), "DROP TABLE [x];");
    EXPECT_EQ(w.lineView.model()->data(w.lineView.model()->index(0, 0)).toString(),
              QStringLiteral("INSERT INTO [t] VALUES (1)"));
}

TEST_F(PreviewWindowTest, DatatypesWindowShowsTheRowsOnceThenIsEmpty) {
    for (const char* column : {"id", "name", "born"}) {
        datatypeRows.addRow(QStringLiteral("people"));
        datatypeRows.setLastRow(2, QString::fromLatin1(column));
        datatypeRows.setLastRow(3, QStringLiteral("adInteger"));
        datatypeRows.setLastRow(4, QStringLiteral("I"));
    }
    PreviewWindow& w = open();
    std::vector<int> rowsShown;
    onChild = [&](QDialog& child) {
        auto& types = dynamic_cast<DatatypesWindow&>(child);
        const QAbstractItemModel& model = *types.typeList.model();
        rowsShown.push_back(model.rowCount());
        EXPECT_EQ(model.columnCount(), 4);
        EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("New FoxPro Datatype"));
        EXPECT_EQ(types.typeList.columnWidth(2), shell::px(1700));
        if (model.rowCount() == 3) {
            EXPECT_EQ(model.data(model.index(1, 0)).toString(), QStringLiteral("people"));
            EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("name"));
        }
        types.backButton.click();
    };
    w.datatypesButton.click();
    w.datatypesButton.click();
    EXPECT_EQ(rowsShown, (std::vector<int>{3, 0}));
}

} // namespace
