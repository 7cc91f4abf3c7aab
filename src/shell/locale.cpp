#include "shell/locale.h"

#include <QLocale>

namespace qc {

namespace {
// The first character between the fields of a format. Letters are fields, quotes enclose
// literal words, and Unicode format characters (the right-to-left marks of Arabic formats)
// are invisible: none of them separates anything.
QChar separatorOf(const QString& format, QChar fallback) {
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\'') && c.category() != QChar::Other_Format)
            return c;
    return fallback;
}
} // namespace

Locale Locale::from(const QLocale& qt) {
    Locale locale;
    const QString point = qt.decimalPoint();
    locale.decimalSeparator = point.isEmpty() ? QLatin1Char('.') : point.at(0);
    locale.dateSeparator = separatorOf(qt.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
    locale.timeSeparator = separatorOf(qt.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
    return locale;
}

Locale Locale::fromSystem() {
    return from(QLocale::system());
}

} // namespace qc
