#pragma once
// The user's number and date conventions, taken from the system at start and settable in tests.

#include <QChar>

namespace qc {

struct Locale {
    QChar decimalSeparator = QLatin1Char('.');
    QChar dateSeparator = QLatin1Char('/');
    QChar timeSeparator = QLatin1Char(':');

    static Locale fromSystem();
};

} // namespace qc
