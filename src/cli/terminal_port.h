#pragma once
// The user-interface port of the command line, and the user a conversion run works for: the
// overwrite question answered by --overwrite (or asked on the terminal), messages and error
// reports on standard error in the words of the window's, progress through the table tally, and
// Ctrl-C noticed between two steps of the run.

#include "cli/options.h"
#include "cli/table_tally.h"
#include "engine/run_user.h"
#include "shell/ui_port.h"

#include <functional>

namespace qc::cli {

class TerminalPort : public UiPort, public engine::RunUser {
  public:
    TerminalPort(OverwritePolicy overwrite, TableTally& tally) : overwrite_(overwrite), tally_(tally) {}

    // Prints the message; no other question than the overwrite question is asked of the command
    // line, so a Yes/No message is answered No, which keeps things as they are.
    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    void setBusy(bool) override {}
    void setProgressValue(double) override {}
    void setProgressText(const QString& text) override;

    UiPort& port() override { return *this; }
    bool overwrite(const QString& table) override;
    // The command line shows no preview: the statements it collected are the caller's.
    preview::PreviewExit preview(preview::PreviewSession&) override { return preview::PreviewExit::WentBack; }
    // The summary takes the place of "Done.".
    void runEnded() override {}

    // Called once Ctrl-C has been noticed, just before the program ends with status 130.
    void onInterrupt(std::function<void()> last) { onInterrupt_ = std::move(last); }
    // Writes to standard error, after ending a progress line drawn in place.
    void printError(const QString& text);
    // What a Ctrl-C noticed does: the onInterrupt call, "Interrupted." and the end of the
    // program with status 130. The jobs of a run call it once every one of them has stopped.
    [[noreturn]] void endInterrupted();

  protected:
    void processEvents() override;
    // "Application Error: " and the report's text, a blank line after it.
    void showReport(const ErrorReport& report) override;

  private:
    OverwritePolicy overwrite_;
    TableTally& tally_;
    std::function<void()> onInterrupt_;
};

// Catches SIGINT (Ctrl-C): the first is noticed by the port between two steps (so the
// statement being executed completes), a second one ends the program at once. Either way the
// status is 130 and every row written so far stays in its table.
// Without `restartCalls`, a Ctrl-C also ends a wait for input (a prompt) at once.
void catchInterrupts(bool restartCalls = true);
bool interrupted();

// While one lives, a second Ctrl-C does not end the program at once either: the holder notices
// interrupted(), puts back what it changed (the terminal's echo) and lets the program end.
class InterruptsHeld {
  public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

} // namespace qc::cli
