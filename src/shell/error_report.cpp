#include "shell/error_report.h"

namespace qc {

QString ErrorReport::text() const {
    return description + QStringLiteral("\r\n") + QStringLiteral("in Ferroquill2021/08/31.") + window +
           QLatin1Char('.') + procedure + QLatin1Char(' ') + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") +
           QString::fromLatin1(kDeveloperEmail);
}

} // namespace qc
