#include "cli/terminal_port.h"
#include "shell/message_text.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

namespace qc::cli {

namespace {

// Signal handlers can only reach state of this kind; atomic, since the jobs of a run look at it
// from threads of their own.
std::atomic<int> interruptCount{0};
std::atomic<int> exitHeld{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onSignal(int) {
    if (interruptCount.fetch_add(1) + 1 > 1 && exitHeld.load() == 0) {
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

bool TerminalPort::overwrite(const QString& table) {
    if (overwrite_ != OverwritePolicy::Ask)
        return overwrite_ == OverwritePolicy::Yes;
    tally_.breakLine();
    const Answer answer = askYesNo(engine::overwriteQuestion(table));
    processEvents(); // a Ctrl-C at the question ends the run here
    return answer == Answer::Yes;
}

Answer TerminalPort::message(const QString& text, const QString& title, Buttons buttons, Icon) {
    const QString heading = title.isEmpty() ? QString() : title + QStringLiteral(": ");
    printError(heading + withNewlines(text));
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

void TerminalPort::showReport(const ErrorReport& report) {
    // A blank line after each report keeps a run of them apart.
    printError(QStringLiteral("Application Error: ") + withNewlines(report.text()) + QStringLiteral("\n\n"));
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
    if (interrupted())
        endInterrupted();
    tally_.refresh();
}

void TerminalPort::endInterrupted() {
    tally_.breakLine();
    if (onInterrupt_)
        onInterrupt_();
    std::fputs("Interrupted.\n", stderr);
    std::fflush(stdout);
    std::fflush(stderr);
    // Every statement executed so far is in the files; nothing of the run is left to undo.
    ::_exit(130);
}

} // namespace qc::cli
