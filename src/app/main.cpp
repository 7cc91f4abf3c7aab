// The program starts with the main window: its load restores every stored field, then it is shown
// centred and the program runs until it is closed. A command ("marravex convert ...") runs the
// command line instead, without a display.
#include "app/main_window.h"
#include "cli/command_line.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (qc::cli::wantsCommandLine(argc, argv))
        return qc::cli::runCommandLine(argc, argv);
    QApplication app(argc, argv);
    // The installed desktop entry's name, by which the desktop shows this window under its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.marravex"));
    qc::app::MainWindow window;
    window.load();
    window.showCentred();
    return app.exec();
}
