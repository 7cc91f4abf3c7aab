#include "preview/script_execution.h"

#include "shell/error_trap.h"

#include <array>
#include <stdexcept>
#include <string_view>

namespace qc::preview {

namespace {

bool isBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

// A fingerprint of lines 1 to last: FNV-1a over each line's length and bytes.
std::uint64_t fingerprint(const SqlLineList& lines, int last) {
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 1099511628211ull;
    };
    for (int line = 1; line <= last; ++line) {
        const std::string& text = lines.text(line);
        for (std::size_t size = text.size(), i = 0; i < sizeof size; ++i)
            mix(static_cast<unsigned char>(size >> (8 * i)));
        for (const char c : text)
            mix(static_cast<unsigned char>(c));
    }
    return hash;
}

} // namespace

bool isSqlError(const QString& description) {
    static constexpr std::array<QLatin1StringView, 3> kPhrases = {QLatin1StringView("SQLException"),
                                                                  QLatin1StringView("SQL error"),
                                                                  QLatin1StringView("unsuccessful metadata")};
    for (const auto phrase : kPhrases)
        if (description.contains(phrase, Qt::CaseInsensitive))
            return true;
    return false;
}

ScriptOutcome executeScript(const ScriptRun& run, UiPort& ui) {
    ErrorTrap trap(ui, QStringLiteral("Form2"), QStringLiteral("PushButton1_Click"));
    int n = 0;
    bool stopped = false;

    // Every failure is judged first: an SQL error stops the run at line n, anything else gets
    // the uniform report and the run goes on with the next step.
    const auto attempt = [&](int line, auto&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            const QString description = QString::fromUtf8(e.what());
            if (!isSqlError(description)) {
                trap.report(line, description);
                return;
            }
            stopped = true;
            trap.step(140, [&] {
                run.errorLineIndex = n;
                if (run.resume != nullptr)
                    *run.resume = {n, fingerprint(run.lines, n - 1)};
            });
            trap.step(142, [&] { run.lines.select(n); });
            trap.step(144, [&] { run.showErrorText(description); });
            trap.step(146, [&] { ui.setBusy(false); });
            trap.step(148, [&] { ui.setProgressValue(0); });
            trap.step(150, [&] { ui.setProgressText(QStringLiteral("Progress Bar")); });
            if (run.sayErrorFound)
                trap.step(152, [&] { ui.message(QStringLiteral("Error found.")); });
        } catch (...) {
            trap.report(line, QStringLiteral("Unknown error."));
        }
    };

    bool empty = false;
    attempt(102, [&] { empty = run.lines.count() == 0; });
    if (stopped)
        return ScriptOutcome::StoppedAtError;
    if (empty) {
        attempt(104, [&] { ui.message(QStringLiteral("No SQL to run.")); });
        return ScriptOutcome::NothingToRun;
    }

    // After a stop the run goes on at the line that stopped it. A list shorter than that is not
    // the list that stopped: it runs from its start.
    int start = 1;
    bool goOn = true;
    attempt(106, [&] {
        if (run.resume == nullptr || run.resume->line < 1 || run.resume->line > run.lines.count())
            return;
        start = run.resume->line;
        if (fingerprint(run.lines, start - 1) == run.resume->earlierLines)
            return;
        goOn = ui.message(QStringLiteral("Lines 1 to ") + QString::number(start - 1) +
                              QStringLiteral(" were already executed; changes to them will not be sent.") +
                              QStringLiteral("\r\rGo on from line ") + QString::number(start) +
                              QStringLiteral("?"),
                          {}, Buttons::YesNo) == Answer::Yes;
    });
    if (stopped)
        return ScriptOutcome::StoppedAtError;
    if (!goOn)
        return ScriptOutcome::Cancelled;
    attempt(108, [&] { ui.setBusy(true); });
    int count = 0;
    attempt(110, [&] { count = run.lines.count(); });
    for (n = start; n <= count && !stopped; ++n) {
        bool refresh = false;
        attempt(112, [&] { refresh = ui.letEventsThrough() || n == count; });
        if (refresh) {
            attempt(114, [&] { ui.setProgressValue(static_cast<double>(n) / run.lines.count() * 100.0); });
            attempt(116, [&] {
                ui.setProgressText(QStringLiteral("Please wait.. Processing row: ") + QString::number(n) +
                                   QStringLiteral(" of ") + QString::number(run.lines.count()));
            });
        }
        if (run.reached)
            run.reached(n);
        attempt(118, [&] {
            const std::string& text = run.lines.text(n);
            if (isBlank(text))
                return;
            if (run.connection == nullptr)
                throw std::runtime_error("The FoxPro connection is not open.");
            run.connection->execute(text);
        });
    }
    if (stopped)
        return ScriptOutcome::StoppedAtError;

    // [124] The owner learns that every line went through from the outcome.
    attempt(126, [&] { ui.setBusy(false); });
    attempt(128, [&] { ui.setProgressValue(0); });
    attempt(130, [&] { ui.setProgressText(QStringLiteral("Progress Bar")); });
    return ScriptOutcome::Completed;
}

} // namespace qc::preview
