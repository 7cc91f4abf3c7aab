#include "foxpro/database.h"

#include "foxpro/codepage.h"
#include "foxpro/container_catalog.h"
#include "foxpro/folder_catalog.h"
#include "foxpro/names.h"
#include "foxpro/statement_executor.h"

namespace qc::foxpro {

namespace {

bool isContainerPath(const std::string& path) {
    return path.size() >= 4 && asciiLower(path.substr(path.size() - 4)) == ".dbc";
}

} // namespace

std::unique_ptr<Database> Database::open(const std::string& path) {
    return open(path, Limits{});
}

std::unique_ptr<Database> Database::open(const std::string& path, const Limits& limits, int codePage) {
    return std::make_unique<StatementExecutor>(openCatalog(path, codePage), limits, codePage);
}

std::unique_ptr<Catalog> Database::openCatalog(const std::string& path, int codePage) {
    requireWritableCodePage(codePage);
    if (isContainerPath(path))
        return std::make_unique<ContainerCatalog>(Container::open(path, codePage));
    return std::make_unique<FolderCatalog>(path);
}

} // namespace qc::foxpro
