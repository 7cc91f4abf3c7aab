#include "shell/error_trap.h"

namespace qc {

QString errorReportText(const QString& description, const QString& window, const QString& procedure,
                        int line) {
    return description + QStringLiteral("\r\n") + QStringLiteral("in Ferroquill2021/08/31.") + window +
           QLatin1Char('.') + procedure + QLatin1Char(' ') + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") +
           QString::fromLatin1(kDeveloperEmail);
}

void showErrorReport(UiPort& ui, const QString& description, const QString& window, const QString& procedure,
                     int line) {
    ui.message(errorReportText(description, window, procedure, line), QStringLiteral("Application Error"),
               Buttons::Ok, Icon::Exclamation);
}

} // namespace qc
