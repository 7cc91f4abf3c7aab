#include "shell/message_text.h"

namespace qc {

QString applicationTitle() {
    return QStringLiteral("Quintarel Converter");
}

QString withNewlines(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace qc
