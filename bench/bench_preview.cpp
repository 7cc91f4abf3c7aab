// The SQL Preview window at scale: 1,000,000 INSERT lines of about 100 characters. Measures, in
// one run: showing the window with them against showing it with 10 lines; one Find and Replace
// over all lines against a bare loop doing the same caseless first-occurrence replacement; the
// memory the line list holds against the text's UTF-8 bytes; and executing every line into a
// FoxPro folder through the window against executing the same statements directly through the
// access layer. Prints each figure; the last line is "ratio: X.XX" (through the window / direct,
// as speeds).
#include "data/db_access.h"
#include "preview/preview_session.h"
#include "preview/ui/find_replace_window.h"
#include "preview/ui/preview_window.h"

#include <QApplication>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace qc;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLines = 1000000;

double secondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> makeStatements(int rows) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(rows) + 1);
    lines.emplace_back(
        "CREATE TABLE [orders] (id I NULL, customer V(30) NULL, street V(30) NULL, amount N(12,2) "
        "NULL, placed D NULL, paid L NULL)");
    char buffer[160];
    for (int i = 1; i < rows; ++i) {
        std::snprintf(
            buffer, sizeof buffer,
            "INSERT INTO [orders] VALUES (%d, 'Customer %06d', 'Some Street %d', %d.%02d, {^2024-%02d-%02d}, "
            ".T.);",
            i, i, i % 500, i % 100000, i % 100, i % 12 + 1, i % 28 + 1);
        lines.emplace_back(buffer);
    }
    return lines;
}

// What the preview window works on: its lines, the type mapping and the FoxPro connection.
struct Script {
    preview::SqlLineList sqlLines;
    preview::DatatypeRows datatypeRows;
    std::unique_ptr<data::Connection> target;
    preview::PreviewSession session() { return {sqlLines, datatypeRows, target.get()}; }
};

void fill(Script& form, const std::vector<std::string>& lines) {
    form.sqlLines.clear();
    for (const auto& line : lines)
        form.sqlLines.append(line);
}

void answerQuietly(shell::WindowSeams& seams) {
    seams.message = [](const QString& text, const QString& title, Buttons, Icon) {
        if (title == QStringLiteral("Application Error") || text == QStringLiteral("Error found."))
            std::fprintf(stderr, "unexpected: %s\n", text.toStdString().c_str());
        return Answer::Ok;
    };
}

// Showing the window: creating it, laying it out and painting it once.
double showSeconds(Script& form) {
    // The best of several rounds: the first pays for fonts and caches, and other work on the
    // machine only ever adds time.
    std::vector<double> times;
    for (int round = 0; round < 9; ++round) {
        times.push_back(secondsOf([&] {
            preview::ui::PreviewWindow window(form.session(), nullptr);
            window.show();
            QApplication::processEvents();
            window.repaint();
        }));
    }
    return *std::min_element(times.begin(), times.end());
}

// The same caseless first-occurrence replacement, written plainly over the strings.
void bareReplace(std::vector<std::string>& lines, const std::string& find, const std::string& with) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    for (auto& line : lines) {
        const auto at = std::search(line.begin(), line.end(), find.begin(), find.end(),
                                    [&](char a, char b) { return lower(a) == lower(b); });
        if (at != line.end())
            line.replace(static_cast<std::size_t>(at - line.begin()), find.size(), with);
    }
}

std::string folderOf(const QTemporaryDir& dir) {
    return dir.path().toStdString();
}

// Both runs read the same statements from the same filled list, so they work with the same
// memory, and start once earlier runs' files are on disk, so no write-back lands on them.
double directRun(Script& form, const std::vector<std::string>& statements) {
    QTemporaryDir dir;
    fill(form, statements);
    data::Connection connection;
    connection.openFoxPro(folderOf(dir));
    ::sync();
    return secondsOf([&] {
        const int count = form.sqlLines.count();
        for (int line = 1; line <= count; ++line)
            connection.execute(form.sqlLines.text(line));
    });
}

double windowRun(Script& form, const std::vector<std::string>& statements) {
    QTemporaryDir dir;
    fill(form, statements);
    form.target = std::make_unique<data::Connection>();
    form.target->openFoxPro(folderOf(dir));
    preview::ui::PreviewWindow window(form.session(), nullptr);
    answerQuietly(window.seams());
    window.show();
    QApplication::processEvents();
    ::sync();
    const double seconds = secondsOf([&] { window.onExecuteClicked(); });
    if (window.exit() != preview::PreviewExit::Executed)
        std::fprintf(stderr, "the script run did not complete\n");
    form.target.reset();
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<std::string> statements = makeStatements(kLines);
    std::size_t textBytes = 0;
    for (const auto& line : statements)
        textBytes += line.size();

    // Memory the list holds for its lines.
    Script form;
    const std::size_t before = mallinfo2().uordblks;
    fill(form, statements);
    const std::size_t held = mallinfo2().uordblks - before;
    std::printf("lines: %d, text: %.1f MB (UTF-8)\n", kLines, textBytes / 1e6);
    std::printf("list memory: %.1f MB, %.2f x the text\n", held / 1e6, static_cast<double>(held) / textBytes);

    // Showing the window.
    Script small;
    fill(small, std::vector<std::string>(statements.begin(), statements.begin() + 10));
    const double showSmall = showSeconds(small);
    const double showLarge = showSeconds(form);
    std::printf("show with 10 lines: %.2f ms, with %d lines: %.2f ms, %.2f x\n", showSmall * 1e3, kLines,
                showLarge * 1e3, showLarge / showSmall);

    // Find and Replace over every line, through the windows.
    const QString find = QStringLiteral("{^2024-");
    const QString with = QStringLiteral("{^2025-");
    std::vector<std::string> bare = statements;
    const double bareSeconds = secondsOf([&] { bareReplace(bare, find.toStdString(), with.toStdString()); });
    double replaceSeconds = 0;
    {
        preview::ui::PreviewWindow window(form.session(), nullptr);
        window.show();
        QApplication::processEvents();
        shell::WindowSeams seams;
        answerQuietly(seams);
        preview::ui::FindReplaceWindow dialog(form.sqlLines, seams, &window);
        dialog.findBox.setText(find);
        dialog.replaceBox.setText(with);
        replaceSeconds = secondsOf([&] { dialog.onReplaceClicked(); });
    }
    if (form.sqlLines.text(kLines) != bare.back())
        std::fprintf(stderr, "the window's replacement differs from the bare loop's\n");
    std::printf("find and replace: window %.1f ms, bare loop %.1f ms, %.2f x\n", replaceSeconds * 1e3,
                bareSeconds * 1e3, replaceSeconds / bareSeconds);

    // Executing every line into a new FoxPro folder, directly and through the window, in turns;
    // the best round of each counts, as the disk is shared with other work.
    double directSeconds = 1e9;
    double windowSeconds = 1e9;
    for (int round = 0; round < 3; ++round) {
        directSeconds = std::min(directSeconds, directRun(form, statements));
        windowSeconds = std::min(windowSeconds, windowRun(form, statements));
    }
    std::printf("execute: direct %.2f s (%.0f lines/s), through the window %.2f s (%.0f lines/s)\n",
                directSeconds, kLines / directSeconds, windowSeconds, kLines / windowSeconds);
    std::printf("ratio: %.2f\n", directSeconds / windowSeconds);
    return 0;
}
