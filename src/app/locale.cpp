#include "app/locale.h"

#include <QLocale>

namespace qc {

Locale Locale::fromSystem() {
    const QLocale system = QLocale::system();
    Locale locale;
    locale.decimalSeparator = system.decimalPoint().isEmpty() ? QLatin1Char('.') : system.decimalPoint().at(0);
    // The separators are the first non-letter between the fields of the short formats.
    auto separatorOf = [](const QString& format, QChar fallback) {
        for (QChar c : format)
            if (!c.isLetter() && !c.isSpace())
                return c;
        return fallback;
    };
    locale.dateSeparator = separatorOf(system.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
    locale.timeSeparator = separatorOf(system.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
    return locale;
}

} // namespace qc
