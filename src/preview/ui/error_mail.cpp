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

} // namespace qc::preview::ui
