#include "shell/shipped_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

namespace qc {

namespace {

const QString kInstalledFolder = QStringLiteral("share/marravex");

bool isInstalled(const QString& shippedFolder) {
    return QDir::cleanPath(shippedFolder).endsWith(QLatin1Char('/') + kInstalledFolder);
}

[[noreturn]] void cannotCopy(const QString& to, const QString& why) {
    throw std::runtime_error(
        QStringLiteral("Could not copy the sample tables to %1: %2").arg(to, why).toStdString());
}

// Copies the folder's tree, every copy writable by its owner whatever the original allowed.
void copyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(entry.filePath());
        if (entry.isDir()) {
            if (!QDir().mkpath(target))
                cannotCopy(to, QStringLiteral("cannot create ") + target);
            continue;
        }
        QFile file(entry.filePath());
        if (!file.copy(target))
            cannotCopy(to, file.errorString());
        QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
    }
}

} // namespace

QString shippedFilesFolder(const QString& programDir) {
    const QString installed = QDir::cleanPath(programDir + QStringLiteral("/../") + kInstalledFolder);
    return QFileInfo(installed).isDir() ? installed : programDir;
}

QString writableSamplesFolder(const QString& shippedFolder) {
    const QString shipped = shippedFolder + QStringLiteral("/Samples");
    // A missing sample folder is left for the target test to report, as in a build without one.
    if (!QFileInfo(shipped).isDir() || (!isInstalled(shippedFolder) && QFileInfo(shipped).isWritable()))
        return shipped;
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/marravex");
    const QString copy = userFolder + QStringLiteral("/Samples");
    if (QFileInfo(copy).isDir())
        return copy;
    // Copied aside and renamed into place, so an interrupted copy is never taken for the samples.
    if (!QDir().mkpath(userFolder))
        cannotCopy(copy, QStringLiteral("cannot create ") + userFolder);
    QTemporaryDir partial(userFolder + QStringLiteral("/Samples-XXXXXX"));
    if (!partial.isValid())
        cannotCopy(copy, partial.errorString());
    copyTree(shipped, partial.path());
    // Another window may have put its copy in place first; either copy is the same.
    if (!QDir().rename(partial.path(), copy) && !QFileInfo(copy).isDir())
        cannotCopy(copy, QStringLiteral("cannot rename ") + partial.path());
    return copy;
}

QString programFolder() {
    return shippedFilesFolder(QCoreApplication::applicationDirPath());
}
bool fileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}
} // namespace qc
