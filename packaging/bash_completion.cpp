#include "bash_completion.h"

#include "cli/option_table.h"

#include <QStringList>

#include <algorithm>

namespace qc::packaging {

namespace {

using cli::OptionSpec;

const QString files = QStringLiteral("compopt -o filenames; COMPREPLY=($(compgen -f -- \"$cur\"))");

// What completes an option's value: its fixed words, else files or folders as its value's name
// says, else nothing (a host, a number: nothing to offer).

QString valueCompletion(const OptionSpec& option) {
    if (!option.words.empty()) {
        QStringList words;
        for (const char* word : option.words)
            words << QString::fromLatin1(word);
        return QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\"))").arg(words.join(QLatin1Char(' ')));
    }
    const QString value = QString::fromLatin1(option.value);
    if (value == QLatin1String("FOLDER"))
        return QStringLiteral("compopt -o filenames; COMPREPLY=($(compgen -d -- \"$cur\"))");
    if (value == QLatin1String("FILE"))
        return files;
    return QString();
}

QString optionsOf(cli::Command command) {
    QStringList names;
    for (const OptionSpec& option : cli::optionTable())
        if (std::find(option.commands.begin(), option.commands.end(), command) != option.commands.end())
            names << QString::fromLatin1(option.name);
    names << QStringLiteral("--help");
    return names.join(QLatin1Char(' '));
}

} // namespace

QString bashCompletion() {
    QStringList commands;
    QString perCommand;
    for (const auto& [word, command] : cli::commandWords()) {
        commands << QString::fromLatin1(word);
        const QString options =
            QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\"))").arg(optionsOf(command));
        // execute's one argument without a dash is the script to run.
        perCommand += command == cli::Command::Execute
                          ? QStringLiteral("        %1) if [[ $cur == -* ]]; then %2; else %3; fi ;;\n")
                                .arg(QString::fromLatin1(word), options, files)
                          : QStringLiteral("        %1) %2 ;;\n").arg(QString::fromLatin1(word), options);
    }
    QString values;
    for (const OptionSpec& option : cli::optionTable())
        if (option.value) {
            const QString completion = valueCompletion(option);
            values += QStringLiteral("        %1) %2; return ;;\n")
                          .arg(QString::fromLatin1(option.name),
                               completion.isEmpty() ? QStringLiteral(":") : completion);
        }
    return QStringLiteral("# bash completion for marravex, written from its option table when it was built\n"
                          "_marravex() {\n"
                          "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
                          "    COMPREPLY=()\n"
                          "    # \"--overwrite=y\" comes as three words: --overwrite, = and y.\n"
                          "    if [[ $cur == = ]]; then\n"
                          "        cur=\n"
                          "    elif [[ $prev == = ]]; then\n"
                          "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
                          "    fi\n"
                          "    if ((COMP_CWORD == 1)); then\n"
                          "        COMPREPLY=($(compgen -W '%1 --help --version' -- \"$cur\"))\n"
                          "        return\n"
                          "    fi\n"
                          "    case $prev in\n"
                          "%2"
                          "    esac\n"
                          "    case ${COMP_WORDS[1]} in\n"
                          "%3"
                          "    esac\n"
                          "}\n"
                          "complete -F _marravex marravex\n")
        .arg(commands.join(QLatin1Char(' ')), values, perCommand);
}

} // namespace qc::packaging
