#include "main_window_test.h"

#include "shell/ui/look.h"
#include "shell/ui/pointers.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

using namespace qc;
using namespace qc::test;

namespace {

class Look : public MainWindowTest {};

void enter(QWidget& w) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&w, &event);
}

} // namespace

TEST_F(Look, OurHandCursorFileIsBesideTheProgramAndKeepsItsHotSpot) {
    const QString file = programFolder() + QStringLiteral("/HAND-M.CUR");
    ASSERT_TRUE(fileExists(file));
    const QCursor hand = shell::handCursorFrom(file);
    EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
    EXPECT_EQ(hand.hotSpot(), QPoint(7, 0));
    EXPECT_EQ(hand.pixmap().size(), QSize(32, 32));

    QTemporaryDir dir;
    EXPECT_EQ(shell::handCursorFrom(dir.filePath(QStringLiteral("missing.cur"))).shape(), Qt::ArrowCursor);
    QFile junk(dir.filePath(QStringLiteral("junk.cur")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a cursor at all, just text");
    junk.close();
    EXPECT_EQ(shell::handCursorFrom(junk.fileName()).shape(), Qt::ArrowCursor);
    EXPECT_FALSE(fileExists(dir.filePath(QStringLiteral("missing.cur"))));
}

TEST_F(Look, TheHandShowsOverButtonsButNeverReplacesTheHourglass) {
    auto w = loadedWindow();
    auto& start = control<QPushButton>(*w, names::startButton);
    auto& frame = control<QGroupBox>(*w, names::targetFrame);
    auto& label = control<QLabel>(*w, names::folderLabel);
    enter(start);
    EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
    enter(label); // labels leave the pointer as it is
    EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
    enter(frame);
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);

    w->port().setBusy(true);
    enter(start);
    EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor);
    enter(frame);
    EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor);
    // Text boxes show the hourglass too while busy, and their own pointer after.
    EXPECT_EQ(control<QLineEdit>(*w, names::serverBox).cursor().shape(), Qt::WaitCursor);
    w->port().setBusy(false);
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(control<QLineEdit>(*w, names::serverBox).cursor().shape(), Qt::IBeamCursor);
}

TEST_F(Look, WithoutASkinTheMainWindowIsWhiteAndTheSecondaryWindowsUseButtonFace) {
    ASSERT_FALSE(QFile::exists(programFolder() + QStringLiteral("/x/o.cjs")));
    auto w = loadedWindow();
    const auto background = [](QWidget& widget) { return widget.palette().color(QPalette::Window); };
    EXPECT_EQ(background(*w), QColor(Qt::white));
    EXPECT_EQ(background(control<QGroupBox>(*w, names::sourceFrame)), QColor(Qt::white));
    EXPECT_EQ(background(control<QLabel>(*w, names::serverLabel)), QColor(Qt::white));

    QWidget secondary;
    QLabel inside(&secondary);
    shell::applyFormColors(secondary);
    EXPECT_EQ(background(secondary), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(background(inside), QApplication::palette().color(QPalette::Button));
}

TEST_F(Look, ASkinBesideTheProgramGivesTheMainWindowButtonFaceAndItsStyle) {
    QTemporaryDir folder;
    QDir().mkpath(folder.filePath(QStringLiteral("x")));
    QFile skin(folder.filePath(QStringLiteral("x/o.cjs")));
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    skin.write("QPushButton { font-style: italic; }");
    skin.close();
    auto skinned = makeWindow();
    skinned->programFolder = folder.path();
    skinned->load();
    EXPECT_TRUE(ui.errorReports().empty());
    EXPECT_EQ(skinned->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(control<QLabel>(*skinned, names::serverLabel).palette().color(QPalette::Window),
              QApplication::palette().color(QPalette::Button));
    EXPECT_TRUE(skinned->styleSheet().contains(QStringLiteral("italic")));
    // No hand cursor in that folder: the buttons show the default pointer.
    enter(control<QPushButton>(*skinned, names::startButton));
    EXPECT_EQ(skinned->cursor().shape(), Qt::ArrowCursor);

    // A folder named like the skin is no skin.
    QFile::remove(skin.fileName());
    QDir().mkpath(skin.fileName());
    auto plain = makeWindow();
    plain->programFolder = folder.path();
    plain->load();
    EXPECT_EQ(plain->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(ui.errorReports().empty());
}

TEST_F(Look, TheProgressBarShowsItsTextAsGiven) {
    auto w = loadedWindow();
    auto& bar = control<QProgressBar>(*w, names::progressBar);
    w->port().setProgressText(QStringLiteral("Please wait.. Processing table 100%p_%v"));
    w->port().setProgressValue(37.6);
    EXPECT_EQ(bar.text(), QStringLiteral("Please wait.. Processing table 100%p_%v"));
    EXPECT_EQ(bar.value(), 38);
    w->port().setProgressValue(250);
    EXPECT_EQ(bar.value(), 100);
}
