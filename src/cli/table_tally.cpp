#include "cli/table_tally.h"

#include <algorithm>

namespace qc::cli {

namespace {

// A few redraws a second: enough to watch, too few to cost the run anything.
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
// Off a terminal, a line of a script's progress at most this often.
constexpr auto kPrintInterval = std::chrono::seconds(10);

void print(std::FILE* out, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), out);
}

} // namespace

void TableTally::showJobs(int tables) {
    jobs_ = true;
    tableCount_ = tables;
    runStarted_ = std::chrono::steady_clock::now();
}

void TableTally::tableStarted(const engine::TableResult& table) {
    if (jobs_) {
        running_.push_back({&table, std::chrono::steady_clock::now()});
        drawn_ = {};
        refresh();
        return;
    }
    current_ = &table;
    started_ = std::chrono::steady_clock::now();
    drawn_ = {};
    refresh();
}

void TableTally::tableKept(const engine::TableResult& table) {
    if (jobs_)
        eraseJobs();
    breakLine();
    print(out_, table.name() + QStringLiteral(": kept, the target has it (not overwritten)\n"));
    ++tablesEnded_;
    std::fflush(out_);
}

void TableTally::rowDone(const engine::TableResult&) {
    refresh();
}

void TableTally::tableEnded(const engine::TableResult& table) {
    if (jobs_) {
        const auto found = std::find_if(running_.begin(), running_.end(),
                                        [&](const Running& r) { return r.table == &table; });
        if (found == running_.end())
            return;
        // The table's last figures stay on a line of their own above the lines still redrawn.
        eraseJobs();
        print(out_, progressText(table, found->started) + QLatin1Char('\n'));
        ++tablesEnded_;
        rowsEnded_ += table.read;
        running_.erase(found);
        drawn_ = {};
        refresh();
        std::fflush(out_);
        return;
    }
    if (current_ == nullptr)
        return;
    draw(progressText());
    std::fputc('\n', out_);
    std::fflush(out_);
    lineOpen_ = false;
    current_ = nullptr;
}

void TableTally::takeResult(const engine::RunResult& result) {
    tables_.clear();
    for (const engine::TableResult& table : result.tables)
        tables_.push_back({table, std::nullopt, false});
}

void TableTally::countUnread(
    const std::function<std::optional<std::int64_t>(const data::SourceTable&)>& count) {
    for (TableFigures& t : tables_)
        if (t.result.sourceRows < 0)
            t.result.sourceRows = count(t.result.table).value_or(-1);
}

void TableTally::inspectKept(const UnfinishedMarks& marks) {
    for (TableFigures& t : tables_)
        if (t.result.fate == engine::TableResult::Fate::Kept) {
            t.held = marks.records(t.result.table);
            t.unfinished = marks.unfinished(t.result.table);
        }
}

bool TableTally::anyUnfinished() const {
    return std::any_of(tables_.begin(), tables_.end(), [](const TableFigures& t) { return t.unfinished; });
}

QString TableTally::keptNote(const TableFigures& figures) {
    const std::int64_t expected = figures.result.sourceRows;
    const QString holds = QStringLiteral("holds %1 of %2 source rows")
                              .arg(figures.held ? QString::number(*figures.held) : QStringLiteral("?"),
                                   expected < 0 ? QStringLiteral("?") : QString::number(expected));
    if (figures.unfinished)
        return QStringLiteral("kept, unfinished: ") + holds;
    // A source that grew since the table was written is no fault of the table's.
    if (figures.held && expected >= 0 && *figures.held != expected)
        return QStringLiteral("kept: not overwritten; ") + holds;
    return QStringLiteral("kept: not overwritten");
}

void TableTally::refresh() {
    if (jobs_) {
        if (due()) {
            const QString text = jobsText();
            eraseJobs();
            redraw(text);
            linesDrawn_ = static_cast<int>(text.count(QLatin1Char('\n')));
        }
        return;
    }
    if (current_ != nullptr && due())
        redraw(progressText());
}

void TableTally::status(const QString& text) {
    if (current_ == nullptr && !statements_ && !text.isEmpty() && due())
        redraw(text);
}

void TableTally::statementReached(int statement, int count) {
    statements_ = true;
    const QString text = QStringLiteral("statement %1 of %2").arg(statement).arg(count);
    if (terminal_) {
        if (due())
            redraw(text);
    } else if (std::chrono::steady_clock::now() - drawn_ >= kPrintInterval) {
        drawn_ = std::chrono::steady_clock::now();
        print(out_, text + QLatin1Char('\n'));
        std::fflush(out_);
    }
}

