// A server that accepts the connection and then says nothing, or stops in the middle of a table:
// the buttons end within the login time-out, the window keeps answering while it waits, and
// closing it ends the program at once, keeping every row written. The window's login time-out is
// shortened to two seconds where a test waits it out; the 15 the window leaves alone are the
// driver's and change nothing else.
#include "app/main_window.h"
#include "support/child_process.h"
#include "support/controls.h"
#include "support/dumped_ids.h"
#include "support/scripted_ui.h"
#include "support/tds_server.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string_view>

using namespace qc;
using namespace qc::test;

namespace {

constexpr int kLoginTimeOutSeconds = 2;
constexpr qint64 kLoginTimeOutMs = kLoginTimeOutSeconds * 1000;
// What a slow machine may add to the time-out before the button returns.
constexpr qint64 kSlackMs = 1500;

// The main window as a user leaves it before pressing a button: the login of the stand-in, a
// folder target and SQL Preview mode off. Its message boxes go to `ui`.
std::unique_ptr<app::MainWindow> windowFor(int port, const QString& target, ScriptedUi& ui) {
    auto w = std::make_unique<app::MainWindow>();
    w->seams().message = [&ui](const QString& text, const QString& title, Buttons b, Icon i) {
        return ui.message(text, title, b, i);
    };
    control<QLineEdit>(*w, names::serverBox).setText(QString::fromStdString(TdsServer::host()));
    control<QLineEdit>(*w, names::portBox).setText(QString::number(port));
    control<QLineEdit>(*w, names::userBox).setText(QStringLiteral("testuser"));
    control<QLineEdit>(*w, names::passwordBox).setText(QStringLiteral("Test#Pass1"));
    control<QLineEdit>(*w, names::databaseBox).setText(QStringLiteral("TestDB"));
    control<QLineEdit>(*w, names::folderBox).setText(target);
    control<QCheckBox>(*w, names::previewModeBox).setChecked(false);
    return w;
}

// The longest time the window went without handling its events, sampled by a timer.
class Responsiveness {
  public:
    Responsiveness() {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            longestGap_ = std::max(longestGap_, clock_.restart());
            ++ticks_;
        });
        clock_.start();
        timer_.start(20);
    }
    qint64 longestGapMs() const { return std::max(longestGap_, clock_.elapsed()); }
    int ticks() const { return ticks_; }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longestGap_ = 0;
    int ticks_ = 0;
};

// Presses "Start Converting" and closes the window once `waiting` has held for a second with the
// window still handling its events; ends the child with 5 when the click returns instead.
[[noreturn]] void convertAndCloseWhileWaiting(app::MainWindow& w, const std::function<bool()>& waiting) {
    w.show();
    QElapsedTimer heldFor;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &w, [&] {
        if (!waiting())
            return;
        if (!heldFor.isValid())
            heldFor.start();
        else if (heldFor.elapsed() > 1000)
            w.close();
    });
    watch.start(20);
    control<QPushButton>(w, names::startButton).click();
    std::_Exit(5);
}

bool emptyFolder(const QString& path) {
    return QDir(path).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty();
}

struct SilentCase {
    const char* mode;
    const char* button;
};

void PrintTo(const SilentCase& c, std::ostream* os) {
    *os << c.mode << ' ' << c.button;
}

class SilentServer : public ::testing::TestWithParam<SilentCase> {};

} // namespace

// Both buttons against a server that never answers, and one that answers only the pre-login:
// each ends within the login time-out, with the window answering all along.
TEST_P(SilentServer, TheButtonEndsWithinTheLoginTimeOutAndTheWindowKeepsAnswering) {
    const SilentCase c = GetParam();
    TdsServer server(TdsServer::standardFixture(50), 0, {c.mode});
    QTemporaryDir target;
    ScriptedUi ui;
    auto w = windowFor(server.port(), target.path(), ui);
    w->setLoginTimeout(kLoginTimeOutSeconds);

    Responsiveness window;
    QElapsedTimer clock;
    clock.start();
    control<QPushButton>(*w, c.button).click();
    const qint64 took = clock.elapsed();

    EXPECT_LT(took, kLoginTimeOutMs + kSlackMs);
    EXPECT_GT(took, kLoginTimeOutMs - kSlackMs) << "ended early: the fault was not reached";
    EXPECT_LT(window.longestGapMs(), 1000);
    EXPECT_FALSE(w->converting());
    if (QString::fromLatin1(c.button) == QString::fromLatin1(names::testSourceButton)) {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].text.startsWith(
            QStringLiteral("Could not connect. Please check with your administrator.\r\n\r\n")))
            << ui.messages[0].text.toStdString();
    } else {
        for (const auto& shown : ui.messages)
            EXPECT_NE(shown.text, QStringLiteral("Done.")) << "the run went on without its source";
        EXPECT_TRUE(emptyFolder(target.path()));
    }
}

