#include "cli/password.h"

#include "cli/terminal_port.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace qc::cli {

namespace {

// The first line of the file, without its line end.
std::optional<QString> fromFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

QString terminalFailure(const char* what) {
    return QStringLiteral("cannot %1 on the terminal: %2")
        .arg(QString::fromUtf8(what), QString::fromLocal8Bit(std::strerror(errno)));
}

std::optional<QString> fromTerminal(QString& error) {
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    const std::unique_ptr<std::FILE, Closer> tty(std::fopen("/dev/tty", "r+"));
    if (!tty || !isatty(fileno(tty.get())) || !isatty(STDIN_FILENO)) {
        error = QStringLiteral("no password: give --password-file FILE or set MARRAVEX_PASSWORD "
                               "(there is no terminal to ask on)");
        return std::nullopt;
    }
    const int fd = fileno(tty.get());
    termios saved{};
    if (tcgetattr(fd, &saved) != 0) {
        error = terminalFailure("read the settings");
        return std::nullopt;
    }
    // A password is never echoed: no prompt without the echo off, and the echo back on before
    // the program ends, even at a second Ctrl-C.
    const InterruptsHeld held;
    if (interrupted())
        return std::nullopt;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (tcsetattr(fd, TCSAFLUSH, &quiet) != 0) {
        error = terminalFailure("turn the echo off");
        return std::nullopt;
    }
    std::fputs("Password: ", tty.get());
    std::fflush(tty.get());
    std::string line;
    for (int c; !interrupted() && (c = std::fgetc(tty.get())) != EOF && c != '\n';)
        line += static_cast<char>(c);
    const bool restored = tcsetattr(fd, TCSAFLUSH, &saved) == 0;
    std::fputs("\n", tty.get());
    if (!restored) {
        error = terminalFailure("turn the echo back on");
        return std::nullopt;
    }
    return QString::fromLocal8Bit(line);
}

} // namespace

std::optional<QString> findPassword(const PasswordSource& source, QString& error) {
    if (!source.file.isEmpty())
        return fromFile(source.file, error);
    if (const char* variable = std::getenv("MARRAVEX_PASSWORD"))
        return QString::fromLocal8Bit(variable);
    if (source.stored)
        return source.stored;
    return fromTerminal(error);
}

} // namespace qc::cli
