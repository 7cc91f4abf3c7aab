#include "foxpro/container_catalog.h"

#include "foxpro/database.h"
#include "foxpro/dbf_file.h"
#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <set>

namespace foxpro {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxLongName = 128;

std::string longFieldName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        const bool keep =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        out += keep ? static_cast<char>(c) : '_';
        i += std::min(length, name.size() - i);
    }
    if (!out.empty() && out[0] >= '0' && out[0] <= '9')
        out.insert(out.begin(), '_');
    return asciiLower(out).substr(0, kMaxLongName);
}

// Deletes the table's files; the first failure is reported once all were tried.
void removeTableFiles(const fs::path& dbf, bool report) {
    std::string failure;
    auto remove = [&](const fs::path& file) {
        std::error_code error;
        fs::remove(file, error);
        if (error && failure.empty())
            failure = fileErrorMessage(error.value(), file.filename().string(), "deleting");
    };
    const fs::path folder = dbf.parent_path();
    const std::string stem = dbf.stem().string();
    for (const char* ext : {".fpt", ".cdx"}) {
        const fs::path found = findFileIgnoringCase(folder, stem + ext);
        if (!found.empty())
            remove(found);
    }
    remove(dbf);
    if (report && !failure.empty())
        throw Error(failure);
}

} // namespace

std::vector<std::string> dbcLongFieldNames(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    std::set<std::string> taken;
    for (const auto& name : names) {
        const std::string base = longFieldName(name);
        std::string candidate = base;
        for (int number = 2; taken.count(candidate) != 0; ++number) {
            const std::string suffix = std::to_string(number);
            candidate = base.substr(0, kMaxLongName - suffix.size()) + suffix;
        }
        taken.insert(candidate);
        out.push_back(candidate);
    }
    return out;
}

std::vector<std::string> ContainerCatalog::tableNames() {
    container_.reload();
    return container_.tableNames();
}

std::optional<fs::path> ContainerCatalog::findTable(const std::string& name) {
    container_.reload();
    const DbcRecord* table = container_.findTable(name);
    if (table == nullptr)
        return std::nullopt;
    return container_.tableFile(*table);
}

void ContainerCatalog::createTable(const std::string& name, const std::vector<FieldSpec>& columns) {
    const std::string fileName = tableFileName(name, ".dbf");
    container_.reload();
    container_.requireWritable();
    if (container_.findTable(name) != nullptr)
        throw fileError(EEXIST, fileName, "creating");
    // A file of that name beside the container belongs to someone else: leave it alone.
    for (const char* ext : {".dbf", ".fpt", ".cdx"}) {
        const std::string other = tableFileName(name, ext);
        if (!findFileIgnoringCase(container_.folder(), other).empty())
            throw Error("File '" + other + "' already exists and does not belong to database container '" +
                        container_.path().filename().string() + "'.");
    }

    std::vector<std::string> statementNames;
    for (const auto& c : columns)
        statementNames.push_back(c.name);
    const auto shortNames = shortFieldNames(statementNames);
    const auto longNames = dbcLongFieldNames(statementNames);
    std::vector<FieldSpec> specs = columns;
    for (std::size_t i = 0; i < specs.size(); ++i)
        specs[i].name = shortNames[i];
    const TableLayout layout = TableLayout::make(specs);

    const fs::path dbf = container_.folder() / fileName;
    DbfFile::create(dbf, layout, container_.backlink()).close();
    try {
        container_.addTable(asciiLower(name), fileName, longNames);
    } catch (...) {
        removeTableFiles(dbf, false);
        throw;
    }
}

void ContainerCatalog::dropTable(const std::string& name) {
    container_.reload();
    if (container_.findTable(name) == nullptr)
        throw fileError(ENOENT, tableFileName(name, ".dbf"), "opening");
    // The container lets go of the table first: once that is done, files left behind are only
    // files, and a failure to delete them is reported.
    removeTableFiles(container_.removeTable(name), true);
}

std::vector<std::string> ContainerCatalog::fieldNames(const std::string& name, const TableLayout& layout) {
    std::vector<std::string> out;
    if (const DbcRecord* table = container_.findTable(name))
        out = container_.fieldNames(*table);
    // The long names match the DBF's fields by position only; when the counts differ the
    // container does not describe this file, and the DBF's own names are all there is.
    if (out.size() != layout.fields.size()) {
        out.clear();
        for (const auto& f : layout.fields)
            out.push_back(f.name);
    }
    return out;
}

} // namespace foxpro