INSTANTIATE_TEST_SUITE_P(, SilentServer,
                         ::testing::Values(SilentCase{"--silent", names::testSourceButton},
                                           SilentCase{"--silent", names::startButton},
                                           SilentCase{"--silent-after-prelogin", names::testSourceButton},
                                           SilentCase{"--silent-after-prelogin", names::startButton}),
                         [](const auto& info) {
                             return std::string(std::string_view(info.param.mode) == "--silent"
                                                    ? "Silent"
                                                    : "SilentAfterPrelogin") +
                                    (info.param.button[10] == '6' ? "TestConnection" : "StartConverting");
                         });

// Child: presses "Test Connection" against a silent server, and either closes the window while
// the server is awaited (QC_CLOSE_WHILE_WAITING) or waits until the attempt is given up and then
// lets the program end the ordinary way, with the driver still stuck in its call.
QC_CHILD(TestConnectionOfSilentServer) {
    ScriptedUi ui;
    QTemporaryDir target;
    auto w = windowFor(qEnvironmentVariableIntValue("QC_SILENT_PORT"), target.path(), ui);
    w->show();
    const bool closeWhileWaiting = qEnvironmentVariableIsSet("QC_CLOSE_WHILE_WAITING");
    // Closed, the window must end the program long before the driver's 15 seconds are over.
    if (closeWhileWaiting)
        QTimer::singleShot(1000, w.get(), [&] { w->close(); });
    else
        w->setLoginTimeout(kLoginTimeOutSeconds);
    control<QPushButton>(*w, names::testSourceButton).click();
    if (closeWhileWaiting)
        std::_Exit(5); // the click returned: the window did not end the program
    ASSERT_EQ(ui.messages.size(), 1u);
    w->close();
}

TEST(SilentServerProgram, ClosingTheWindowWhileTheServerIsAwaitedEndsTheProgramAtOnce) {
    TdsServer server(TdsServer::standardFixture(50), 0, {"--silent"});
    const ProcessResult run = runInChild(
        TestConnectionOfSilentServer,
        {{"QC_SILENT_PORT", std::to_string(server.port())}, {"QC_CLOSE_WHILE_WAITING", "1"}}, 60000);
    ASSERT_TRUE(run.finished) << "the program did not end";
    EXPECT_EQ(run.exitCode, 0) << "5: the click returned instead";
    EXPECT_LT(run.elapsedMs, 8000);
}

TEST(SilentServerProgram, AnAttemptLeftInsideTheDriverDoesNotHoldUpTheProgramsEnd) {
    TdsServer server(TdsServer::standardFixture(50), 0, {"--silent"});
    const ProcessResult run =
        runInChild(TestConnectionOfSilentServer, {{"QC_SILENT_PORT", std::to_string(server.port())}}, 60000);
    ASSERT_TRUE(run.finished) << "the program did not end";
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_LT(run.elapsedMs, kLoginTimeOutMs + 5000);
}

// Child: "Start Converting" against a server that answers the check and the table listing and
// then not the run's own connection, which waits with its own, far longer time-out; the window
// is closed a second after the listing.
QC_CHILD(StartConvertingFromSilentConnection) {
    ScriptedUi ui;
    const QString target = qEnvironmentVariable("QC_SILENT_TARGET");
    auto w = windowFor(qEnvironmentVariableIntValue("QC_SILENT_PORT"), target, ui);
    w->seams().message = [](const QString&, const QString&, Buttons, Icon) -> Answer {
        std::_Exit(3); // the run ended, or reported something
    };
    convertAndCloseWhileWaiting(*w, [&] { return w->run().sourceTables().size() > 0; });
}

