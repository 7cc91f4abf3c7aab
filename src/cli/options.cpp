#include "cli/options.h"

#include "cli/option_table.h"

#include <algorithm>

namespace qc::cli {

namespace {

QString unknown(const QString& option) {
    return QStringLiteral("unknown option '%1' (see marravex --help)").arg(option);
}

// The option's value: after '=' in the same argument, or the next argument.
std::optional<QString> takeValue(const QStringList& args, int& i, const QString& inlineValue,
                                 bool hasInline) {
    if (hasInline)
        return inlineValue;
    if (i + 1 >= args.size())
        return std::nullopt;
    return args[++i];
}

} // namespace

ParseResult parseOptions(const QStringList& args) {
    ParseResult result;
    Options& o = result.options;
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h") ||
        args[0] == QLatin1String("help")) {
        o.command = Command::Help;
        return result;
    }
    if (args[0] == QLatin1String("--version")) {
        o.command = Command::Version;
        return result;
    }
    const auto& commands = commandWords();
    const auto named = std::find_if(commands.begin(), commands.end(),
                                    [&](const CommandWord& c) { return args[0] == QLatin1String(c.word); });
    if (named == commands.end()) {
        result.error = QStringLiteral("unknown command '%1' (see marravex --help)").arg(args[0]);
        return result;
    }
    o.command = named->command;
    const bool convert = o.command == Command::Convert;
    const bool fromSource = convert || o.command == Command::Verify; // takes a login

    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.command = Command::Help;
            return result;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            if (o.command == Command::Execute && o.scriptToRun.isEmpty()) {
                o.scriptToRun = arg;
                continue;
            }
            result.error = QStringLiteral("unexpected argument '%1' (see marravex --help)").arg(arg);
            return result;
        }
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? arg : arg.left(equals);
        if (name == QLatin1String("--password")) {
            result.error =
                QStringLiteral("a password is never given as an option, where the process list shows "
                               "it: use --password-file FILE, MARRAVEX_PASSWORD or the prompt");
            return result;
        }
        const OptionSpec* option = findOption(name, o.command);
        // A flag takes no value: "--create=x" is not an option.
        if (!option || (!option->value && equals >= 0)) {
            result.error = unknown(name);
            return result;
        }
        if (!option->value) {
            option->apply(o, QString());
            continue;
        }
        const auto value = takeValue(args, i, arg.mid(equals + 1), equals >= 0);
        if (!value) {
            result.error = QStringLiteral("%1 needs a value").arg(name);
            return result;
        }
        if (QString error = option->apply(o, *value); !error.isEmpty()) {
            result.error = error;
            return result;
        }
    }

    if (!o.folder.isEmpty() && !o.container.isEmpty())
        result.error = QStringLiteral("give either --to FOLDER or --dbc FILE, not both");
    else if (o.command == Command::Execute && o.scriptToRun.isEmpty())
        result.error = QStringLiteral("execute needs the script file to run");
    else if (!o.savedSettings && o.folder.isEmpty() && o.container.isEmpty())
        result.error = QStringLiteral("no target: give --to FOLDER or --dbc FILE");
    else if (fromSource && !o.savedSettings &&
             (o.server.isEmpty() || o.database.isEmpty() || o.user.isEmpty()))
        result.error = QStringLiteral("the source needs --server, --database and --user");
    else if (fromSource && !o.port.isEmpty() && o.local)
        result.error = QStringLiteral("give either --port or --local, not both");
    else if (o.create && o.container.isEmpty() && !o.savedSettings)
        result.error = QStringLiteral("--create creates a container: it goes with --dbc FILE");
    else if (o.verify && !o.script.isEmpty())
        result.error =
            QStringLiteral("--verify compares the tables a conversion writes: with --script it writes none");
    else if (o.jobs > 1 && !o.script.isEmpty())
        result.error =
            QStringLiteral("--jobs converts tables side by side: a script's statements follow one order, "
                           "give --jobs 1 with --script");
    return result;
}

} // namespace qc::cli
