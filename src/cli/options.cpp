#include "cli/options.h"

#include <functional>
#include <map>

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
    if (args[0] == QLatin1String("convert"))
        o.command = Command::Convert;
    else if (args[0] == QLatin1String("execute"))
        o.command = Command::Execute;
    else {
        result.error = QStringLiteral("unknown command '%1' (see marravex --help)").arg(args[0]);
        return result;
    }
    const bool convert = o.command == Command::Convert;

    using Setter = std::function<QString(const QString&)>; // returns an error, or empty
    const auto text = [](QString& field) {
        return Setter([&field](const QString& v) {
            field = v;
            return QString();
        });
    };
    std::map<QString, Setter> valued = {{QStringLiteral("--to"), text(o.folder)},
                                        {QStringLiteral("--dbc"), text(o.container)}};
    std::map<QString, bool*> flags = {{QStringLiteral("--create"), &o.create}};
    if (convert) {
        valued.insert(
            {{QStringLiteral("--server"), text(o.server)},
             {QStringLiteral("--port"), Setter([&o](const QString& v) {
                  bool ok = false;
                  const int port = v.toInt(&ok);
                  if (!ok || port < 1 || port > 65535 || v != QString::number(port))
                      return QStringLiteral("--port takes a TCP port number from 1 to 65535, not '%1'")
                          .arg(v);
                  o.port = v;
                  return QString();
              })},
             {QStringLiteral("--database"), text(o.database)},
             {QStringLiteral("--user"), text(o.user)},
             {QStringLiteral("--password-file"), text(o.passwordFile)},
             {QStringLiteral("--script"), text(o.script)},
             {QStringLiteral("--timeout"), Setter([&o](const QString& v) {
                  bool ok = false;
                  o.timeout = v.toInt(&ok);
                  if (!ok || *o.timeout < 1)
                      return QStringLiteral("--timeout takes a number of seconds from 1, not '%1'").arg(v);
                  return QString();
              })},
             {QStringLiteral("--tables"), Setter([&o](const QString& v) {
                  QStringList names;
                  for (const QString& name : v.split(QLatin1Char(',')))
                      if (!name.trimmed().isEmpty())
                          names << name.trimmed();
                  if (names.isEmpty())
                      return QStringLiteral("--tables needs at least one table name");
                  o.tables = names;
                  return QString();
              })},
             {QStringLiteral("--overwrite"), Setter([&o](const QString& v) {
                  if (v == QLatin1String("ask"))
                      o.overwrite = OverwritePolicy::Ask;
                  else if (v == QLatin1String("yes"))
                      o.overwrite = OverwritePolicy::Yes;
                  else if (v == QLatin1String("no"))
                      o.overwrite = OverwritePolicy::No;
                  else
                      return QStringLiteral("--overwrite takes ask, yes or no, not '%1'").arg(v);
                  return QString();
              })}});
        flags.insert(
            {{QStringLiteral("--local"), &o.local}, {QStringLiteral("--saved-settings"), &o.savedSettings}});
    } else {
        valued.insert(
            {QStringLiteral("--from-line"), Setter([&o](const QString& v) {
                 bool ok = false;
                 o.fromLine = v.toInt(&ok);
                 if (!ok || o.fromLine < 1)
                     return QStringLiteral("--from-line takes a statement number from 1, not '%1'").arg(v);
                 return QString();
             })});
    }

    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.command = Command::Help;
            return result;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            if (!convert && o.scriptToRun.isEmpty()) {
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
        if (const auto flag = flags.find(name); flag != flags.end() && equals < 0) {
            *flag->second = true;
            continue;
        }
        const auto setter = valued.find(name);
        if (setter == valued.end()) {
            result.error = unknown(name);
            return result;
        }
        const auto value = takeValue(args, i, arg.mid(equals + 1), equals >= 0);
        if (!value) {
            result.error = QStringLiteral("%1 needs a value").arg(name);
            return result;
        }
        if (QString error = setter->second(*value); !error.isEmpty()) {
            result.error = error;
            return result;
        }
    }

    if (!o.folder.isEmpty() && !o.container.isEmpty())
        result.error = QStringLiteral("give either --to FOLDER or --dbc FILE, not both");
    else if (!convert && o.scriptToRun.isEmpty())
        result.error = QStringLiteral("execute needs the script file to run");
    else if (!o.savedSettings && o.folder.isEmpty() && o.container.isEmpty())
        result.error = QStringLiteral("no target: give --to FOLDER or --dbc FILE");
    else if (convert && !o.savedSettings && (o.server.isEmpty() || o.database.isEmpty() || o.user.isEmpty()))
        result.error = QStringLiteral("the source needs --server, --database and --user");
    else if (convert && !o.port.isEmpty() && o.local)
        result.error = QStringLiteral("give either --port or --local, not both");
    else if (o.create && o.container.isEmpty() && !o.savedSettings)
        result.error = QStringLiteral("--create creates a container: it goes with --dbc FILE");
    return result;
}

} // namespace qc::cli
