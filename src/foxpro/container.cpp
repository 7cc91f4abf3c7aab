#include "foxpro/container.h"

#include "foxpro/codepage.h"
#include "foxpro/database.h"
#include "foxpro/dbc_index.h"
#include "foxpro/file_io.h"
#include "foxpro/names.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace qc::foxpro {

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kEndOfFile = 0x1A;
constexpr std::uint8_t kPropertyParentTable = 18;
constexpr std::size_t kMaxHeaderLength = 32 + 32 * 256 + 1 + kBacklinkLength;

std::string name(const fs::path& p) {
    return p.filename().string();
}

std::uint32_t le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// A sibling file: the container's name with another extension, in the case of its own.
std::string siblingName(const fs::path& dbcPath, const char* lowerExtension) {
    std::string ext = lowerExtension;
    const std::string own = dbcPath.extension().string();
    if (!own.empty() && own == asciiUpper(own))
        ext = asciiUpper(ext);
    return dbcPath.stem().string() + ext;
}

// The read-only attribute is the owner's write bit; it holds even for a superuser, for whom
// access() would always allow writing.
bool writable(const fs::path& p) {
    struct stat info {};
    if (::stat(p.c_str(), &info) != 0 || (info.st_mode & S_IWUSR) == 0)
        return false;
    return ::access(p.c_str(), W_OK) == 0;
}

fs::path pendingPath(const fs::path& target) {
    return target.parent_path() / ("." + name(target) + ".new");
}

// Writes `bytes` to a fresh file beside `target`, with the target's permissions.
fs::path writePending(const fs::path& target, std::string_view bytes) {
    const fs::path pending = pendingPath(target);
    std::error_code ignored;
    fs::remove(pending, ignored);
    {
        File file(pending, File::Mode::CreateNew);
        try {
            file.writeAt(0, bytes);
        } catch (...) {
            file.close();
            fs::remove(pending, ignored);
            throw;
        }
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0)
        ::chmod(pending.c_str(), info.st_mode & 07777);
    return pending;
}

void install(const fs::path& pending, const fs::path& target) {
    std::error_code error;
    fs::rename(pending, target, error);
    if (error)
        throw fileError(error.value(), name(target), "writing");
}

// After the commit the change has happened: an index that cannot be put in place now stays
// beside the container, and the next writer rebuilds it from the committed records.
void installCommittedIndex(const fs::path& pending, const fs::path& target) {
    std::error_code ignored;
    fs::rename(pending, target, ignored);
}

std::string indexBytes(const std::vector<DbcRecord>& records, const DbcNames& names) {
    const auto image = buildContainerIndex(records, names);
    return {image.begin(), image.end()};
}

void checkIndexHeader(const fs::path& dcxPath) {
    const Error invalid("Index file '" + name(dcxPath) + "' is missing or is invalid.");
    File dcx(dcxPath, File::Mode::Read);
    const std::string header = dcx.readSomeAt(0, 1024);
    if (header.size() < 1024)
        throw invalid;
    const std::uint32_t root = le(header, 0, 4);
    const std::uint32_t keyLength = le(header, 12, 2);
    if (root < 1024 || root % 512 != 0 || root + 512 > dcx.size() || keyLength == 0 || keyLength > 240)
        throw invalid;
}

fs::path requireSibling(const fs::path& dbcPath, const char* extension, const std::string& what) {
    const std::string wanted = siblingName(dbcPath, extension);
    fs::path found = findFileIgnoringCase(dbcPath.parent_path(), wanted);
    if (found.empty())
        throw Error(what + " '" + wanted + "' is missing or is invalid.");
    return found;
}

} // namespace

fs::path pendingIndexPath(const fs::path& dcxPath) {
    return pendingPath(dcxPath);
}

