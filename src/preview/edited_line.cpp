#include "preview/edited_line.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace qc::preview {

namespace {

// The text box also turns the non-characters U+FDD0 and U+FDD1 (its own block marks) into breaks.
bool isBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
}

// Where each character of `shown` begins in `original` (one entry more for the end), or nothing
// when the box changed the text in a way not known here.
std::optional<std::vector<qsizetype>> alignShown(const QString& original, const QString& shown) {
    std::vector<qsizetype> at;
    at.reserve(static_cast<std::size_t>(shown.size()) + 1);
    qsizetype o = 0;
    for (const QChar c : shown) {
        if (o >= original.size())
            return std::nullopt;
        at.push_back(o);
        const QChar from = original[o];
        if (from == c) {
            ++o;
        } else if (c == QLatin1Char('\n') && from == QLatin1Char('\r') && o + 1 < original.size() &&
                   original[o + 1] == QLatin1Char('\n')) {
            o += 2;
        } else if ((c == QLatin1Char('\n') && isBreak(from)) ||
                   (c == QLatin1Char(' ') && from == QChar::Nbsp)) {
            ++o;
        } else {
            return std::nullopt;
        }
    }
    if (o != original.size())
        return std::nullopt;
    at.push_back(o);
    return at;
}

// The breaks of `text`, each as it is written.
std::vector<QString> breaksOf(QStringView text) {
    std::vector<QString> breaks;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isBreak(text[i]))
            continue;
        if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            breaks.emplace_back(QStringLiteral("\r\n"));
            ++i;
        } else {
            breaks.emplace_back(text[i]);
        }
    }
    return breaks;
}

} // namespace

std::string editedLineText(const std::string& originalBytes, const QString& shownBefore,
                           const QString& shownAfter) {
    if (shownAfter == shownBefore)
        return originalBytes;
    const QString original = QString::fromStdString(originalBytes);
    const QString lineBreak =
        original.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const auto at = alignShown(original, shownBefore);

    // The span the user changed: what lies between the common start and the common end.
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(shownBefore.size(), shownAfter.size());
    while (prefix < shorter && shownBefore[prefix] == shownAfter[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           shownBefore[shownBefore.size() - 1 - suffix] == shownAfter[shownAfter.size() - 1 - suffix])
        ++suffix;
    if (!at) {
        // Not traceable to the line: every break takes the line's kind.
        QString text = shownAfter;
        text.replace(QLatin1Char('\n'), lineBreak);
        return text.toStdString();
    }

    const qsizetype oldStart = (*at)[static_cast<std::size_t>(prefix)];
    const qsizetype oldEnd = (*at)[static_cast<std::size_t>(shownBefore.size() - suffix)];
    const QStringView replaced = QStringView(original).mid(oldStart, oldEnd - oldStart);
    const QStringView typed = QStringView(shownAfter).mid(prefix, shownAfter.size() - prefix - suffix);

    const std::vector<QString> oldBreaks = breaksOf(replaced);
    const auto newBreakCount = static_cast<std::size_t>(typed.count(QLatin1Char('\n')));
    QString middle;
    middle.reserve(typed.size() + static_cast<qsizetype>(newBreakCount));
    std::size_t next = 0;
    for (const QChar c : typed) {
        if (c != QLatin1Char('\n')) {
            middle += c;
            continue;
        }
        middle += oldBreaks.size() == newBreakCount ? oldBreaks[next] : lineBreak;
        ++next;
    }
    return (original.left(oldStart) + middle + original.mid(oldEnd)).toStdString();
}

} // namespace qc::preview
