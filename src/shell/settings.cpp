#include "shell/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <sys/stat.h>

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace qc {

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvenna"),
                     QStringLiteral("Marravex"));
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Makes the missing folders of `path` readable by their owner only (0700, as the desktop's
// base-directory convention asks), whatever the umask; folders that exist are left as they are.
void makeOwnerOnlyFolders(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList missing;
    for (QFileInfo folder(absolute); !folder.exists() && !folder.isSymLink();
         folder = QFileInfo(folder.absolutePath())) {
        missing.prepend(folder.absoluteFilePath());
        if (folder.isRoot())
            break;
    }
    for (const QString& folder : missing) {
        const QByteArray name = QFile::encodeName(folder);
        if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("Could not create the settings folder " + folder.toStdString() + ": " +
                                     std::strerror(errno));
        // mkdir's mode passes through the umask, which may take the owner's own rights away.
        ::chmod(name.constData(), 0700);
    }
}

// QSettings would create the file with the umask's permissions (usually 0644), and the file holds
// the password: create it owner-only before the first value goes in, and tighten an older file.
void makeOwnerOnly(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        makeOwnerOnlyFolders(info.absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly) && !info.exists())
            throw std::runtime_error("Could not create the settings file " + path.toStdString() + ": " +
                                     file.errorString().toStdString());
        file.setPermissions(kOwnerOnly); // the umask may have taken from it too
        return;
    }
    constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                 QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (info.isFile() && (info.permissions() & kOthers))
        QFile::setPermissions(path, kOwnerOnly);
}

double parseNumber(const QString& text, bool* ok) {
    const double value = QLocale::c().toDouble(text.trimmed(), ok);
    if (*ok && !std::isfinite(value))
        *ok = false;
    return value;
}

} // namespace

QString settingsFilePath() {
    return store().fileName();
}

QString readSetting(const QString& key, const QString& defaultValue) {
    const QSettings settings = store();
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

void writeSetting(const QString& key, const QString& value) {
    QSettings settings = store();
    makeOwnerOnly(settings.fileName());
    settings.setValue(key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw std::runtime_error("Could not write the setting \"" + key.toStdString() + "\" to " +
                                 settings.fileName().toStdString() + ".");
}

qint16 settingToInteger(const QString& text) {
    bool ok = false;
    const double value = parseNumber(text, &ok);
    if (!ok)
        throw std::runtime_error("Type mismatch");
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < -32768.0 || rounded > 32767.0)
        throw std::runtime_error("Overflow");
    return static_cast<qint16>(rounded);
}

bool settingToBool(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double value = parseNumber(trimmed, &ok);
    if (!ok)
        throw std::runtime_error("Type mismatch");
    return value != 0.0;
}

QString boolSettingText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace qc
