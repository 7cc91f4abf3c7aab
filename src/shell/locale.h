#pragma once
// The user's number and date conventions and the code page of their language, taken from the
// system at start and settable in tests.

#include <QChar>

class QLocale;

namespace qc {

struct Locale {
    QChar decimalSeparator = QLatin1Char('.');
    QChar dateSeparator = QLatin1Char('/');
    QChar timeSeparator = QLatin1Char(':');
    // The code page new FoxPro tables are written in.
    int codePage = 1252;

    // The separators of a Qt locale: its decimal point and the first separator of its short
    // date and time formats; and the ANSI code page Windows gives its language.
    static Locale from(const QLocale& locale);
    static Locale fromSystem();
};

// The ANSI code page Windows gives a language (1252 for every language it gives none of
// FoxPro's marks: the Baltic 1257 and the Vietnamese 1258 among them).
int ansiCodePage(const QLocale& locale);

} // namespace qc