void Container::create(const fs::path& path, int codePage) {
    requireWritableCodePage(codePage);
    const fs::path dbcPath = fs::absolute(path);
    const fs::path folder = dbcPath.parent_path();
    const std::vector<fs::path> targets = {folder / siblingName(dbcPath, ".dct"),
                                           folder / siblingName(dbcPath, ".dcx"), dbcPath};
    for (const auto& target : targets)
        if (!findFileIgnoringCase(folder, name(target)).empty())
            throw fileError(EEXIST, name(target), "creating");

    std::vector<DbcRecord> records;
    for (const char* object : {"Database", "TransactionLog", "StoredProceduresSource",
                               "StoredProceduresObject", "StoredProceduresDependencies"}) {
        DbcRecord r;
        r.objectId = static_cast<std::int32_t>(records.size() + 1);
        r.parentId = 1;
        r.objectType = "Database";
        r.objectName = object;
        records.push_back(r);
    }

    std::vector<fs::path> written;
    try {
        // The memo first: the Database record's Version property goes to its first block.
        const fs::path dctPending = pendingPath(targets[0]);
        std::error_code ignored;
        fs::remove(dctPending, ignored);
        {
            FptFile dct = FptFile::create(dctPending);
            written.push_back(dctPending);
            const auto version = encodeProperties({DbcProperty::int32(dbc_property::kVersion, 10)});
            records[0].propertyBlock =
                dct.append({{kMemoText, std::string(version.begin(), version.end())}})[0];
        }
        written.push_back(writePending(targets[1], indexBytes(records, DbcNames(codePage, name(dbcPath)))));

        TableLayout layout = dbcLayout();
        layout.codePageMark = markOfCodePage(codePage);
        std::string dbc = layout.headerBytes("", static_cast<std::uint32_t>(records.size()));
        for (const auto& r : records)
            dbc += r.encode();
        dbc += static_cast<char>(kEndOfFile);
        written.push_back(writePending(targets[2], dbc));

        // The .dbc comes last: until it is there, there is no container.
        for (std::size_t i = 0; i < targets.size(); ++i) {
            install(pendingPath(targets[i]), targets[i]);
            written.push_back(targets[i]);
        }
    } catch (...) {
        std::error_code ignored;
        for (const auto& p : written)
            fs::remove(p, ignored);
        throw;
    }
}

Container Container::open(const fs::path& path, int runCodePage) {
    // File names are matched without regard to case, as on the system FoxPro runs on.
    const fs::path given = fs::absolute(path);
    const fs::path dbcPath = findFileIgnoringCase(given.parent_path(), name(given));
    if (dbcPath.empty())
        throw fileError(ENOENT, name(given), "opening");
    Container c;
    c.dbcPath_ = dbcPath;
    c.dctPath_ = requireSibling(dbcPath, ".dct", "Memo file");
    c.dcxPath_ = requireSibling(dbcPath, ".dcx", "Index file");
    c.readOnly_ =
        !writable(dbcPath) || !writable(c.dctPath_) || !writable(c.dcxPath_) || !writable(c.folder());

    c.dbc_ = File(dbcPath, c.readOnly_ ? File::Mode::Read : File::Mode::ReadWrite);
    const std::string start = c.dbc_.readSomeAt(0, 32);
    const Error notContainer("File '" + name(dbcPath) + "' is not a database container.");
    if (start.size() < 32)
        throw notContainer;
    const std::size_t headerLength = le(start, 8, 2);
    if (headerLength < 32 || headerLength > kMaxHeaderLength)
        throw notContainer;
    c.layout_ = TableLayout::parse(c.dbc_.readAt(0, headerLength), name(dbcPath));
    if (!isDbcLayout(c.layout_))
        throw notContainer;
    c.runCodePage_ = runCodePage;
    const std::uint8_t mark = c.layout_.codePageMark;
    c.names_.emplace(mark == 0x00 ? runCodePage : codePageOfMark(mark), name(dbcPath));
    c.dct_ = FptFile::open(c.dctPath_, !c.readOnly_);
    checkIndexHeader(c.dcxPath_);
    c.loadRecords();
    // Only when no connection uses the container: one that does may be in the middle of a change.
    // The lock is tried only when there is something to recover, so that a reader's open never
    // turns away a writer starting at that moment.
    if (!c.readOnly_ && c.changeLeftBehind()) {
        File probe(c.dctPath_, File::Mode::ReadWrite);
        if (probe.lockExclusive())
            c.recoverIndex();
    }
    c.stamp_ = c.fileStamp();
    return c;
}

