#include "preview/ui/error_mail.h"

namespace qc::preview::ui {

QUrl errorMailUrl(const QString& errorText) {
    const QString body =
        QStringLiteral("Here is the error message that I get: ") + QLatin1Char('\n') + errorText;
    const QByteArray address = QByteArrayLiteral("mailto:") + QByteArray(kSupportEmail) +
                               QByteArrayLiteral("?subject=") +
                               QUrl::toPercentEncoding(QStringLiteral("Marravex")) +
                               QByteArrayLiteral("&body=") + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(address, QUrl::StrictMode);
}

QString noMailProgramMessage() {
    return QStringLiteral("No e-mail program is set up on this computer to send the error message.\r\r"
                          "Please send it to ") +
           QString::fromLatin1(kSupportEmail) +
           QStringLiteral(" (\"Copy Error Message To Clipboard\" puts it on the clipboard).");
}

} // namespace qc::preview::ui
