#include "support/tds_server.h"

#include "support/environment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <map>
#include <stdexcept>

namespace qc::test {

namespace {
QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}
} // namespace

std::string TdsServer::standardFixture(int rows) {
    static std::map<int, std::string> built;
    auto found = built.find(rows);
    if (found != built.end())
        return found->second;
    const std::string out = scratch().filePath(QStringLiteral("fixture-%1.sqlite").arg(rows)).toStdString();
    const auto result = runPython(
        {testFilesDir() + "/tools/tds-server/make_fixture.py", "--rows", std::to_string(rows), "--out", out},
        300);
    if (result.exitCode != 0)
        throw std::runtime_error("make_fixture.py failed: " + result.errors);
    built[rows] = out;
    return out;
}

TdsServer::TdsServer(const std::string& fixture, int port, const std::vector<std::string>& extraArgs)
    : process_(std::make_unique<QProcess>()) {
    const QString portFile =
        scratch().filePath(QStringLiteral("port-%1").arg(reinterpret_cast<quintptr>(this)));
    QFile::remove(portFile);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{QString::fromStdString(testFilesDir() + "/tools/tds-server/tds_server.py"),
                     QStringLiteral("--port"),
                     QString::number(port),
                     QStringLiteral("--fixture"),
                     QString::fromStdString(fixture),
                     QStringLiteral("--port-file"),
                     portFile};
    for (const auto& arg : extraArgs)
        args << QString::fromStdString(arg);
    process_->start(QStringLiteral("/usr/bin/python3"), args);
    if (!process_->waitForStarted(10000))
        throw std::runtime_error("the SQL Server stand-in did not start");
    for (int i = 0; i < 600; ++i) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            const int read = file.readAll().trimmed().toInt();
            if (read > 0) {
                port_ = read;
                return;
            }
        }
        if (process_->state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    throw std::runtime_error("the SQL Server stand-in did not start listening");
}

TdsServer::~TdsServer() {
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished();
        }
    }
}

} // namespace qc::test