std::vector<long long> Container::fileStamp() const {
    std::vector<long long> out;
    for (const auto* p : {&dbcPath_, &dctPath_}) {
        struct stat info {};
        if (::stat(p->c_str(), &info) != 0)
            return {};
        out.insert(out.end(),
                   {static_cast<long long>(info.st_dev), static_cast<long long>(info.st_ino),
                    static_cast<long long>(info.st_size), static_cast<long long>(info.st_mtim.tv_sec),
                    static_cast<long long>(info.st_mtim.tv_nsec)});
    }
    return out;
}

void Container::reload() {
    const auto now = fileStamp();
    if (now.empty() || now != stamp_)
        *this = open(dbcPath_, runCodePage_);
}

void Container::loadRecords() {
    const std::string header = dbc_.readAt(0, 32);
    const std::uint64_t count = le(header, 4, 4);
    const std::uint64_t bytes = count * kDbcRecordLength;
    if (layout_.headerLength + bytes > dbc_.size())
        throw Error("File '" + name(dbcPath_) +
                    "' is damaged: it holds fewer records than its header counts.");
    const std::string all = dbc_.readAt(static_cast<std::uint64_t>(layout_.headerLength), bytes);
    records_.clear();
    raw_.clear();
    for (std::uint64_t i = 0; i < count; ++i) {
        raw_.push_back(all.substr(i * kDbcRecordLength, kDbcRecordLength));
        records_.push_back(DbcRecord::decode(raw_.back()));
    }
}

// An index left beside the container means a change was committed (or abandoned) without the
// index being put in place: the committed records decide what the index holds.
bool Container::changeLeftBehind() const {
    std::error_code error;
    return fs::exists(pendingPath(dcxPath_), error) || fs::exists(pendingPath(dbcPath_), error);
}

void Container::recoverIndex() {
    if (!changeLeftBehind() || readOnly_)
        return;
    std::error_code error;
    fs::remove(pendingPath(dbcPath_), error);
    if (error)
        throw fileError(error.value(), name(dbcPath_), "deleting");
    install(writePending(dcxPath_, indexBytes(records_, *names_)), dcxPath_);
}

void Container::requireWritable() const {
    if (readOnly_)
        // Nothing can be written into it: every further table would be refused the same way.
        throw Error("Database container '" + name(dbcPath_) + "' is read-only.", Error::Cause::Target);
}

std::vector<DbcProperty> Container::properties(const DbcRecord& record) const {
    if (record.propertyBlock == 0)
        return {};
    const auto block = dct_.read(record.propertyBlock);
    return decodeProperties({reinterpret_cast<const std::uint8_t*>(block.data.data()), block.data.size()});
}

std::vector<std::string> Container::tableNames() const {
    std::vector<std::string> out;
    for (const auto& r : records_)
        if (!r.deleted && r.objectType == "Table")
            out.push_back(names_->toUtf8(names_->lower(r.objectName)));
    return out;
}

const DbcRecord* Container::findTable(const std::string& tableName) const {
    std::string wanted;
    try {
        wanted = names_->lower(names_->toPage(tableName, "table"));
    } catch (const Error&) {
        return nullptr; // a name the container cannot hold is none of its tables
    }
    for (const auto& r : records_)
        if (!r.deleted && r.objectType == "Table" && names_->lower(r.objectName) == wanted)
            return &r;
    return nullptr;
}

fs::path Container::tableFile(const DbcRecord& table) const {
    const auto path = findProperty(properties(table), dbc_property::kPath);
    const std::string tableName = names_->toUtf8(table.objectName);
    std::string relative = path ? names_->toUtf8(path->asText()) : tableName + ".dbf";
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const fs::path rel(relative);
    bool outside = relative.empty() || rel.is_absolute() || relative.find(':') != std::string::npos;
    for (const auto& part : rel)
        outside = outside || part == "..";
    if (outside)
        throw Error("Table '" + tableName + "' lies outside the folder of database container '" +
                    name(dbcPath_) + "'.");
    const fs::path folderOfFile = folder() / rel.parent_path();
    fs::path found = findFileIgnoringCase(folderOfFile, rel.filename().string());
    return found.empty() ? folderOfFile / rel.filename() : found;
}

