#pragma once
// The options of `marravex convert`, `marravex verify` and `marravex execute`, read GNU style ("--to DIR" or
// "--to=DIR"). A password is never taken from an option: it would show in the process list.

#include <QString>
#include <QStringList>

#include <optional>

namespace qc::cli {

enum class Command { Convert, Verify, Execute, Help, Version };
enum class OverwritePolicy { Ask, Yes, No };

struct Options {
    Command command = Command::Help;
    // The source.
    QString server;
    QString port;
    bool local = false;
    QString database;
    QString user;
    QString passwordFile;
    // The target.
    QString folder;
    QString container;
    bool create = false;
    // What is converted and how.
    std::optional<QStringList> tables;
    std::optional<OverwritePolicy> overwrite; // unset: ask on a terminal, else no
    std::optional<int> timeout;               // seconds a source may send nothing
    std::optional<int> codePage;              // of new tables; unset: the language's
    QString script;                           // convert: write statements here instead of running them
    QString report;                           // convert, verify: the result per table, as JSON
    bool verify = false;                      // convert: each table compared with its source once written
    int jobs = 1;                             // convert: tables converted at once
    bool savedSettings = false;
    // execute: the script to run and the statement to start at.
    QString scriptToRun;
    int fromLine = 1;
};

struct ParseResult {
    Options options;
    QString error; // empty when the arguments are sound
};

// Reads the arguments after the program name (the first is the command).
ParseResult parseOptions(const QStringList& arguments);

// The code page `text` names when new tables can be written in it; nullopt otherwise.
std::optional<int> writableCodePage(const QString& text);
// What a code page that is not writableCodePage() is told: `what` names where it came from.
QString codePageRefusal(const QString& what, const QString& text);

// The usage text of --help.
QString usageText();

// The program's version, as --version prints it: the release, and the commit past it.
QString versionText();

} // namespace qc::cli
