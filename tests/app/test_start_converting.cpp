#include "main_window_test.h"

#include "data/foxpro_target.h"
#include "data/ui/advanced_options_window.h"
#include "foxpro/container.h"
#include "preview/ui/preview_window.h"
#include "shell/ui/pointers.h"
#include "support/child_process.h"
#include "support/dumped_ids.h"
#include "support/tds_server.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

using namespace qc;
using namespace qc::test;

namespace {

const QString kUser = QStringLiteral("testuser");
const QString kPassword = QStringLiteral("Test#Pass1");

class StartConverting : public MainWindowTest {
  protected:
    // Types the login into the window as a user would.
    void typeLogin(app::MainWindow& w, int port, const QString& password = kPassword) {
        auto type = [&](const char* name, const QString& text) {
            auto& box = control<QLineEdit>(w, name);
            box.clear();
            QTest::keyClicks(&box, text);
        };
        type(names::serverBox, QString::fromStdString(TdsServer::host()));
        type(names::portBox, QString::number(port));
        type(names::userBox, kUser);
        type(names::passwordBox, password);
        type(names::databaseBox, QStringLiteral("TestDB"));
    }
};

// Rows the target refuses (a value its field cannot hold) are reported and the run goes on;
// anything else reported is a fault.
void expectOnlyRefusedRows(const ScriptedUi& ui) {
    for (const auto& report : ui.errorReports())
        EXPECT_TRUE(report.text.contains(QStringLiteral("PushButton7_Click at line 426")) &&
                    report.text.startsWith(QStringLiteral("SQL error: ")))
            << report.text.toStdString();
}

bool portIsFree(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

std::string ids(int from, int to) {
    std::string all;
    for (int i = from; i <= to; ++i)
        all += (all.empty() ? "" : " ") + std::to_string(i);
    return all;
}

} // namespace

TEST_F(StartConverting, TheSqlServerTestConnectionButtonAnswersForAGoodAndAWrongPassword) {
    TdsServer server(TdsServer::standardFixture(50));
    auto w = loadedWindow();
    bool busyWhileShown = false;
    w->seams().message = [&](const QString& text, const QString& title, Buttons b, Icon i) {
        busyWhileShown = shell::isBusy(*w);
        return ui.message(text, title, b, i);
    };
    typeLogin(*w, server.port());
    control<QPushButton>(*w, names::testSourceButton).click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Connection successful."));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Quintarel Converter"));
    EXPECT_TRUE(busyWhileShown);
    EXPECT_FALSE(shell::isBusy(*w));

    typeLogin(*w, server.port(), QStringLiteral("wrong"));
    control<QPushButton>(*w, names::testSourceButton).click();
    ASSERT_EQ(ui.messages.size(), 2u);
    // The reason, the driver's own message, comes below the answer.
    EXPECT_TRUE(ui.messages[1].text.startsWith(
        QStringLiteral("Could not connect. Please check with your administrator.\r\n\r\n")));
    EXPECT_TRUE(ui.messages[1].text.contains(QStringLiteral("18456"))) << ui.messages[1].text.toStdString();
    EXPECT_TRUE(ui.errorReports().empty());
    EXPECT_FALSE(shell::isBusy(*w));
}

TEST_F(StartConverting, ClicksWhileATestConnectionWaitsForItsServerAreIgnored) {
    // A slow link: the login takes a few packets' time, while the window takes clicks.
    TdsServer server(TdsServer::standardFixture(50), 0, {"--latency-ms", "150"});
    QTemporaryDir folder;
    auto w = loadedWindow();
    typeLogin(*w, server.port());
    QTest::keyClicks(&control<QLineEdit>(*w, names::folderBox), folder.path());
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        for (const char* button : {names::startButton, names::testSourceButton, names::testTargetButton})
            control<QPushButton>(*w, button).click();
        clicked = true;
    });
    control<QPushButton>(*w, names::testSourceButton).click();
    EXPECT_TRUE(clicked);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Connection successful."));
    EXPECT_FALSE(w->converting());
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST_F(StartConverting, TheFoxProTestConnectionButtonAnswersForTheChosenTarget) {
    QTemporaryDir folder;
    auto w = loadedWindow();
    QTest::keyClicks(&control<QLineEdit>(*w, names::folderBox), folder.path());
    control<QPushButton>(*w, names::testTargetButton).click();
    QTest::keyClicks(&control<QLineEdit>(*w, names::folderBox), QStringLiteral("/missing"));
    control<QPushButton>(*w, names::testTargetButton).click();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Connection successful."));
    EXPECT_TRUE(ui.messages[1].text.startsWith(QStringLiteral("Could not connect.\r\n\r\n")));
    EXPECT_TRUE(ui.messages[1].text.contains(QStringLiteral("does not exist")))
        << ui.messages[1].text.toStdString();
    EXPECT_FALSE(shell::isBusy(*w));
}

