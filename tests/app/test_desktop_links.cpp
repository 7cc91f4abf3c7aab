// Links that answer: the desktop is asked (xdg-mime, for real) whether an application will open an
// address, and without one the user gets the address in a message instead of nothing at all.
#include "main_window_test.h"

#include "shell/ui/desktop_links.h"
#include "support/fake_desktop.h"

#include <QPushButton>

using namespace qc;
using namespace qc::test;

namespace {

class DesktopLinks : public MainWindowTest {};

const QUrl kMail(QStringLiteral("mailto:support@marravex.example.org?subject=Marravex"));

TEST_F(DesktopLinks, TheDesktopsOwnAnswerDecides) {
    FakeDesktop desktop;
    const QUrl picture = QUrl::fromLocalFile(QStringLiteral("/nowhere/local-connection-example.jpg"));
    EXPECT_EQ(shell::desktopApplicationFor(kMail), QString());
    EXPECT_EQ(shell::desktopApplicationFor(picture), QString());
    desktop.registerDefault(QStringLiteral("x-scheme-handler/mailto"), QStringLiteral("test-mail.desktop"));
    desktop.registerDefault(QStringLiteral("image/jpeg"), QStringLiteral("test-viewer.desktop"));
    EXPECT_EQ(shell::desktopApplicationFor(kMail), QStringLiteral("test-mail.desktop"));
    EXPECT_EQ(shell::desktopApplicationFor(picture), QStringLiteral("test-viewer.desktop"));

    std::vector<QUrl> launched;
    bool starts = true;
    const auto launch = [&](const QUrl& url) {
        launched.push_back(url);
        return starts;
    };
    shell::openAddress(kMail, launch, ui, QStringLiteral("write to us"));
    EXPECT_EQ(launched, std::vector<QUrl>{kMail});
    EXPECT_TRUE(ui.messages.empty());
    // A launcher that could not start anything is no answer either.
    starts = false;
    shell::openAddress(kMail, launch, ui, QStringLiteral("write to us"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("write to us"));
}

TEST_F(DesktopLinks, WithoutXdgUtilsNoApplicationIsKnown) {
    FakeDesktop desktop;
    desktop.registerDefault(QStringLiteral("x-scheme-handler/mailto"), QStringLiteral("test-mail.desktop"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    const QString answer = shell::desktopApplicationFor(kMail);
    qputenv("PATH", path);
    EXPECT_EQ(answer, QString());
}

TEST_F(DesktopLinks, ConnectionHelpNamesThePictureWhenNothingWillShowIt) {
    FakeDesktop desktop;
    auto w = loadedWindow();
    w->seams().openUrl = [](const QUrl&) {
        ADD_FAILURE() << "launched without an application";
        return true;
    };
    ui.expectQuestion(QStringLiteral("connect locally"), Answer::Yes);
    control<QPushButton>(*w, names::sourceHelpButton).click();
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(
        ui.messages[2].text,
        QStringLiteral("No program is set up on this computer to show the picture.\r\rIt is the file ") +
            programFolder() + QStringLiteral("/local-connection-example.jpg"));
    EXPECT_TRUE(ui.errorReports().empty());
}

} // namespace
