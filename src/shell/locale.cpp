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

int ansiCodePage(const QLocale& locale) {
    // The Windows table of languages to ANSI code pages, as far as FoxPro has a mark for them.
    switch (locale.language()) {
    case QLocale::Czech:
    case QLocale::Hungarian:
    case QLocale::Polish:
    case QLocale::Romanian:
    case QLocale::Slovak:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Bosnian:
    case QLocale::Albanian:
        return 1250;
    case QLocale::Serbian:
        return locale.script() == QLocale::LatinScript ? 1250 : 1251;
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Kazakh:
    case QLocale::Kyrgyz:
    case QLocale::Tatar:
    case QLocale::Mongolian:
        return 1251;
    case QLocale::Greek:
        return 1253;
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
        return 1254;
    case QLocale::Hebrew:
        return 1255;
    case QLocale::Arabic:
    case QLocale::Persian:
    case QLocale::Urdu:
        return 1256;
    case QLocale::Thai:
        return 874;
    case QLocale::Japanese:
        return 932;
    case QLocale::Korean:
        return 949;
    case QLocale::Chinese:
        switch (locale.territory()) {
        case QLocale::China:
        case QLocale::Singapore:
            return 936;
        case QLocale::Taiwan:
        case QLocale::HongKong:
        case QLocale::Macao:
            return 950;
        default:
            return locale.script() == QLocale::TraditionalHanScript ? 950 : 936;
        }
    default:
        return 1252;
    }
}

Locale Locale::from(const QLocale& qt) {
    Locale locale;
    const QString point = qt.decimalPoint();
    locale.decimalSeparator = point.isEmpty() ? QLatin1Char('.') : point.at(0);
    locale.dateSeparator = separatorOf(qt.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
    locale.timeSeparator = separatorOf(qt.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
    locale.codePage = ansiCodePage(qt);
    return locale;
}

Locale Locale::fromSystem() {
    return from(QLocale::system());
}

} // namespace qc
