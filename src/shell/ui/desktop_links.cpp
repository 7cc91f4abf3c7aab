#include "shell/ui/desktop_links.h"

#include <QMimeDatabase>
#include <QProcess>

namespace qc::shell {

namespace {

constexpr int kAnswerMilliseconds = 5000;

QString mimeTypeOf(const QUrl& url) {
    if (url.isLocalFile())
        return QMimeDatabase().mimeTypeForFile(url.toLocalFile(), QMimeDatabase::MatchExtension).name();
    return QStringLiteral("x-scheme-handler/") + url.scheme().toLower();
}

} // namespace

QString desktopApplicationFor(const QUrl& url) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeTypeOf(url)});
    if (!query.waitForFinished(kAnswerMilliseconds)) {
        // Not installed (it never started) or no answer in time: no application is known.
        if (query.state() != QProcess::NotRunning) {
            query.kill();
            query.waitForFinished();
        }
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

void openAddress(const QUrl& url, const std::function<bool(const QUrl&)>& launch, UiPort& ui,
                 const QString& unanswered) {
    if (!desktopApplicationFor(url).isEmpty() && launch(url))
        return;
    ui.message(unanswered);
}

} // namespace qc::shell
