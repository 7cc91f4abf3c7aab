#include "cli/verify_tally.h"

#include <algorithm>

namespace qc::cli {

namespace {

using Outcome = verify::TableVerdict::Outcome;
using Kind = verify::RowDifference::Kind;

// A terminal's progress line is redrawn at most this often.
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);

void print(std::FILE* out, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), out);
}

QString differenceText(const verify::RowDifference& d) {
    switch (d.kind) {
    case Kind::Changed:
        return QStringLiteral("source row %1, record %2: field %3 is %4 in the source, %5 in the table")
            .arg(d.sourceRow)
            .arg(d.record)
            .arg(d.field, d.sourceValue, d.targetValue);
    case Kind::Missing:
        return QStringLiteral("source row %1 is not in the table").arg(d.sourceRow);
    case Kind::Deleted:
        return QStringLiteral("source row %1 is in record %2, which is deleted")
            .arg(d.sourceRow)
            .arg(d.record);
    case Kind::NotInSource:
        return QStringLiteral("record %1 is not in the source").arg(d.record);
    }
    return {};
}

} // namespace

QString verdictWord(const verify::TableVerdict& v) {
    switch (v.outcome) {
    case Outcome::Same:
        return v.notConvertible > 0 ? QStringLiteral("not convertible rows") : QStringLiteral("same");
    case Outcome::Differs:
        return QStringLiteral("differs");
    case Outcome::StructureDiffers:
        return QStringLiteral("structure differs");
    case Outcome::Missing:
        return QStringLiteral("missing");
    case Outcome::LinkBroken:
        return QStringLiteral("back-link differs");
    case Outcome::NotConverted:
        return QStringLiteral("not convertible");
    case Outcome::SourceUnreadable:
        return QStringLiteral("source unreadable");
    }
    return {};
}

void VerifyTally::draw(const QString& text) {
    if (!terminal_)
        return;
    print(out_, QStringLiteral("\r\033[K") + text);
    std::fflush(out_);
    lineOpen_ = true;
    drawn_ = std::chrono::steady_clock::now();
}

void VerifyTally::breakLine() {
    if (lineOpen_)
        print(out_, QStringLiteral("\r\033[K"));
    lineOpen_ = false;
}

void VerifyTally::tableStarted(const verify::TableVerdict& table) {
    draw(table.name() + QStringLiteral(": checking"));
}

void VerifyTally::tableProgress(const verify::TableVerdict& table) {
    if (terminal_ && std::chrono::steady_clock::now() - drawn_ >= kRedrawEvery)
        draw(QStringLiteral("%1: %2 rows checked").arg(table.name()).arg(table.sourceRows));
    if (letEventsThrough_)
        letEventsThrough_();
}

void VerifyTally::tableEnded(const verify::TableVerdict& v) {
    breakLine();
    QString line = v.name() + QStringLiteral(": ") + verdictWord(v);
    if (!v.problem.isEmpty())
        line += QStringLiteral(": ") + v.problem;
    if (v.outcome == Outcome::Same || v.outcome == Outcome::Differs || v.outcome == Outcome::LinkBroken)
        line += QStringLiteral(" (%1 source rows, %2 records").arg(v.sourceRows).arg(v.records) +
                (v.deleted > 0 ? QStringLiteral(", %1 deleted").arg(v.deleted) : QString()) +
                QLatin1Char(')');
    print(out_, line + QLatin1Char('\n'));
    if (v.notConvertible > 0) {
        print(out_, QStringLiteral("  %1 rows not convertible:\n").arg(v.notConvertible));
        for (const auto& row : v.firstNotConvertible)
            print(out_,
                  QStringLiteral("    source row %1: %2\n").arg(row.sourceRow).arg(row.reason.simplified()));
    }
    if (v.differences > 0) {
        print(out_, QStringLiteral("  %1 rows differ (paired by %2%3):\n")
                        .arg(v.differences)
                        .arg(v.matchedBy, v.differingFields.isEmpty()
                                              ? QString()
                                              : QStringLiteral("; fields that differ: ") +
                                                    v.differingFields.join(QStringLiteral(", "))));
        for (const auto& difference : v.firstDifferences)
            print(out_, QStringLiteral("    ") + differenceText(difference) + QLatin1Char('\n'));
    }
    std::fflush(out_);
    verdicts_.push_back(v);
}

void VerifyTally::orderLike(const std::vector<data::SourceTable>& tables) {
    const auto place = [&](const verify::TableVerdict& v) {
        return std::find(tables.begin(), tables.end(), v.table) - tables.begin();
    };
    std::stable_sort(verdicts_.begin(), verdicts_.end(),
                     [&](const auto& a, const auto& b) { return place(a) < place(b); });
}

bool VerifyTally::allClean() const {
    return std::all_of(verdicts_.begin(), verdicts_.end(),
                       [](const verify::TableVerdict& v) { return v.clean(); });
}

void VerifyTally::printSummary(std::FILE* out) const {
    qsizetype width = 5;
    for (const auto& v : verdicts_)
        width = std::max(width, v.name().size());
    const auto cell = [](std::int64_t n) { return QString::number(n).rightJustified(10) + QLatin1Char(' '); };
    print(out, QStringLiteral("\n") + QStringLiteral("Table").leftJustified(width) +
                   QStringLiteral("     Source    Records    Deleted  Not conv.     Differ  Result\n"));
    for (const auto& v : verdicts_)
        print(out, v.name().leftJustified(width) + QLatin1Char(' ') + cell(v.sourceRows) + cell(v.records) +
                       cell(v.deleted) + cell(v.notConvertible) + cell(v.differences) + QLatin1Char(' ') +
                       verdictWord(v) + QLatin1Char('\n'));
    std::fflush(out);
}

} // namespace qc::cli