TEST(SilentServerProgram, TheRunsOwnConnectionCanBeClosedWhileItWaits) {
    // The check is the first connection, the listing the second, the run's own the third.
    TdsServer server(TdsServer::standardFixture(50), 0, {"--silent-from-connection", "3"});
    QTemporaryDir target;
    const ProcessResult run = runInChild(StartConvertingFromSilentConnection,
                                         {{"QC_SILENT_PORT", std::to_string(server.port())},
                                          {"QC_SILENT_TARGET", target.path().toStdString()}},
                                         60000);
    ASSERT_TRUE(run.finished) << "the program did not end";
    EXPECT_EQ(run.exitCode, 0) << "3: a message came instead, 5: the click returned";
    EXPECT_LT(run.elapsedMs, 10000);
    EXPECT_TRUE(emptyFolder(target.path()));
}

namespace {
constexpr int kRowsBeforeStall = 40;

int headerCount(const QString& dbf) {
    QFile file(dbf);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.read(8);
    if (header.size() < 8)
        return -1;
    return static_cast<uchar>(header[4]) | static_cast<uchar>(header[5]) << 8;
}
} // namespace

// Child: converts from a source that stops sending in the middle of BigTable; once the table's
// rows stopped coming and the window still answered for a second, the window is closed.
QC_CHILD(ConvertFromStalledSource) {
    ScriptedUi ui;
    const QString target = qEnvironmentVariable("QC_STALL_TARGET");
    auto w = windowFor(qEnvironmentVariableIntValue("QC_STALL_PORT"), target, ui);
    w->seams().message = [](const QString& text, const QString&, Buttons, Icon) -> Answer {
        if (text == QStringLiteral("Done."))
            std::_Exit(3);
        return Answer::Ok; // a row the target refused: the run goes on
    };
    convertAndCloseWhileWaiting(
        *w, [&] { return headerCount(target + QStringLiteral("/bigtable.dbf")) >= kRowsBeforeStall; });
}

TEST(StalledSource, TheWindowKeepsAnsweringAndClosingItKeepsEveryWrittenRow) {
    TdsServer server(TdsServer::standardFixture(500), 0,
                     {"--stall-after-rows", std::to_string(kRowsBeforeStall)});
    QTemporaryDir target;
    const ProcessResult run = runInChild(
        ConvertFromStalledSource,
        {{"QC_STALL_PORT", std::to_string(server.port())}, {"QC_STALL_TARGET", target.path().toStdString()}},
        60000);
    ASSERT_TRUE(run.finished) << "the window froze: it never closed";
    ASSERT_EQ(run.exitCode, 0) << "3: the run finished, 5: the click returned";
    std::string expected = std::to_string(kRowsBeforeStall) + " " + std::to_string(kRowsBeforeStall) + " ";
    for (int id = 1; id <= kRowsBeforeStall; ++id)
        expected += std::to_string(id) + (id < kRowsBeforeStall ? " " : "\n");
    EXPECT_EQ(dumpedIds(target.filePath(QStringLiteral("bigtable.dbf"))), expected);
}

// Child: converts from a source that answers nothing when a table is read (another session holds
// it locked); once the run has waited on the table for a second with the window answering, the
// window is closed.
QC_CHILD(ConvertFromLockedSource) {
    ScriptedUi ui;
    auto w = windowFor(qEnvironmentVariableIntValue("QC_LOCKED_PORT"),
                       qEnvironmentVariable("QC_LOCKED_TARGET"), ui);
    w->seams().message = [](const QString&, const QString&, Buttons, Icon) -> Answer {
        std::_Exit(3); // the run ended, or reported something
    };
    auto& progress = control<QProgressBar>(*w, names::progressBar);
    convertAndCloseWhileWaiting(
        *w, [&] { return progress.format().contains(QStringLiteral("Processing table")); });
}

TEST(LockedSource, TheWindowKeepsAnsweringWhileATableReadWaitsAndClosingItEndsTheProgram) {
    TdsServer server(TdsServer::standardFixture(50), 0, {"--stall-before-rows"});
    QTemporaryDir target;
    const ProcessResult run = runInChild(ConvertFromLockedSource,
                                         {{"QC_LOCKED_PORT", std::to_string(server.port())},
                                          {"QC_LOCKED_TARGET", target.path().toStdString()}},
                                         60000);
    ASSERT_TRUE(run.finished) << "the window froze while the table read waited";
    EXPECT_EQ(run.exitCode, 0) << "3: a message came instead, 5: the click returned";
    EXPECT_LT(run.elapsedMs, 20000);
}
