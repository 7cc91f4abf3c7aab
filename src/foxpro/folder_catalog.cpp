#include "foxpro/folder_catalog.h"

#include "foxpro/codepage.h"
#include "foxpro/database.h"
#include "foxpro/dbf_file.h"
#include "foxpro/file_io.h"
#include "foxpro/names.h"
#include "foxpro/table_files.h"

#include <algorithm>
#include <set>

namespace qc::foxpro {

FolderCatalog::FolderCatalog(std::filesystem::path folder) : folder_(std::move(folder)), listing_(folder_) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder_, error))
        throw Error("The folder '" + folder_.string() + "' does not exist.", Error::Cause::Table);
}

std::vector<std::string> FolderCatalog::tableNames() {
    std::set<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end;
         it.increment(error)) {
        const auto& path = it->path();
        std::error_code kindError;
        if (asciiLower(path.extension().string()) == ".dbf" && it->is_regular_file(kindError))
            names.insert(asciiLower(path.stem().string()));
    }
    if (error)
        throw fileError(error.value(), folder_.string(), "reading");
    return {names.begin(), names.end()};
}

std::optional<std::filesystem::path> FolderCatalog::findTable(const std::string& name) {
    auto path = listing_.find(tableFileName(name, ".dbf"));
    if (path.empty())
        return std::nullopt;
    return path;
}

void FolderCatalog::beginWriting() {
    if (recovered_)
        return;
    FolderChangeLock lock(folder_);
    recoverTableChanges(
        listing_, [](const std::string&) { return false; },
        [](const std::filesystem::path& file) { return !presentContainerOf(file).empty(); });
    recovered_ = true;
}

DbfFile FolderCatalog::createTable(const std::string& name, const std::vector<FieldSpec>& columns,
                                   int codePage) {
    auto layout = TableLayout::forStatementNames(columns);
    layout.codePageMark = markOfCodePage(codePage);
    const std::string fileName = tableFileName(name, ".dbf");
    const auto dbf = folder_ / fileName;
    FolderChangeLock lock(folder_);
    // A container's change of a table of this name that did not finish keeps the name for that
    // container's next writer.
    for (const auto& pending : {newTablePath(dbf), droppedTablePath(dbf)})
        if (fileExists(pending))
            requireOwnTable(pending);
    DbfFile table = DbfFile::create(listing_, fileName, layout);
    try {
        table.install();
    } catch (...) {
        table.discard();
        throw;
    }
    return table;
}

void FolderCatalog::requireOwnTable(const std::filesystem::path& dbf) {
    const auto container = presentContainerOf(dbf);
    if (!container.empty())
        throw Error("Table '" + shownFileName(dbf) + "' belongs to database container '" +
                        container.filename().string() + "'; choose the container as the target.",
                    Error::Cause::Table);
}

std::filesystem::path FolderCatalog::findBeside(const std::filesystem::path& beside,
                                                const std::string& fileName) {
    return listing_.find(beside.parent_path(), fileName);
}

void FolderCatalog::dropTable(const std::string& name) {
    const auto dbf = findTable(name);
    if (!dbf)
        throw Error("File '" + tableFileName(name, ".dbf") + "' does not exist.", Error::Cause::Table);
    FolderChangeLock lock(folder_);
    // Out of the way in one step: readers see the table or no table. Its companions go next
    // and the renamed file last, so a drop cut short is seen and finished by the next writer.
    const auto dropped = droppedTablePath(*dbf);
    removeFile(dropped);
    renameNoReplace(*dbf, dropped);
    removeCompanions(listing_, *dbf);
    removeFile(dropped);
}

std::vector<std::string> FolderCatalog::fieldNames(const std::string&, const TableLayout& layout) {
    std::vector<std::string> names;
    for (const auto& field : layout.fields)
        names.push_back(field.name);
    return names;
}

} // namespace qc::foxpro