std::vector<std::string> Container::fieldNames(const DbcRecord& table) const {
    std::vector<const DbcRecord*> fields;
    for (const auto& r : records_)
        if (!r.deleted && r.objectType == "Field" && r.parentId == table.objectId)
            fields.push_back(&r);
    std::stable_sort(fields.begin(), fields.end(),
                     [](const DbcRecord* a, const DbcRecord* b) { return a->objectId < b->objectId; });
    std::vector<std::string> out;
    for (const auto* f : fields)
        out.push_back(names_->toUtf8(f->objectName));
    return out;
}

std::string Container::linkName() const {
    return asciiLower(name(dbcPath_));
}

std::string Container::backlink(int codePage) const {
    try {
        return CodePageText(codePage).fromUtf8(linkName(), "backlink");
    } catch (const Error&) {
        throw Error("The name of database container '" + name(dbcPath_) +
                    "' cannot be written in code page " + std::to_string(codePage) +
                    ", which its tables use; give the container a name that code page can hold.");
    }
}

std::vector<std::string> Container::uncountedTables() const {
    const std::uint64_t end =
        static_cast<std::uint64_t>(layout_.headerLength) + records_.size() * std::uint64_t{kDbcRecordLength};
    const std::string tail = dbc_.readSomeAt(end, 1 << 20);
    std::vector<std::string> out;
    for (std::size_t at = 0; at + kDbcRecordLength <= tail.size(); at += kDbcRecordLength) {
        try {
            const auto r = DbcRecord::decode(tail.substr(at, kDbcRecordLength));
            if (r.objectType == "Table" && !r.deleted)
                out.push_back(names_->toUtf8(r.objectName));
        } catch (const Error&) {
            break; // not a record written whole
        }
    }
    return out;
}

void Container::trimUncounted() {
    requireWritable();
    const std::uint64_t end =
        static_cast<std::uint64_t>(layout_.headerLength) + records_.size() * std::uint64_t{kDbcRecordLength};
    const std::uint64_t size = dbc_.size();
    if (size == end + 1 && dbc_.readAt(end, 1)[0] == static_cast<char>(kEndOfFile))
        return;
    if (size > end)
        dbc_.truncate(end);
    dbc_.writeAt(end, std::string(1, static_cast<char>(kEndOfFile)));
    stamp_ = fileStamp();
}

