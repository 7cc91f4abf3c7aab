// While a window or a box of the program waits for the user, the program's other windows take no
// input and are not closed under it; the main window still takes the window system's close.
#include "shell/ui/window_feedback.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MainWindow : public QWidget {
  public:
    int closeRequests = 0;

  protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeRequests;
        event->ignore(); // the real one ends the program here
    }
};

// A box a folder can be dropped on, counting the drags that reach it.
class DropBox : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    int drags = 0;

  protected:
    void dragEnterEvent(QDragEnterEvent*) override { ++drags; }
};

} // namespace

TEST(WaitingWindows, OtherWindowsTakeNoInputAndStayOpenWhileTheMainWindowCanBeClosed) {
    MainWindow main;
    main.show();
    QDialog options(&main); // e.g. Advanced Options, under its own question
    DropBox path(&options);
    options.show();
    QDialog box(&main);
    QLineEdit answer(&box);
    QPushButton ok(QStringLiteral("OK"), &box);
    QObject::connect(&ok, &QPushButton::clicked, &box, &QDialog::accept);

    // A folder dropped on a box is input too.
    QMimeData folder;
    folder.setText(QStringLiteral("/dropped/folder"));
    const auto drop = [&] {
        QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&path, &event);
    };
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QTest::keyClicks(&path, QStringLiteral("typed under the box"));
        drop();
        QCloseEvent closeOptions;
        QApplication::sendEvent(&options, &closeOptions);
        EXPECT_EQ(path.drags, 0);
        QTest::keyClicks(&answer, QStringLiteral("yes"));
        QCloseEvent closeMain;
        QApplication::sendEvent(&main, &closeMain);

        EXPECT_TRUE(path.text().isEmpty());
        EXPECT_TRUE(options.isVisible());
        EXPECT_EQ(answer.text(), QStringLiteral("yes"));
        EXPECT_EQ(main.closeRequests, 1);
        checked = true;
        ok.click();
    });
    EXPECT_EQ(qc::shell::runDialog(box), QDialog::Accepted);
    EXPECT_TRUE(checked);

    // Once the box has gone, the other window is the user's again.
    QTest::keyClicks(&path, QStringLiteral("free"));
    EXPECT_EQ(path.text(), QStringLiteral("free"));
    drop();
    EXPECT_EQ(path.drags, 1);
}

// Advanced Options asks its question in a box of the main window's while it waits itself: the box
// came later and takes its answer, however the two are owned.
TEST(WaitingWindows, AQuestionAskedFromAWaitingWindowTakesItsAnswer) {
    MainWindow main;
    main.show();
    QDialog options(&main);
    QLineEdit path(&options);
    QPushButton okOptions(QStringLiteral("OK"), &options);
    QDialog question(&main);
    QLineEdit answer(&question);
    QPushButton yes(QStringLiteral("Yes"), &question);
    QObject::connect(&yes, &QPushButton::clicked, &question, &QDialog::accept);

    int asked = -1;
    bool checked = false;
    QObject::connect(&okOptions, &QPushButton::clicked, [&] {
        QTimer::singleShot(0, [&] {
            QTest::keyClicks(&answer, QStringLiteral("typed into the question"));
            QTest::keyClicks(&path, QStringLiteral("typed under both"));
            EXPECT_EQ(answer.text(), QStringLiteral("typed into the question"));
            EXPECT_TRUE(path.text().isEmpty());
            checked = true;
            QTest::mouseClick(&yes, Qt::LeftButton);
            // A click that did not reach the question must not leave the test waiting for it.
            if (question.isVisible())
                question.done(QDialog::Rejected);
        });
        asked = qc::shell::runDialog(question);
        options.accept();
    });
    QTimer::singleShot(0, [&] { QTest::mouseClick(&okOptions, Qt::LeftButton); });
    EXPECT_EQ(qc::shell::runDialog(options), QDialog::Accepted);
    EXPECT_TRUE(checked);
    EXPECT_EQ(asked, QDialog::Accepted);
}
