// The program starts with the main window: its load restores every stored field, then it is shown
// centred and the program runs until it is closed.
#include "app/main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qc::app::MainWindow window;
    window.load();
    window.showCentred();
    return app.exec();
}
