#include "support/fake_desktop.h"

#include <QDir>
#include <QFile>

namespace qc::test {

namespace {

// The variables xdg-mime reads to find the handlers, or to pick a desktop environment's tool.
const char* const kVariables[] = {"XDG_CONFIG_HOME",  "XDG_CONFIG_DIRS",          "XDG_DATA_HOME",
                                  "XDG_DATA_DIRS",    "XDG_CURRENT_DESKTOP",      "DESKTOP_SESSION",
                                  "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS"};

void append(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::Append))
        throw std::runtime_error("cannot write " + path.toStdString());
    file.write(text);
}

} // namespace

FakeDesktop::FakeDesktop() {
    for (const char* name : kVariables) {
        had_[name] = qEnvironmentVariableIsSet(name);
        saved_[name] = qgetenv(name);
        qunsetenv(name);
    }
    QDir root(dir_.path());
    for (const char* sub : {"config", "config-dirs", "data/applications", "data-dirs"})
        root.mkpath(QString::fromLatin1(sub));
    // The system's MIME types stay known (Qt reads them from the data folders too); its
    // applications do not.
    QFile::link(QStringLiteral("/usr/share/mime"), root.filePath(QStringLiteral("data-dirs/mime")));
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", root.filePath(QStringLiteral("config-dirs")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", root.filePath(QStringLiteral("data-dirs")).toLocal8Bit());
}

FakeDesktop::~FakeDesktop() {
    for (const auto& [name, had] : had_) {
        if (had)
            qputenv(name.constData(), saved_[name]);
        else
            qunsetenv(name.constData());
    }
}

void FakeDesktop::registerDefault(const QString& mimeType, const QString& application) {
    const QDir root(dir_.path());
    append(root.filePath(QStringLiteral("data/applications/")) + application,
           "[Desktop Entry]\nType=Application\nName=Test handler\nExec=/bin/true %u\nMimeType=" +
               mimeType.toUtf8() + ";\n");
    const QString list = root.filePath(QStringLiteral("config/mimeapps.list"));
    if (!QFile::exists(list))
        append(list, "[Default Applications]\n");
    append(list, mimeType.toUtf8() + "=" + application.toUtf8() + "\n");
}

} // namespace qc::test
