#include "cli/password.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
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

std::optional<QString> fromTerminal(QString& error) {
    std::FILE* tty = std::fopen("/dev/tty", "r+");
    if (tty == nullptr || !isatty(fileno(tty)) || !isatty(STDIN_FILENO)) {
        if (tty != nullptr)
            std::fclose(tty);
        error = QStringLiteral("no password: give --password-file FILE or set MARRAVEX_PASSWORD "
                               "(there is no terminal to ask on)");
        return std::nullopt;
    }
    std::fputs("Password: ", tty);
    std::fflush(tty);
    termios saved{};
    tcgetattr(fileno(tty), &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fileno(tty), TCSAFLUSH, &quiet);
    std::string line;
    for (int c; (c = std::fgetc(tty)) != EOF && c != '\n';)
        line += static_cast<char>(c);
    tcsetattr(fileno(tty), TCSAFLUSH, &saved);
    std::fputs("\n", tty);
    std::fclose(tty);
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
