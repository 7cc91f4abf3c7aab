// Writes, at build time, the files an installed marravex needs beside its executable that are
// made from the program's own code: the manual page (from --help's text), the bash completion
// (from the option table) and the icons (from the windows' icon painting).
// Usage: make_install_files FOLDER DATE
#include "bash_completion.h"
#include "icon_files.h"
#include "man_page.h"

#include "cli/option_table.h"
#include "cli/options.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

using namespace qc;

namespace {

bool write(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0 &&
           file.flush();
}

// An option the usage text never names would be completed but explained nowhere.
bool everyOptionIsDescribed(const QString& usage) {
    bool all = true;
    for (const cli::OptionSpec& option : cli::optionTable()) {
        const QString name = QString::fromLatin1(option.name);
        if (!usage.contains(
                QRegularExpression(QRegularExpression::escape(name) + QStringLiteral("(?![\\w-])")))) {
            std::fprintf(stderr, "make_install_files: the usage text of --help does not describe %s\n",
                         option.name);
            all = false;
        }
    }
    return all;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make_install_files FOLDER DATE\n");
        return 2;
    }
    const QString folder = args[1];
    const QString usage = cli::usageText();
    if (!everyOptionIsDescribed(usage))
        return 1;
    if (!write(folder + QStringLiteral("/marravex.1"),
               packaging::manPage(usage, cli::versionText(), args[2])) ||
        !write(folder + QStringLiteral("/marravex"), packaging::bashCompletion()) ||
        !packaging::writeIconFiles(folder + QStringLiteral("/icons"))) {
        std::fprintf(stderr, "make_install_files: cannot write into %s\n", qPrintable(folder));
        return 1;
    }
    return 0;
}