void Container::addTable(const std::string& tableName, const std::string& fileName,
                         const std::vector<std::string>& fieldNames,
                         const std::function<void()>& beforeCommit) {
    requireWritable();
    if (findTable(tableName) != nullptr)
        throw Error("Table '" + tableName + "' already exists in database container '" + name(dbcPath_) +
                    "'.");

    std::int32_t nextId = 0;
    for (const auto& r : records_)
        nextId = std::max(nextId, r.objectId);
    std::vector<DbcRecord> added;
    DbcRecord table;
    table.objectId = ++nextId;
    table.parentId = 1;
    table.objectType = "Table";
    table.objectName = names_->toPage(tableName, "table");
    const std::string filePath = names_->toPage(fileName, "table", false);
    added.push_back(table);
    for (const auto& field : fieldNames) {
        DbcRecord r;
        r.objectId = ++nextId;
        r.parentId = table.objectId;
        r.objectType = "Field";
        r.objectName = names_->toPage(field, "field");
        added.push_back(r);
    }
    std::vector<std::string> addedBytes;
    for (const auto& r : added)
        addedBytes.push_back(r.encode()); // checks every text fits before anything is written

    const auto property = encodeProperties(
        {DbcProperty::byte(dbc_property::kSubType, 1), DbcProperty::text(dbc_property::kPath, filePath)});
    added[0].propertyBlock = dct_.append({{kMemoText, std::string(property.begin(), property.end())}})[0];
    addedBytes[0] = added[0].encode();

    // The records go past the counted ones; only the new count makes them part of the table.
    const auto oldCount = static_cast<std::uint32_t>(records_.size());
    std::string tail;
    for (const auto& bytes : addedBytes)
        tail += bytes;
    tail += static_cast<char>(kEndOfFile);
    const std::uint64_t end =
        static_cast<std::uint64_t>(layout_.headerLength) + std::uint64_t{oldCount} * kDbcRecordLength;
    std::vector<DbcRecord> after = records_;
    after.insert(after.end(), added.begin(), added.end());
    fs::path pendingIndex;
    try {
        dbc_.writeAt(end, tail);
        pendingIndex = writePending(dcxPath_, indexBytes(after, *names_));
        beforeCommit();
    } catch (...) {
        // Uncounted records are harmless, but the table ends where it ended before.
        try {
            if (!pendingIndex.empty())
                fs::remove(pendingIndex);
            dbc_.truncate(end);
            dbc_.writeAt(end, std::string(1, static_cast<char>(kEndOfFile)));
        } catch (...) {
        }
        throw;
    }
    const auto newCount = static_cast<std::uint32_t>(after.size());
    std::string stamp(7, '\0');
    std::uint8_t date[3];
    todayForHeader(date);
    for (int i = 0; i < 3; ++i)
        stamp[i] = static_cast<char>(date[i]);
    for (int i = 0; i < 4; ++i)
        stamp[3 + i] = static_cast<char>(newCount >> (8 * i));
    dbc_.writeAt(1, stamp);

    records_ = std::move(after);
    raw_.insert(raw_.end(), addedBytes.begin(), addedBytes.end());
    stamp_ = fileStamp();
    installCommittedIndex(pendingIndex, dcxPath_);
}

fs::path Container::removeTable(const std::string& tableName) {
    requireWritable();
    const DbcRecord* table = findTable(tableName);
    if (table == nullptr)
        throw Error("Table '" + tableName + "' is not in database container '" + name(dbcPath_) + "'.");
    const fs::path file = tableFile(*table);
    const std::int32_t id = table->objectId;
    const std::string lowerName = names_->lower(table->objectName);

    std::vector<DbcRecord> after = records_;
    std::vector<std::string> afterRaw = raw_;
    for (std::size_t i = 0; i < after.size(); ++i) {
        auto& r = after[i];
        if (r.deleted)
            continue;
        bool goes = r.objectId == id || r.parentId == id;
        if (!goes && r.objectType == "Relation") {
            const auto parent = findProperty(properties(r), kPropertyParentTable);
            goes = parent && names_->lower(parent->asText()) == lowerName;
        }
        if (goes) {
            r.deleted = true;
            afterRaw[i][0] = '*';
        }
    }

    std::string image = dbc_.readAt(0, static_cast<std::size_t>(layout_.headerLength));
    std::uint8_t date[3];
    todayForHeader(date);
    for (int i = 0; i < 3; ++i)
        image[1 + i] = static_cast<char>(date[i]);
    for (const auto& bytes : afterRaw)
        image += bytes;
    image += static_cast<char>(kEndOfFile);

    const fs::path pendingTable = writePending(dbcPath_, image);
    fs::path pendingIndex;
    try {
        pendingIndex = writePending(dcxPath_, indexBytes(after, *names_));
    } catch (...) {
        std::error_code ignored;
        fs::remove(pendingTable, ignored);
        throw;
    }
    install(pendingTable, dbcPath_); // the commit
    records_ = std::move(after);
    raw_ = std::move(afterRaw);
    installCommittedIndex(pendingIndex, dcxPath_);
    // The drop has happened whatever follows: a container that cannot be opened again now is
    // read afresh by its next use (reload()), which tells what stops it.
    try {
        dbc_ = File(dbcPath_, File::Mode::ReadWrite);
        stamp_ = fileStamp();
    } catch (const Error&) {
        dbc_ = File();
        stamp_.clear();
    }
    return file;
}

} // namespace qc::foxpro
