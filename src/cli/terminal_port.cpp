#include "cli/terminal_port.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

namespace qc::cli {

namespace {

// Signal handlers can only reach state of this kind.
volatile std::sig_atomic_t interruptCount = 0;
volatile std::sig_atomic_t exitHeld = 0;

extern "C" void onSignal(int) {
    interruptCount = interruptCount + 1;
    if (interruptCount > 1 && exitHeld == 0) {
        static const char text[] = "\nInterrupted.\n";
        [[maybe_unused]] auto written = ::write(STDERR_FILENO, text, sizeof text - 1);
        ::_exit(130);
    }
}

// Asks on the controlling terminal; end of input counts as No.
Answer askYesNo(const QString& question) {
    std::fstream tty("/dev/tty", std::ios::in | std::ios::out);
    for (;;) {
        (tty ? static_cast<std::ostream&>(tty) : std::cerr)
            << question.toLocal8Bit().constData() << " [y/n] " << std::flush;
        std::string reply;
        if (!std::getline(tty ? static_cast<std::istream&>(tty) : std::cin, reply))
            return Answer::No;
        if (reply == "y" || reply == "Y" || reply == "yes")
            return Answer::Yes;
        if (reply == "n" || reply == "N" || reply == "no")
            return Answer::No;
    }
}

} // namespace

void catchInterrupts(bool restartCalls) {
    struct sigaction action = {};
    action.sa_handler = onSignal;
    // Calls under way (a read from the server, a write to a table) go on rather than fail: the
    // flag is looked at between two steps.
    action.sa_flags = restartCalls ? SA_RESTART : 0;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

bool interrupted() {
    return interruptCount > 0;
}

InterruptsHeld::InterruptsHeld() {
    exitHeld = 1;
}

InterruptsHeld::~InterruptsHeld() {
    exitHeld = 0;
}

Answer TerminalPort::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    if (title == QLatin1String("Overwrite?") && buttons == Buttons::YesNo) {
        if (overwrite_ == OverwritePolicy::Yes)
            return Answer::Yes;
        if (overwrite_ == OverwritePolicy::No)
            return Answer::No;
        tally_.breakLine();
        const Answer answer = askYesNo(text);
        processEvents(); // a Ctrl-C at the question ends the run here
        return answer;
    }
    const bool report = title == QLatin1String("Application Error");
    // A report, or a warning such as a target that cannot be opened, means not everything landed.
    if (report || icon == Icon::Exclamation)
        ++errorReports_;
    // The closing "Done." gives way to the summary; an SQL error of a script is told by the caller
    // with its statement number.
    if (text == QLatin1String("Done.") || text == QLatin1String("Error found."))
        return Answer::Ok;
    const QString heading = title.isEmpty() ? QString() : title + QStringLiteral(": ");
    // A blank line after each report keeps a run of them apart.
    printError(heading + withNewlines(text) + (report ? QStringLiteral("\n\n") : QString()));
    // No other question is asked of the command line; No keeps things as they are.
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

void TerminalPort::setProgressText(const QString& text) {
    // The run's own words between tables ("Progress Bar" is the bar's resting text).
    if (text != QLatin1String("Progress Bar"))
        tally_.status(text);
    tally_.refresh();
}

void TerminalPort::printError(const QString& text) {
    tally_.breakLine();
    std::fflush(stdout);
    std::fputs(text.toLocal8Bit().constData(), stderr);
    if (!text.endsWith(QLatin1Char('\n')))
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

void TerminalPort::processEvents() {
    if (interrupted()) {
        tally_.breakLine();
        if (onInterrupt_)
            onInterrupt_();
        std::fputs("Interrupted.\n", stderr);
        std::fflush(stdout);
        std::fflush(stderr);
        // Every statement executed so far is in the files; nothing of the run is left to undo.
        ::_exit(130);
    }
    tally_.refresh();
}

} // namespace qc::cli
