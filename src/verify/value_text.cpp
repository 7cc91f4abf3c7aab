#include "verify/value_text.h"

#include "foxpro/dates.h"

#include <charconv>
#include <cstdio>

namespace qc::verify {

namespace {

// Long values are cut: the report says where they differ, not what they hold in full.
constexpr qsizetype kShownCharacters = 60;

QString shortened(QString text) {
    // One line per difference: line breaks and tabs are shown, not made.
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    if (text.size() > kShownCharacters)
        text = text.left(kShownCharacters) + QStringLiteral("... (%1 characters)").arg(text.size());
    return text;
}

} // namespace

QString valueText(const foxpro::FieldValue& value) {
    using Kind = foxpro::FieldValue::Kind;
    switch (value.kind) {
    case Kind::Null:
        return QStringLiteral("NULL");
    case Kind::Text:
        return QLatin1Char('\'') + shortened(QString::fromUtf8(value.text)) + QLatin1Char('\'');
    case Kind::Bytes:
        return QStringLiteral("0x") +
               shortened(QString::fromLatin1(QByteArray::fromStdString(value.text).toHex().toUpper()));
    case Kind::Integer:
        return QString::number(value.integer);
    case Kind::Double: {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value.number).ptr;
        return QString::fromLatin1(buffer, end - buffer);
    }
    case Kind::Currency: {
        const std::int64_t whole = value.integer / 10000;
        const std::int64_t part = value.integer % 10000;
        return QStringLiteral("%1%2.%3")
            .arg(value.integer < 0 && whole == 0 ? QStringLiteral("-") : QString())
            .arg(whole)
            .arg(part < 0 ? -part : part, 4, 10, QLatin1Char('0'));
    }
    case Kind::Numeric:
    case Kind::Logical:
        return value.text.empty() ? QStringLiteral("(blank)") : QString::fromLatin1(value.text);
    case Kind::Date:
        if (value.text.size() != 8)
            return QStringLiteral("(blank)");
        return QString::fromLatin1(value.text).insert(6, QLatin1Char('-')).insert(4, QLatin1Char('-'));
    case Kind::DateTime: {
        if (value.integer == 0)
            return QStringLiteral("(blank)");
        int year = 0, month = 0, day = 0;
        foxpro::dateFromJulianDay(static_cast<std::int32_t>(value.integer), year, month, day);
        const int seconds = value.milliseconds / 1000;
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day,
                      seconds / 3600, seconds / 60 % 60, seconds % 60);
        return QString::fromLatin1(buffer);
    }
    }
    return QString();
}

} // namespace qc::verify