TEST_F(StartConverting, FromTheWindowThroughFreeTdsIntoAFolder) {
    TdsServer server(TdsServer::standardFixture(50));
    QTemporaryDir target;
    auto w = loadedWindow();
    typeLogin(*w, server.port());
    QTest::keyClicks(&control<QLineEdit>(*w, names::folderBox), target.path());
    control<QCheckBox>(*w, names::previewModeBox).click(); // immediate mode
    std::vector<QString> progress;
    auto& bar = control<QProgressBar>(*w, names::progressBar);
    QObject::connect(&bar, &QProgressBar::valueChanged, &bar, [&] { progress.push_back(bar.text()); });

    control<QPushButton>(*w, names::startButton).click();
    expectOnlyRefusedRows(ui);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_EQ(ui.messages.back().title, QStringLiteral("Quintarel Converter"));
    EXPECT_EQ(dumpedIdsAndTail(target.filePath(QStringLiteral("bigtable.dbf"))),
              "50 50 True " + ids(1, 50) + "\n");
    EXPECT_TRUE(QFile::exists(target.filePath(QStringLiteral("order details.dbf"))));
    EXPECT_FALSE(progress.empty());
    EXPECT_EQ(bar.text(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(bar.value(), 0);
    EXPECT_FALSE(shell::isBusy(*w));
    EXPECT_FALSE(w->converting());
    EXPECT_GT(w->run().sourceTables().size(), 5);

    // A second run asks before replacing each table; No leaves them alone.
    ui.messages.clear();
    for (qsizetype i = 0; i < w->run().sourceTables().size(); ++i)
        ui.expectQuestion(QStringLiteral("Would you like to overwrite "), Answer::No);
    control<QPushButton>(*w, names::startButton).click();
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_EQ(ui.messages.front().title, QStringLiteral("Overwrite?"));
}

TEST_F(StartConverting, WithLocalConnectionTheServerIsReachedOnTheDefaultPort) {
    if (!portIsFree(1433))
        GTEST_SKIP() << "port 1433 is taken";
    TdsServer server(TdsServer::standardFixture(50), 1433);
    QTemporaryDir target;
    auto w = loadedWindow();
    typeLogin(*w, 1); // a port that would fail: it must not be used
    control<QCheckBox>(*w, names::localConnectionBox).click();
    QTest::keyClicks(&control<QLineEdit>(*w, names::folderBox), target.path());
    control<QCheckBox>(*w, names::previewModeBox).click();
    control<QPushButton>(*w, names::startButton).click();
    expectOnlyRefusedRows(ui);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_EQ(dumpedIdsAndTail(target.filePath(QStringLiteral("bigtable.dbf"))),
              "50 50 True " + ids(1, 50) + "\n");
}

TEST_F(StartConverting, AContainerConfirmedInAdvancedOptionsIsTheTargetOfTheNextRunWithoutARestart) {
    TdsServer server(TdsServer::standardFixture(50));
    QTemporaryDir folder;
    const QString dbc = folder.filePath(QStringLiteral("shop.dbc"));
    qc::foxpro::Container::create(dbc.toStdString());
    // The folder target at start, and a folder the run could not open.
    store({{key::kFreeTableFolder, folder.filePath(QStringLiteral("missing"))},
           {key::kFoxproOption, QStringLiteral("2")}});
    auto w = loadedWindow();
    ASSERT_FALSE(w->target().containerChosen);
    typeLogin(*w, server.port());
    control<QCheckBox>(*w, names::previewModeBox).click();
    w->fileDialogs.chooseFile = [&](QWidget*, const QString&, const QString&) { return dbc; };
    w->seams().runModal = [](QDialog& dialog) {
        control<QPushButton>(dialog, names::advanced::browseButton).click();
        control<QPushButton>(dialog, names::advanced::okButton).click();
    };
    control<QPushButton>(*w, names::containerButton).click();
    control<QPushButton>(*w, names::startButton).click();

    expectOnlyRefusedRows(ui);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Done."));
    EXPECT_EQ(dumpedIdsAndTail(folder.filePath(QStringLiteral("bigtable.dbf"))),
              "50 50 True " + ids(1, 50) + "\n");
    QStringList tables;
    data::listTargetTables(w->target(), tables, ui);
    EXPECT_TRUE(tables.contains(QStringLiteral("bigtable"))) << tables.join(',').toStdString();
}

TEST_F(StartConverting, InSqlPreviewModeThePreviewWindowOpensOwnedByTheMainWindow) {
    TdsServer server(TdsServer::standardFixture(50));
    QTemporaryDir target;
    auto w = loadedWindow();
    typeLogin(*w, server.port());
    QTest::keyClicks(&control<QLineEdit>(*w, names::folderBox), target.path());
    ASSERT_NE(w->previewChoice(), engine::PreviewChoice::Off);
    int shown = 0;
    w->seams().runModal = [&](QDialog& dialog) {
        ++shown;
        EXPECT_EQ(dialog.parentWidget(), w.get());
        EXPECT_GT(dynamic_cast<preview::ui::PreviewWindow&>(dialog).session().lines.count(), 50);
    };
    control<QPushButton>(*w, names::startButton).click();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(ui.errorReports().empty());
}

// Runs in a child process: starts a conversion and closes the window once a table has rows.
QC_CHILD_F(StartConverting, CloseMidRun) {
    const QString target = qEnvironmentVariable("QC_CLOSE_TARGET");
    auto w = loadedWindow();
    w->seams().message = [](const QString& text, const QString&, Buttons, Icon) -> Answer {
        if (text == QStringLiteral("Done."))
            std::_Exit(3);
        if (!text.contains(QStringLiteral("Ferroquill2021/08/31.")))
            std::_Exit(4);
        return Answer::Ok; // a row the target refused: the run goes on
    };
    typeLogin(*w, qEnvironmentVariableIntValue("QC_CLOSE_PORT"));
    QTest::keyClicks(&control<QLineEdit>(*w, names::folderBox), target);
    control<QCheckBox>(*w, names::previewModeBox).click();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, w.get(), [&] {
        QFile dbf(target + QStringLiteral("/bigtable.dbf"));
        if (!dbf.open(QIODevice::ReadOnly))
            return;
        const QByteArray header = dbf.read(8);
        if (header.size() == 8 && static_cast<uchar>(header[4]) + (static_cast<uchar>(header[5]) << 8) >= 20)
            w->close();
    });
    watch.start(5);
    w->show();
    control<QPushButton>(*w, names::startButton).click();
    std::_Exit(5); // the run ended without the window closing
}

TEST_F(StartConverting, ClosingTheWindowMidRunEndsTheProgramAndKeepsEveryWrittenRow) {
    TdsServer server(TdsServer::standardFixture(20000));
    QTemporaryDir target;
    const ProcessResult run = runInChild(
        CloseMidRun,
        {{"QC_CLOSE_TARGET", target.path().toStdString()}, {"QC_CLOSE_PORT", std::to_string(server.port())}},
        240000);
    ASSERT_TRUE(run.finished);
    ASSERT_FALSE(run.signalled);
    ASSERT_EQ(run.exitCode, 0) << "3: the run finished first, 4: a question was asked, 5: no close";

    const std::string back = dumpedIdsAndTail(target.filePath(QStringLiteral("bigtable.dbf")));
    std::istringstream in(back);
    int read = 0, header = 0;
    std::string sizeOk;
    in >> read >> header >> sizeOk;
    EXPECT_GE(read, 20);
    EXPECT_LT(read, 20000);
    EXPECT_EQ(read, header);
    EXPECT_EQ(sizeOk, "True");
    EXPECT_EQ(back, std::to_string(read) + " " + std::to_string(read) + " True " + ids(1, read) + "\n");
}
