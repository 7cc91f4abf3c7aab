#include "cli/run_report.h"

#include "cli/verify_tally.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <stdexcept>

namespace qc::cli {

namespace {

QString endWord(engine::RunEnd end) {
    switch (end) {
    case engine::RunEnd::Completed:
        return QStringLiteral("completed");
    case engine::RunEnd::AlreadyRunning:
        return QStringLiteral("already running");
    case engine::RunEnd::TargetUnreachable:
        return QStringLiteral("target unreachable");
    case engine::RunEnd::SourceUnreachable:
        return QStringLiteral("source unreachable");
    case engine::RunEnd::TargetRefused:
        return QStringLiteral("target refused");
    case engine::RunEnd::SourceLost:
        return QStringLiteral("source lost");
    case engine::RunEnd::WentBack:
        return QStringLiteral("went back");
    }
    return {};
}

QString fateWord(engine::TableResult::Fate fate) {
    switch (fate) {
    case engine::TableResult::Fate::Converted:
        return QStringLiteral("converted");
    case engine::TableResult::Fate::Kept:
        return QStringLiteral("kept");
    case engine::TableResult::Fate::NotAttempted:
        return QStringLiteral("not attempted");
    }
    return {};
}

// A count the run does not know is null, not -1: a reader should not add it up.
QJsonValue count(std::int64_t n) {
    return n < 0 ? QJsonValue() : QJsonValue(static_cast<qint64>(n));
}

QJsonObject tableObject(const TableFigures& figures) {
    const engine::TableResult& t = figures.result;
    QJsonObject table{{QStringLiteral("schema"), t.table.schema},
                      {QStringLiteral("name"), t.table.name},
                      {QStringLiteral("fate"), fateWord(t.fate)},
                      {QStringLiteral("sourceRows"), count(t.sourceRows)}};
    if (t.fate == engine::TableResult::Fate::Converted) {
        table.insert(QStringLiteral("read"), count(t.read));
        table.insert(QStringLiteral("written"), count(t.written));
        table.insert(QStringLiteral("refused"), count(t.refused));
        table.insert(QStringLiteral("tableRefused"), t.tableRefused);
        table.insert(QStringLiteral("allRead"), t.allRead);
        table.insert(QStringLiteral("firstRefusal"),
                     t.firstRefusal.isEmpty() ? QJsonValue() : QJsonValue(t.firstRefusal));
    } else if (t.fate == engine::TableResult::Fate::Kept) {
        table.insert(QStringLiteral("held"), figures.held ? count(*figures.held) : QJsonValue());
        table.insert(QStringLiteral("unfinished"), figures.unfinished);
    }
    return table;
}

QString kindWord(verify::RowDifference::Kind kind) {
    switch (kind) {
    case verify::RowDifference::Kind::Changed:
        return QStringLiteral("changed");
    case verify::RowDifference::Kind::Missing:
        return QStringLiteral("missing");
    case verify::RowDifference::Kind::Deleted:
        return QStringLiteral("deleted");
    case verify::RowDifference::Kind::NotInSource:
        return QStringLiteral("not in source");
    }
    return {};
}

// A row number the difference has none of is null.
QJsonValue rowNumber(std::int64_t n) {
    return n > 0 ? QJsonValue(static_cast<qint64>(n)) : QJsonValue();
}

QJsonObject verdictObject(const verify::TableVerdict& v) {
    QJsonArray refused;
    for (const auto& row : v.firstNotConvertible)
        refused.append(QJsonObject{{QStringLiteral("sourceRow"), rowNumber(row.sourceRow)},
                                   {QStringLiteral("reason"), row.reason}});
    QJsonArray differences;
    for (const auto& d : v.firstDifferences) {
        QJsonObject difference{{QStringLiteral("kind"), kindWord(d.kind)},
                               {QStringLiteral("sourceRow"), rowNumber(d.sourceRow)},
                               {QStringLiteral("record"), rowNumber(d.record)}};
        if (d.kind == verify::RowDifference::Kind::Changed) {
            difference.insert(QStringLiteral("field"), d.field);
            difference.insert(QStringLiteral("sourceValue"), d.sourceValue);
            difference.insert(QStringLiteral("targetValue"), d.targetValue);
        }
        differences.append(difference);
    }
    return {{QStringLiteral("result"), verdictWord(v)},
            {QStringLiteral("clean"), v.clean()},
            {QStringLiteral("problem"), v.problem.isEmpty() ? QJsonValue() : QJsonValue(v.problem)},
            {QStringLiteral("sourceRows"), static_cast<qint64>(v.sourceRows)},
            {QStringLiteral("records"), static_cast<qint64>(v.records)},
            {QStringLiteral("deleted"), static_cast<qint64>(v.deleted)},
            {QStringLiteral("notConvertible"), static_cast<qint64>(v.notConvertible)},
            {QStringLiteral("firstNotConvertible"), refused},
            {QStringLiteral("differences"), static_cast<qint64>(v.differences)},
            {QStringLiteral("firstDifferences"), differences},
            {QStringLiteral("differingFields"), QJsonArray::fromStringList(v.differingFields)},
            {QStringLiteral("pairedBy"), v.matchedBy.isEmpty() ? QJsonValue() : QJsonValue(v.matchedBy)}};
}

void save(const QString& path, const QJsonObject& report) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(report).toJson()) < 0 || !file.commit())
        throw std::runtime_error(QStringLiteral("The report %1 could not be written: %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
}

} // namespace

QString reportPathProblem(const QString& path) {
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("--report %1: that is a folder").arg(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return QStringLiteral("--report %1: the folder %2 cannot be written to")
            .arg(path, QDir::toNativeSeparators(folder.absoluteFilePath()));
    return {};
}

void writeRunReport(const QString& path, const engine::RunResult& result,
                    const std::vector<TableFigures>& tables, int exitStatus,
                    const std::vector<verify::TableVerdict>& verdicts) {
    QJsonArray list;
    for (const TableFigures& figures : tables) {
        QJsonObject table = tableObject(figures);
        const auto verdict =
            std::find_if(verdicts.begin(), verdicts.end(),
                         [&](const verify::TableVerdict& v) { return v.table == figures.result.table; });
        if (verdict != verdicts.end())
            table.insert(QStringLiteral("verify"), verdictObject(*verdict));
        list.append(table);
    }
    const QJsonObject report{{QStringLiteral("command"), QStringLiteral("convert")},
                             {QStringLiteral("end"), endWord(result.end)},
                             {QStringLiteral("errorReports"), result.reports},
                             {QStringLiteral("exitStatus"), exitStatus},
                             {QStringLiteral("tables"), list}};
    save(path, report);
}

void writeVerifyReport(const QString& path, const std::vector<verify::TableVerdict>& verdicts,
                       int exitStatus) {
    QJsonArray list;
    for (const auto& v : verdicts) {
        QJsonObject table = verdictObject(v);
        table.insert(QStringLiteral("schema"), v.table.schema);
        table.insert(QStringLiteral("name"), v.table.name);
        list.append(table);
    }
    save(path, {{QStringLiteral("command"), QStringLiteral("verify")},
                {QStringLiteral("exitStatus"), exitStatus},
                {QStringLiteral("tables"), list}});
}

} // namespace qc::cli
