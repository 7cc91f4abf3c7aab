// Test main of the window test programs: a QApplication on the offscreen platform.
#include "support/test_main.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return qc::test::runAllTests<QApplication>(argc, argv);
}
