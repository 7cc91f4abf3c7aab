// Closing the main window the way the window system asks for it (not QWidget::close, which Qt lets
// through anyway) while a message box or another window of the program waits for the user ends the
// program at once.
#include "app/main_window.h"
#include "support/child_process.h"
#include "support/controls.h"
#include "support/tds_server.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

// The window system's entry point for a close request (Qt's platform interface, exported by
// QtGui; its header is not installed without the private development files).
class QWindowSystemInterface {
  public:
    struct SynchronousDelivery;
    template <typename Delivery> static bool handleCloseEvent(QWindow* window);
};

using namespace qc;
using namespace qc::test;

namespace {
// The stand-in's login, its port from the parent.
void typeLogin(QWidget& w) {
    control<QLineEdit>(w, names::serverBox).setText(QString::fromStdString(TdsServer::host()));
    control<QLineEdit>(w, names::portBox).setText(qEnvironmentVariable("QC_PORT"));
    control<QLineEdit>(w, names::userBox).setText(QStringLiteral("testuser"));
    control<QLineEdit>(w, names::passwordBox).setText(QStringLiteral("Test#Pass1"));
    control<QLineEdit>(w, names::databaseBox).setText(QStringLiteral("TestDB"));
}
} // namespace

// Child: "Test Connection" against a working server shows its answer in a real message box; the
// window system then asks the main window to close.
QC_CHILD(CloseWhileTheAnswerIsShown) {
    app::MainWindow w;
    typeLogin(w);
    w.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &w, [&] {
        auto* box = w.findChild<QMessageBox*>();
        if (!box || !box->isVisible())
            return;
        // While the box is up the main window takes no clicks: the button is not pressed again.
        auto& button = control<QPushButton>(w, names::testSourceButton);
        QObject::connect(&button, &QPushButton::clicked, [] { std::_Exit(7); });
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(&button, &click);
        }
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
            w.windowHandle());
        std::_Exit(6); // the close request was dropped
    });
    poll.start(20);
    control<QPushButton>(w, names::testSourceButton).click();
    std::_Exit(5); // the box was answered without the test
}

TEST(CloseDuringMessage, TheWindowSystemsCloseEndsTheProgramWhileAMessageBoxIsUp) {
    TdsServer server(TdsServer::standardFixture(50));
    const ProcessResult run =
        runInChild(CloseWhileTheAnswerIsShown, {{"QC_PORT", std::to_string(server.port())}}, 60000);
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.signalled);
    EXPECT_EQ(run.exitCode, 0)
        << "6: the close request was dropped, 5: the box went away unanswered, 7: the window took a click";
    EXPECT_LT(run.elapsedMs, 20000);
}

// Child: a window of the program opened over the main window (Advanced Options from its button, or
// the SQL Preview during a run), then the window system asks the main window to close.
QC_CHILD(CloseWhileAWindowIsOver) {
    app::MainWindow w;
    typeLogin(w);
    control<QLineEdit>(w, names::folderBox).setText(qEnvironmentVariable("QC_TARGET"));
    control<QCheckBox>(w, names::previewModeBox).setChecked(true);
    control<QRadioButton>(w, names::previewPerFileOption).setChecked(true);
    w.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &w, [&] {
        QDialog* shown = nullptr;
        for (auto* dialog : w.findChildren<QDialog*>())
            if (dialog->isVisible() && !qobject_cast<QMessageBox*>(dialog))
                shown = dialog;
        if (!shown)
            return;
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
            w.windowHandle());
        std::_Exit(6); // the close request was dropped
    });
    poll.start(20);
    control<QPushButton>(w, qPrintable(qEnvironmentVariable("QC_BUTTON"))).click();
    std::_Exit(5); // the window went away without the test
}

TEST(CloseDuringMessage, TheWindowSystemsCloseEndsTheProgramWhileAnotherWindowIsUp) {
    TdsServer server(TdsServer::standardFixture(50));
    QTemporaryDir target;
    for (const char* button : {names::containerButton, names::startButton}) {
        const ProcessResult run = runInChild(CloseWhileAWindowIsOver,
                                             {{"QC_PORT", std::to_string(server.port())},
                                              {"QC_TARGET", target.path().toStdString()},
                                              {"QC_BUTTON", button}},
                                             60000);
        ASSERT_TRUE(run.finished) << button;
        EXPECT_FALSE(run.signalled) << button;
        EXPECT_EQ(run.exitCode, 0)
            << button << ": 6: the close request was dropped, 5: the window went away unanswered";
    }
}
