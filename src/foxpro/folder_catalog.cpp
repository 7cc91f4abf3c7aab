#include "foxpro/folder_catalog.h"

#include "foxpro/database.h"
#include "foxpro/dbf_file.h"
#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>

namespace foxpro {

FolderCatalog::FolderCatalog(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder_, error))
        throw Error("The folder '" + folder_.string() + "' does not exist.");
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
    auto path = findFileIgnoringCase(folder_, tableFileName(name, ".dbf"));
    if (path.empty())
        return std::nullopt;
    return path;
}

void FolderCatalog::createTable(const std::string& name, const std::vector<FieldSpec>& columns) {
    std::vector<std::string> longNames;
    for (const auto& column : columns)
        longNames.push_back(column.name);
    const auto shortNames = shortFieldNames(longNames);
    std::vector<FieldSpec> definitions = columns;
    for (std::size_t i = 0; i < definitions.size(); ++i)
        definitions[i].name = shortNames[i];
    const auto layout = TableLayout::make(definitions);
    DbfFile::create(folder_ / tableFileName(name, ".dbf"), layout);
}

void FolderCatalog::dropTable(const std::string& name) {
    const auto dbf = findTable(name);
    if (!dbf)
        throw Error("File '" + tableFileName(name, ".dbf") + "' does not exist.");
    // The table goes first: when that fails nothing is lost, and once it is gone its memo and
    // index files are of no use to anyone.
    if (std::remove(dbf->c_str()) != 0)
        throw fileError(errno, dbf->filename().string(), "deleting");
    for (const char* extension : {".fpt", ".cdx"}) {
        auto companion = findFileIgnoringCase(folder_, dbf->stem().string() + extension);
        if (!companion.empty() && std::remove(companion.c_str()) != 0)
            throw fileError(errno, companion.filename().string(), "deleting");
    }
}

std::vector<std::string> FolderCatalog::fieldNames(const std::string&, const TableLayout& layout) {
    std::vector<std::string> names;
    for (const auto& field : layout.fields)
        names.push_back(field.name);
    return names;
}

} // namespace foxpro
