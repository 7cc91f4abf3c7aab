#include "foxpro/container_catalog.h"

#include "foxpro/codepage.h"
#include "foxpro/database.h"
#include "foxpro/dbf_file.h"
#include "foxpro/file_io.h"
#include "foxpro/names.h"
#include "foxpro/table_files.h"

#include <set>

namespace qc::foxpro {

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

void ContainerCatalog::beginWriting() {
    container_.reload();
    container_.requireWritable();
    if (!useLock_.lockedExclusive()) {
        File lock(container_.memoPath(), File::Mode::ReadWrite);
        if (!lock.lockExclusive())
            throw Error("File '" + container_.path().filename().string() + "' is in use.",
                        Error::Cause::Target);
        useLock_ = std::move(lock);
    }
    if (!recovered_) {
        recover();
        recovered_ = true;
    }
}

// Under the container's lock: nobody else is changing it, so whatever a change left behind
// was left by a process that died.
void ContainerCatalog::recover() {
    FolderChangeLock lock(container_.folder());
    container_.reload();
    const fs::path folder = container_.folder();
    const std::string link = container_.linkName();
    auto listedFiles = [&] {
        std::set<std::string> files;
        for (const auto& name : container_.tableNames())
            if (const DbcRecord* table = container_.findTable(name)) {
                // A table kept outside the container's folder is refused when it is used; it
                // must not stop the writes to every other table.
                try {
                    files.insert(asciiLower(container_.tableFile(*table).filename().string()));
                } catch (const Error&) {
                }
            }
        return files;
    };
    std::set<std::string> listed = listedFiles();

    // A creation that wrote its records but not the count: its files go, if they are its own.
    for (const auto& name : container_.uncountedTables()) {
        const std::string fileName = tableFileName(name, ".dbf");
        if (listed.count(fileName) != 0)
            continue;
        const fs::path dbf = listing_.find(fileName);
        if (!dbf.empty() && asciiLower(backlinkOf(dbf)) == link) {
            removeCompanions(listing_, dbf);
            removeFile(dbf);
        }
    }
    container_.trimUncounted();
    recoverTableChanges(
        listing_, [&](const std::string& fileName) { return listed.count(asciiLower(fileName)) != 0; },
        [&](const fs::path& file) {
            // Another container in the same folder finishes its own changes.
            const fs::path owner = presentContainerOf(file);
            std::error_code ignored;
            return !owner.empty() && !fs::equivalent(owner, container_.path(), ignored);
        });
    container_.recoverIndex();

    // A table bound to the container that the container does not hold, with no record of a
    // change that made it so: it is set free, never deleted.
    listed = listedFiles();
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path path = it->path();
        const std::string fileName = asciiLower(path.filename().string());
        if (fileName.size() < 5 || !hasExtension(fileName, ".dbf") || fileName[0] == '.' ||
            listed.count(fileName) != 0 || asciiLower(backlinkOf(path)) != link)
            continue;
        try {
            DbfFile table = DbfFile::open(path, true);
            if (!table.lockExclusive())
                continue;
            table.setBacklink("");
            notices_.push_back("Table '" + path.filename().string() + "' was bound to database container '" +
                               container_.path().filename().string() +
                               "' without being in it; it is now a free table.");
        } catch (const Error&) {
            // Left as it is: the next writer tries again.
        }
    }
}

DbfFile ContainerCatalog::createTable(const std::string& name, const std::vector<FieldSpec>& columns,
                                      int codePage) {
    const std::string fileName = tableFileName(name, ".dbf");
    container_.reload();
    container_.requireWritable();
    if (container_.findTable(name) != nullptr)
        throw fileError(EEXIST, fileName, "creating");
    // A file of that name beside the container belongs to someone else: leave it alone.
    for (const char* ext : {".dbf", ".fpt", ".cdx"}) {
        const std::string other = tableFileName(name, ext);
        if (!listing_.find(other).empty())
            throw Error("File '" + other + "' already exists and does not belong to database container '" +
                        container_.path().filename().string() + "'.");
    }

    std::vector<std::string> statementNames;
    for (const auto& c : columns)
        statementNames.push_back(c.name);
    const auto longNames = dbcLongFieldNames(statementNames);
    TableLayout layout = TableLayout::forStatementNames(columns);
    layout.codePageMark = markOfCodePage(codePage);
    const std::string link = container_.backlink(codePage);

    // The table is written under temporary names, renamed into place once the container's new
    // records are written and before the count takes them in (see recover()).
    FolderChangeLock lock(container_.folder());
    DbfFile table = DbfFile::create(listing_, fileName, layout, link);
    try {
        container_.addTable(asciiLower(name), fileName, longNames, [&] { table.install(); });
    } catch (...) {
        table.discard();
        throw;
    }
    return table;
}

void ContainerCatalog::dropTable(const std::string& name) {
    container_.reload();
    const DbcRecord* table = container_.findTable(name);
    if (table == nullptr)
        throw fileError(ENOENT, tableFileName(name, ".dbf"), "opening");
    FolderChangeLock lock(container_.folder());
    // The file goes out of the way before the container lets go of the table: a drop cut short
    // before the container's commit is undone by the next writer, one cut short after it is
    // finished. Once the container has let go, files left behind are only files, and a failure
    // to delete them is reported.
    const fs::path file = container_.tableFile(*table);
    const fs::path dropped = droppedTablePath(file);
    removeFile(dropped);
    const bool present = fileExists(file);
    if (present)
        renameNoReplace(file, dropped);
    try {
        container_.removeTable(name);
    } catch (...) {
        if (present) {
            std::error_code ignored;
            fs::rename(dropped, file, ignored);
        }
        throw;
    }
    removeCompanions(listing_, file);
    removeFile(dropped);
}

fs::path ContainerCatalog::findBeside(const fs::path& beside, const std::string& fileName) {
    return listing_.find(beside.parent_path(), fileName);
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

} // namespace qc::foxpro
