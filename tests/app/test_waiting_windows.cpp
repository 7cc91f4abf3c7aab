// While a window or a box of the program waits for the user, the program's other windows take no
// input and are not closed under it; the main window still takes the window system's close.
#include "shell/ui/window_feedback.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
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

} // namespace

TEST(WaitingWindows, OtherWindowsTakeNoInputAndStayOpenWhileTheMainWindowCanBeClosed) {
    MainWindow main;
    main.show();
    QDialog options(&main); // e.g. Advanced Options, under its own question
    QLineEdit path(&options);
    options.show();
    QDialog box(&main);
    QLineEdit answer(&box);
    QPushButton ok(QStringLiteral("OK"), &box);
    QObject::connect(&ok, &QPushButton::clicked, &box, &QDialog::accept);

    bool checked = false;
    QTimer::singleShot(0, [&] {
        QTest::keyClicks(&path, QStringLiteral("typed under the box"));
        QCloseEvent closeOptions;
        QApplication::sendEvent(&options, &closeOptions);
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
    EXPECT_EQ(qc::look::runDialog(box), QDialog::Accepted);
    EXPECT_TRUE(checked);

    // Once the box has gone, the other window is the user's again.
    QTest::keyClicks(&path, QStringLiteral("free"));
    EXPECT_EQ(path.text(), QStringLiteral("free"));
}
