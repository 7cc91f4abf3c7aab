#include "cli/option_table.h"

#include "foxpro/codepage.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qc::cli {

namespace {

using Apply = std::function<QString(Options&, const QString&)>;

Apply text(QString Options::*field) {
    return [field](Options& o, const QString& v) {
        o.*field = v;
        return QString();
    };
}

Apply flag(bool Options::*field) {
    return [field](Options& o, const QString&) {
        o.*field = true;
        return QString();
    };
}

constexpr std::array<std::pair<const char*, OverwritePolicy>, 3> kOverwriteWords{
    {{"ask", OverwritePolicy::Ask}, {"yes", OverwritePolicy::Yes}, {"no", OverwritePolicy::No}}};

QString applyOverwrite(Options& o, const QString& v) {
    for (const auto& [word, policy] : kOverwriteWords)
        if (v == QLatin1String(word)) {
            o.overwrite = policy;
            return QString();
        }
    return QStringLiteral("--overwrite takes ask, yes or no, not '%1'").arg(v);
}

QString applyTables(Options& o, const QString& v) {
    QStringList names;
    for (const QString& name : v.split(QLatin1Char(',')))
        if (!name.trimmed().isEmpty())
            names << name.trimmed();
    if (names.isEmpty())
        return QStringLiteral("--tables needs at least one table name");
    o.tables = names;
    return QString();
}

QString applyPort(Options& o, const QString& v) {
    bool ok = false;
    const int port = v.toInt(&ok);
    if (!ok || port < 1 || port > 65535 || v != QString::number(port))
        return QStringLiteral("--port takes a TCP port number from 1 to 65535, not '%1'").arg(v);
    o.port = v;
    return QString();
}

QString applyTimeout(Options& o, const QString& v) {
    bool ok = false;
    o.timeout = v.toInt(&ok);
    if (!ok || *o.timeout < 1)
        return QStringLiteral("--timeout takes a number of seconds from 1, not '%1'").arg(v);
    return QString();
}

// More jobs than this would wait for the disk and the server rather than each other.
constexpr int kMostJobs = 64;

QString applyJobs(Options& o, const QString& v) {
    bool ok = false;
    o.jobs = v.toInt(&ok);
    if (!ok || o.jobs < 1 || o.jobs > kMostJobs || v != QString::number(o.jobs))
        return QStringLiteral("--jobs takes a number of tables at once from 1 to %1, not '%2'")
            .arg(kMostJobs)
            .arg(v);
    return QString();
}

QString applyCodePage(Options& o, const QString& v) {
    o.codePage = writableCodePage(v);
    return o.codePage ? QString() : codePageRefusal(QStringLiteral("--codepage"), v);
}

QString applyFromLine(Options& o, const QString& v) {
    bool ok = false;
    o.fromLine = v.toInt(&ok);
    if (!ok || o.fromLine < 1)
        return QStringLiteral("--from-line takes a statement number from 1, not '%1'").arg(v);
    return QString();
}

std::vector<const char*> overwriteWords() {
    std::vector<const char*> words;
    for (const auto& entry : kOverwriteWords)
        words.push_back(entry.first);
    return words;
}

} // namespace

std::optional<int> writableCodePage(const QString& text) {
    bool ok = false;
    const int page = text.toInt(&ok);
    if (!ok || text != QString::number(page) || !foxpro::isWritableCodePage(page))
        return std::nullopt;
    return page;
}

QString codePageRefusal(const QString& what, const QString& text) {
    QStringList pages;
    for (const int page : foxpro::writableCodePages())
        pages << QString::number(page);
    return QStringLiteral(
               "%1 takes one of the code pages FoxPro marks a table with and this program can write "
               "(%2), not '%3'")
        .arg(what, pages.join(QStringLiteral(", ")), text);
}

const std::vector<CommandWord>& commandWords() {
    static const std::vector<CommandWord> words{
        {"convert", Command::Convert}, {"verify", Command::Verify}, {"execute", Command::Execute}};
    return words;
}

const std::vector<OptionSpec>& optionTable() {
    using enum Command;
    static const std::vector<OptionSpec> table{
        {"--server", "HOST", {Convert, Verify}, {}, text(&Options::server)},
        {"--port", "N", {Convert, Verify}, {}, applyPort},
        {"--local", nullptr, {Convert, Verify}, {}, flag(&Options::local)},
        {"--database", "DB", {Convert, Verify}, {}, text(&Options::database)},
        {"--user", "NAME", {Convert, Verify}, {}, text(&Options::user)},
        {"--password-file", "FILE", {Convert, Verify}, {}, text(&Options::passwordFile)},
        {"--to", "FOLDER", {Convert, Verify, Execute}, {}, text(&Options::folder)},
        {"--dbc", "FILE", {Convert, Verify, Execute}, {}, text(&Options::container)},
        {"--create", nullptr, {Convert, Execute}, {}, flag(&Options::create)},
        {"--tables", "A,B", {Convert, Verify}, {}, applyTables},
        {"--overwrite", "WHAT", {Convert}, overwriteWords(), applyOverwrite},
        {"--script", "FILE", {Convert}, {}, text(&Options::script)},
        {"--report", "FILE", {Convert, Verify}, {}, text(&Options::report)},
        {"--timeout", "SECONDS", {Convert, Verify}, {}, applyTimeout},
        {"--codepage", "N", {Convert, Verify, Execute}, {}, applyCodePage},
        {"--saved-settings", nullptr, {Convert, Verify}, {}, flag(&Options::savedSettings)},
        {"--verify", nullptr, {Convert}, {}, flag(&Options::verify)},
        {"--jobs", "N", {Convert}, {}, applyJobs},
        {"--from-line", "N", {Execute}, {}, applyFromLine},
    };
    return table;
}

const OptionSpec* findOption(const QString& name, Command command) {
    const auto& table = optionTable();
    const auto found = std::find_if(table.begin(), table.end(), [&](const OptionSpec& spec) {
        return name == QLatin1String(spec.name) &&
               std::find(spec.commands.begin(), spec.commands.end(), command) != spec.commands.end();
    });
    return found == table.end() ? nullptr : &*found;
}

} // namespace qc::cli
