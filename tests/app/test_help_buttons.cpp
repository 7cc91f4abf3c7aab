#include "main_window_test.h"

#include "shell/error_trap.h"
#include "support/fake_desktop.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace qc;
using namespace qc::test;

namespace {
class HelpButtons : public MainWindowTest {};
} // namespace

TEST_F(HelpButtons, ConnectionHelpOffersTheExamplePictureEvenWithEmptyFields) {
    FakeDesktop desktop;
    desktop.registerDefault(QStringLiteral("image/jpeg"), QStringLiteral("test-viewer.desktop"));
    auto w = loadedWindow();
    std::vector<QUrl> opened;
    w->seams().openUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    ui.expectQuestion(QStringLiteral("Would you like to see an image of how I connect locally?"), Answer::No);
    control<QPushButton>(*w, names::sourceHelpButton).click();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(ui.messages[0].text.contains(
        QStringLiteral("go to: \r\rhttps://www.example.org/marravex/sql-manager\r\r")));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Quintarel Converter"));
    EXPECT_EQ(ui.messages[1].buttons, Buttons::YesNo);
    EXPECT_TRUE(opened.empty());

    ui.expectQuestion(QStringLiteral("connect locally"), Answer::Yes);
    control<QPushButton>(*w, names::sourceHelpButton).click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0],
              QUrl::fromLocalFile(programFolder() + QStringLiteral("/local-connection-example.jpg")));
    EXPECT_TRUE(ui.errorReports().empty());
}

TEST_F(HelpButtons, TheRealMessageBoxCarriesTitleIconAndButtons) {
    auto w = loadedWindow();
    w->seams().message = nullptr;
    QString seenTitle, seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    // Notes the next box the window shows and closes it with `button`.
    auto answerNextBox = [&](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&, button] {
            auto* box = w->findChild<QMessageBox*>();
            ASSERT_NE(box, nullptr);
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            box->button(button)->click();
        });
    };
    answerNextBox(QMessageBox::Yes);
    EXPECT_EQ(
        w->port().message(QStringLiteral("Overwrite it?"), QStringLiteral("Overwrite?"), Buttons::YesNo),
        Answer::Yes);
    EXPECT_EQ(seenTitle, QStringLiteral("Overwrite?"));
    EXPECT_EQ(seenIcon, QMessageBox::NoIcon);

    answerNextBox(QMessageBox::Ok);
    w->port().report({QStringLiteral("Boom"), QStringLiteral("Form1"), QStringLiteral("Form_Load"), 100});
    EXPECT_EQ(seenTitle, QStringLiteral("Application Error"));
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
    EXPECT_TRUE(
        seenText.startsWith(QStringLiteral("Boom\nin Ferroquill2021/08/31.Form1.Form_Load at line 100")));
}

// Enter presses the push button that has the focus, as Space does; in a text box it presses none.
TEST_F(HelpButtons, EnterPressesOnlyTheFocusedButton) {
    auto w = loadedWindow();
    w->showCentred();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    auto& server = control<QLineEdit>(*w, names::serverBox);
    server.setFocus();
    QTest::keyClick(&server, Qt::Key_Return);
    QTest::keyClick(&server, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(ui.messages.empty());
    auto& help = control<QPushButton>(*w, names::helpButton);
    help.setFocus();
    QTest::keyClick(&help, Qt::Key_Return);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("This software transfers")));

    w->seams().runModal = [&](QDialog& dialog) {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto& path = control<QLineEdit>(dialog, names::advanced::containerBox);
        path.setFocus();
        QTest::keyClick(&path, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        auto& cancel = control<QPushButton>(dialog, names::advanced::cancelButton);
        cancel.setFocus();
        QTest::keyClick(&cancel, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    };
    w->target().containerChosen = true;
    control<QPushButton>(*w, names::containerButton).click();
    EXPECT_FALSE(w->target().containerChosen);
}