bool TableTally::due() const {
    return terminal_ && std::chrono::steady_clock::now() - drawn_ >= kRedrawInterval;
}

void TableTally::redraw(const QString& text) {
    draw(text);
    std::fflush(out_);
}

void TableTally::breakLine() {
    // The lines of several jobs are drawn again below what comes now.
    if (jobs_) {
        eraseJobs();
        return;
    }
    if (!lineOpen_)
        return;
    std::fputc('\n', out_);
    std::fflush(out_);
    lineOpen_ = false;
}

void TableTally::draw(const QString& text) {
    drawn_ = std::chrono::steady_clock::now();
    ++redraws_;
    // "\r" and "erase to the end of the line" redraw in place; off a terminal the line is
    // drawn once, when the table ends.
    if (terminal_)
        std::fputs("\r", out_);
    print(out_, text);
    if (terminal_)
        std::fputs("\x1b[K", out_);
    lineOpen_ = true;
}

void TableTally::eraseJobs() {
    if (!terminal_ || !lineOpen_)
        return;
    // Back to the first line drawn in place, and everything from there on erased.
    std::fputs("\r", out_);
    if (linesDrawn_ > 0)
        std::fprintf(out_, "\x1b[%dA", linesDrawn_);
    std::fputs("\x1b[J", out_);
    linesDrawn_ = 0;
    lineOpen_ = false;
}

QString TableTally::jobsText() const {
    QString text;
    std::int64_t rows = rowsEnded_;
    for (const Running& r : running_) {
        text += progressText(*r.table, r.started) + QLatin1Char('\n');
        rows += r.table->read;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - runStarted_).count();
    const auto rate = seconds > 0 ? static_cast<std::int64_t>(static_cast<double>(rows) / seconds) : 0;
    return text + QStringLiteral("total: %1 of %2 tables done, %3 rows, %4 rows/s")
                      .arg(tablesEnded_)
                      .arg(tableCount_)
                      .arg(rows)
                      .arg(rate);
}

QString TableTally::progressText() const {
    return progressText(*current_, started_);
}

QString TableTally::progressText(const engine::TableResult& t,
                                 std::chrono::steady_clock::time_point started) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const auto rate = seconds > 0 ? static_cast<std::int64_t>(static_cast<double>(t.read) / seconds) : 0;
    const std::int64_t total = t.sourceRows < 0 ? -1 : std::max(t.sourceRows, t.read);
    QString text = t.name() + QStringLiteral(": ") + QString::number(t.read) + QStringLiteral(" of ") +
                   (total < 0 ? QStringLiteral("?") : QString::number(total)) + QStringLiteral(" rows, ") +
                   QString::number(rate) + QStringLiteral(" rows/s");
    if (t.refused > 0)
        text += QStringLiteral(", ") + QString::number(t.refused) + QStringLiteral(" refused");
    if (t.tableRefused)
        text += QStringLiteral(", table refused");
    return text;
}

void TableTally::printSummary(std::FILE* out) const {
    qsizetype width = 5;
    for (const TableFigures& t : tables_)
        width = std::max(width, t.result.name().size());
    const auto cell = [](const QString& text) { return text.rightJustified(10) + QLatin1Char(' '); };
    const auto number = [&](std::int64_t n) {
        return cell(n < 0 ? QStringLiteral("?") : QString::number(n));
    };
    print(out, QStringLiteral("\n") + QStringLiteral("Table").leftJustified(width) +
                   QStringLiteral("     Source       Read    Written    Refused  First refusal\n"));
    for (const TableFigures& figures : tables_) {
        const engine::TableResult& t = figures.result;
        QString line = t.name().leftJustified(width) + QLatin1Char(' ') + number(t.sourceRows);
        if (t.fate != engine::TableResult::Fate::Converted) {
            line += cell(QStringLiteral("-")) + cell(QStringLiteral("-")) + cell(QStringLiteral("-")) +
                    QLatin1Char(' ') +
                    (t.fate == engine::TableResult::Fate::Kept ? keptNote(figures)
                                                               : QStringLiteral("not attempted"));
        } else {
            line += number(t.read) + number(t.written) + number(t.refused) + QLatin1Char(' ');
            QString reason = t.firstRefusal.simplified();
            if (t.tableRefused) {
                reason = QStringLiteral("table refused: ") + reason;
                if (t.sourceRows > t.read)
                    reason += QStringLiteral(" (%1 rows not attempted)").arg(t.sourceRows - t.read);
            }
            line += reason;
        }
        print(out, line.trimmed() + QLatin1Char('\n'));
    }
    std::fflush(out);
}

} // namespace qc::cli
