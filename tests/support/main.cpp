// Test main of the logic's test programs: no display and no QGuiApplication, as the logic needs
// neither.
#include "support/test_main.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    return qc::test::runAllTests<QCoreApplication>(argc, argv);
}
