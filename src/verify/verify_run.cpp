#include "verify/verify_run.h"

#include "data/db_access.h"
#include "data/mssql_source.h"
#include "data/primary_key.h"
#include "engine/table_list.h"
#include "foxpro/container.h"
#include "foxpro/file_io.h"
#include "foxpro/folder_catalog.h"
#include "foxpro/names.h"
#include "verify/table_check.h"

#include <memory>

namespace qc::verify {

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const QString& text) {
    return fs::path(text.toStdString());
}

// Where the conversion put a table: its file, or the reason it has none in the target.
struct Located {
    std::optional<fs::path> dbf;
    QString problem;
    QString linkProblem; // the table is there, but its back-link does not name its container
};

class TargetTables {
  public:
    explicit TargetTables(const VerifyRequest& request) : target_(request.target) {
        try {
            if (target_.containerChosen)
                container_ = std::make_unique<foxpro::Container>(
                    foxpro::Container::open(pathOf(target_.container), request.locale.codePage));
            else if (!fs::is_directory(pathOf(target_.folder)))
                throw CannotStart("The folder " + target_.folder.toStdString() + " does not exist.");
            else
                folder_ = std::make_unique<foxpro::FolderCatalog>(pathOf(target_.folder));
        } catch (const CannotStart&) {
            throw;
        } catch (const std::exception& e) {
            throw CannotStart(e.what());
        }
    }

    Located locate(const QString& table) {
        const std::string name = table.toStdString();
        Located located;
        if (folder_) {
            located.dbf = folder_->findTable(name);
            if (!located.dbf) {
                located.problem = QStringLiteral("the folder has no table %1").arg(table);
            } else if (const std::string link = foxpro::backlinkOf(*located.dbf); !link.empty()) {
                located.problem = QStringLiteral("%1 belongs to database container %2, not to the folder")
                                      .arg(QString::fromStdString(located.dbf->filename().string()),
                                           QString::fromStdString(link));
                located.dbf.reset();
            }
            return located;
        }
        // Tables converted since the container was opened are listed only in what it holds now.
        try {
            container_->reload();
        } catch (const std::exception& e) {
            located.problem = QString::fromUtf8(e.what());
            return located;
        }
        const foxpro::DbcRecord* record = container_->findTable(name);
        if (!record) {
            const auto file =
                foxpro::findFileIgnoringCase(container_->folder(), foxpro::tableFileName(name, ".dbf"));
            located.problem = file.empty()
                                  ? QStringLiteral("the database container has no table %1").arg(table)
                                  : QStringLiteral("the database container does not list table %1, "
                                                   "though its file %2 is there")
                                        .arg(table, QString::fromStdString(file.filename().string()));
            return located;
        }
        try {
            located.dbf = container_->tableFile(*record);
        } catch (const std::exception& e) {
            located.problem = QString::fromUtf8(e.what());
            return located;
        }
        const std::string link = foxpro::backlinkOf(*located.dbf);
        if (!foxpro::equalsIgnoreCase(link, container_->linkName()))
            located.linkProblem =
                QStringLiteral("the table's back-link names '%1', not its container %2")
                    .arg(QString::fromStdString(link), QString::fromStdString(container_->linkName()));
        return located;
    }

  private:
    data::FoxProTarget target_;
    std::unique_ptr<foxpro::Container> container_;
    std::unique_ptr<foxpro::FolderCatalog> folder_;
};

} // namespace

struct Verifier::Sides {
    Sides(const VerifyRequest& request, UiPort& port) : target(request), port(port), locale(request.locale) {
        try {
            source.setCommandTimeout(request.sourceTimeout);
            data::letEventsThroughWhileOpening(source, port);
            source.open(data::mssqlConnectionString(request.login));
            data::listSourceTables(request.login, tables, port);
        } catch (const std::exception& e) {
            throw CannotStart(e.what());
        }
    }
    TargetTables target;
    UiPort& port;
    Locale locale;
    data::Connection source;
    data::SourceTables tables;
};

Verifier::Verifier(const VerifyRequest& request, UiPort& port)
    : sides_(std::make_unique<Sides>(request, port)) {}

Verifier::~Verifier() = default;

const data::SourceTables& Verifier::sourceTables() const {
    return sides_->tables;
}

TableVerdict Verifier::verify(const data::SourceTable& table, const QString& takenBy,
                              VerifyObserver& observer) {
    TableVerdict verdict;
    verdict.table = table;
    observer.tableStarted(verdict);
    if (!takenBy.isEmpty()) {
        verdict.outcome = TableVerdict::Outcome::NotConverted;
        verdict.problem = QStringLiteral("a table of this name comes from schema %1").arg(takenBy);
    } else if (const Located located = sides_->target.locate(table.name); !located.dbf) {
        verdict.outcome = TableVerdict::Outcome::Missing;
        verdict.problem = located.problem;
    } else {
        TableCheck check(sides_->source, sides_->port, sides_->locale,
                         [&](const TableVerdict& sofar) { observer.tableProgress(sofar); });
        check.check(verdict, *located.dbf, data::primaryKeyColumns(sides_->source, table));
        if (!located.linkProblem.isEmpty() && verdict.outcome == TableVerdict::Outcome::Same) {
            verdict.outcome = TableVerdict::Outcome::LinkBroken;
            verdict.problem = located.linkProblem;
        }
    }
    observer.tableEnded(verdict);
    return verdict;
}

std::vector<TableVerdict> verifyTables(const VerifyRequest& request, UiPort& port, VerifyObserver& observer) {
    Verifier verifier(request, port);
    std::vector<TableVerdict> verdicts;
    for (const auto& [index, takenBy] : engine::conversionOrder(verifier.sourceTables(), request.tables))
        verdicts.push_back(verifier.verify(verifier.sourceTables()[index], takenBy, observer));
    return verdicts;
}

} // namespace qc::verify
