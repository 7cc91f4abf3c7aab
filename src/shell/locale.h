#pragma once
// The user's number and date conventions, taken from the system at start and settable in tests.

#include <QChar>

class QLocale;

namespace qc {

struct Locale {
    QChar decimalSeparator = QLatin1Char('.');
    QChar dateSeparator = QLatin1Char('/');
    QChar timeSeparator = QLatin1Char(':');

    // The separators of a Qt locale: its decimal point and the first separator of its short
    // date and time formats.
    static Locale from(const QLocale& locale);
    static Locale fromSystem();
};

} // namespace qc
