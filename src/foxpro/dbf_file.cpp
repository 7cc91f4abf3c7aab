#include "foxpro/dbf_file.h"

#include "foxpro/codepage.h"
#include "foxpro/database.h"
#include "foxpro/folder_listing.h"
#include "foxpro/names.h"
#include "foxpro/table_files.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <system_error>

namespace qc::foxpro {

namespace {

std::uint32_t le32(std::string_view in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}

void putLe32(char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::filesystem::path memoPathFor(const std::filesystem::path& dbfPath) {
    auto path = dbfPath;
    return path.replace_extension(".fpt");
}

// The back-link area of a table's header, up to its first NUL.
std::string backlinkIn(const std::string& header, const TableLayout& layout) {
    const std::size_t terminator = 32 + 32 * static_cast<std::size_t>(layout.descriptorCount());
    if (terminator + 1 >= header.size())
        return {};
    std::string link = header.substr(terminator + 1);
    link.resize(std::strlen(link.c_str()));
    return link;
}

} // namespace

std::string backlinkOf(const std::filesystem::path& dbf) {
    try {
        const File file(dbf, File::Mode::Read);
        const std::string start = file.readAt(0, 32);
        const std::size_t length =
            static_cast<unsigned char>(start[8]) | (static_cast<unsigned char>(start[9]) << 8);
        const std::string header = file.readAt(0, length);
        const auto layout = TableLayout::parse(header, file.displayName());
        const int codePage = codePageOfMark(layout.codePageMark);
        std::string link = backlinkIn(header, layout);
        return isWritableCodePage(codePage) ? CodePageText(codePage).toUtf8(link) : link;
    } catch (const Error&) {
        return {};
    }
}

bool nullBitSet(const TableLayout& layout, std::string_view record, int bit) {
    if (bit < 0 || layout.nullFlagsLength == 0)
        return false;
    const auto byte =
        static_cast<unsigned char>(record[static_cast<std::size_t>(layout.nullFlagsOffset + bit / 8)]);
    return (byte & (1u << (bit % 8))) != 0;
}

DbfFile DbfFile::create(FolderListing& folder, const std::string& fileName, const TableLayout& layout,
                        const std::string& backlink) {
    const auto dbfPath = folder.folder() / fileName;
    const auto memoPath = memoPathFor(dbfPath);
    if (!folder.find(fileName).empty())
        throw Error("File '" + fileName + "' already exists.");
    if (layout.hasMemo() && !folder.find(memoPath.filename().string()).empty())
        throw Error("File '" + memoPath.filename().string() + "' already exists.");
    DbfFile table;
    table.layout_ = layout;
    table.backlink_ = backlink;
    table.finalPath_ = dbfPath;
    // The header is built before anything is written, so a back-link that does not fit leaves
    // no file behind.
    std::string bytes = layout.headerBytes(backlink, 0);
    bytes += '\x1A';
    const auto dbfTemporary = newTablePath(dbfPath);
    const auto memoTemporary = newTablePath(memoPath);
    try {
        // Left by a creation that died; the caller holds the change lock, so nobody is writing them.
        removeFile(dbfTemporary);
        removeFile(memoTemporary);
        // The memo file first: a table file written whole is the sign that the memo file was too.
        if (layout.hasMemo())
            table.memo_ = std::make_unique<FptFile>(FptFile::create(memoTemporary));
        table.dbf_ = File(dbfTemporary, File::Mode::CreateNew);
        table.dbf_.lockExclusive();
        table.dbf_.writeAt(0, bytes);
    } catch (...) {
        table.discard();
        throw;
    }
    return table;
}

void DbfFile::install() {
    if (finalPath_.empty())
        return;
    if (memo_) {
        const auto memoPath = memoPathFor(finalPath_);
        renameNoReplace(memo_->file().path(), memoPath);
        memo_->setPath(memoPath);
    }
    renameNoReplace(dbf_.path(), finalPath_);
    dbf_.setPath(finalPath_);
    finalPath_.clear();
}

void DbfFile::discard() {
    std::vector<std::filesystem::path> files;
    if (dbf_.isOpen() || !dbf_.path().empty())
        files.push_back(dbf_.path());
    if (memo_)
        files.push_back(memo_->file().path());
    memo_.reset();
    try {
        dbf_.close();
    } catch (const Error&) {
        // The failure that made the table go is the one to tell; the file goes all the same.
    }
    for (const auto& file : files) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
}

DbfFile DbfFile::open(const std::filesystem::path& dbfPath, bool writable) {
    DbfFile table;
    table.dbf_ = File(dbfPath, writable ? File::Mode::ReadWrite : File::Mode::Read);
    const std::string name = table.dbf_.displayName();
    const std::string start = table.dbf_.readSomeAt(0, 32);
    if (start.size() < 32)
        throw Error("File '" + name + "' is not a valid table (header too short).", Error::Cause::Table);
    const std::size_t headerLength =
        static_cast<unsigned char>(start[8]) | (static_cast<unsigned char>(start[9]) << 8);
    const std::string header = table.dbf_.readSomeAt(0, headerLength);
    table.layout_ = TableLayout::parse(header, name);
    table.recordCount_ = le32(header, 4);
    table.backlink_ = backlinkIn(header, table.layout_);
    const std::uint64_t needed = static_cast<std::uint64_t>(table.layout_.headerLength) +
                                 static_cast<std::uint64_t>(table.recordCount_) * table.layout_.recordLength;
    if (table.dbf_.size() < needed)
        throw Error("File '" + name + "' is not a valid table (records are missing).", Error::Cause::Table);
    bool memoFields = false;
    for (const auto& field : table.layout_.fields)
        memoFields = memoFields || field.isMemo();
    if (memoFields) {
        const std::string memoName = memoPathFor(dbfPath).filename().string();
        const auto memoPath = findFileIgnoringCase(dbfPath.parent_path(), memoName);
        if (memoPath.empty())
            throw Error("Memo file '" + memoName + "' is missing or is invalid.", Error::Cause::Table);
        table.memo_ = std::make_unique<FptFile>(FptFile::open(memoPath, writable));
    }
    return table;
}

RecordImage DbfFile::blankRecord() const {
    RecordImage image;
    // Room for the end-of-file mark append() writes with the record.
    image.bytes.reserve(static_cast<std::size_t>(layout_.recordLength) + 1);
    image.bytes.assign(static_cast<std::size_t>(layout_.recordLength), ' ');
    if (layout_.nullFlagsLength > 0)
        std::memset(image.bytes.data() + layout_.nullFlagsOffset, 0,
                    static_cast<std::size_t>(layout_.nullFlagsLength));
    for (const auto& field : layout_.fields) {
        char* at = image.bytes.data() + field.offset;
        switch (field.type) {
        case 'C':
        case 'N':
        case 'F':
        case 'D':
        case 'L':
            break;
        case 'V':
        case 'Q':
            std::memset(at, field.type == 'V' ? ' ' : 0, static_cast<std::size_t>(field.width));
            at[field.width - 1] = 0;
            setNullBit(layout_, image.bytes, field.lengthBit, true);
            break;
        default:
            std::memset(at, 0, static_cast<std::size_t>(field.width));
            break;
        }
        setNullBit(layout_, image.bytes, field.nullBit, field.nullable);
    }
    return image;
}

void DbfFile::append(RecordImage& record, std::uint64_t sizeLimit) {
    // Another program may have added rows since; never write over them.
    char count[4];
    dbf_.readHeaderAt(4, count, 4);
    recordCount_ = std::max(recordCount_, le32(std::string(count, 4), 0));
    if (record.bytes.size() != static_cast<std::size_t>(layout_.recordLength))
        throw Error("Record length does not match table '" + dbf_.displayName() + "'.");
    memoValues_.clear();
    for (const auto& memo : record.memos)
        memoValues_.push_back({memo.type, memo.data});
    if (!record.memos.empty()) {
        if (!memo_)
            throw Error("Memo file for '" + dbf_.displayName() + "' is missing or is invalid.",
                        Error::Cause::Table);
        if (memo_->sizeAfter(memoValues_) > sizeLimit)
            throw Error("File '" + memo_->file().displayName() +
                            "' is too large: it would pass 2,147,483,647 bytes. The row was not written.",
                        Error::Cause::MemoLimit);
    }
    const std::uint64_t at = static_cast<std::uint64_t>(layout_.headerLength) +
                             static_cast<std::uint64_t>(recordCount_) * layout_.recordLength;
    if (at + layout_.recordLength + 1 > sizeLimit || recordCount_ == 0xFFFFFFFFu)
        throw Error("File '" + dbf_.displayName() +
                        "' is too large: it would pass 2,147,483,647 bytes. The row was not written.",
                    Error::Cause::Table);
    bool memoWritten = false;
    bool recordTried = false;
    try {
        if (!record.memos.empty()) {
            memoBlocks_.resize(memoValues_.size());
            memo_->append(memoValues_, memoBlocks_, roomAhead_ ? sizeLimit : 0);
            memoWritten = true;
            for (std::size_t i = 0; i < memoBlocks_.size(); ++i)
                putLe32(record.bytes.data() +
                            layout_.fields[static_cast<std::size_t>(record.memos[i].field)].offset,
                        memoBlocks_[i]);
            record.clearMemos();
        }
        // Record and end-of-file mark first, the count after: until the count moves, readers see
        // the table as it was.
        record.bytes.push_back('\x1A');
        recordTried = true;
        // Through the mapping, a step of room at a time: most rows need no system call. The
        // room lies past the end-of-file mark, where readers stop, until close() gives it back.
        dbf_.writeGrowing(at, record.bytes, roomAhead_ && dbf_.lockedExclusive() ? sizeLimit : 0);
        record.bytes.pop_back();
    } catch (...) {
        if (record.bytes.size() > static_cast<std::size_t>(layout_.recordLength))
            record.bytes.pop_back();
        // Both files go back to what they were: the table ends at its last whole record with
        // its mark (the byte was there before, so writing it needs no new room), the memo file
        // at its old next free block and length.
        std::optional<Error> notPutBack;
        try {
            // Never lengthened here: a file another program cut short stays as it left it.
            if (recordTried && dbf_.size() > at) {
                dbf_.truncate(at + 1);
                dbf_.writeAt(at, "\x1A");
            }
            if (memoWritten)
                memo_->undoAppend();
        } catch (const Error& cleanup) {
            notPutBack = cleanup;
        }
        if (!notPutBack)
            throw;
        // What could not be put back lies past the counts, where readers do not look, and the
        // next writer cuts it off; the user hears of both failures.
        try {
            throw;
        } catch (const Error& failure) {
            throw withCleanupFailure(failure, *notPutBack);
        }
    }
    // The date changes at most once a day; looking it up once a minute is plenty.
    const std::time_t minute = std::time(nullptr) / 60;
    if (minute != dateMinute_) {
        todayForHeader(date_);
        dateMinute_ = minute;
    }
    char header[7];
    std::memcpy(header, date_, 3);
    putLe32(header + 3, recordCount_ + 1);
    dbf_.writeHeaderAt(1, std::string_view(header, sizeof header));
    ++recordCount_;
}

std::string DbfFile::readRecord(std::uint32_t index) const {
    return readRecords(index, 1);
}

std::string DbfFile::readRecords(std::uint32_t first, std::uint32_t count) const {
    if (first >= recordCount_ || count > recordCount_ - first)
        throw Error("Record " + std::to_string(static_cast<std::uint64_t>(first) + count) +
                    " is out of range in '" + dbf_.displayName() + "'.");
    return dbf_.readAt(static_cast<std::uint64_t>(layout_.headerLength) +
                           static_cast<std::uint64_t>(first) * layout_.recordLength,
                       static_cast<std::size_t>(count) * static_cast<std::size_t>(layout_.recordLength));
}

void DbfFile::setDeleted(std::uint32_t index, bool deleted) {
    if (index >= recordCount_)
        throw Error("Record " + std::to_string(index + 1) + " is out of range in '" + dbf_.displayName() +
                    "'.");
    dbf_.writeAt(static_cast<std::uint64_t>(layout_.headerLength) +
                     static_cast<std::uint64_t>(index) * layout_.recordLength,
                 deleted ? "*" : " ");
}

FieldValue DbfFile::value(std::string_view record, int index) const {
    const FieldLayout& field = layout_.fields.at(static_cast<std::size_t>(index));
    std::string memo;
    const bool null = field.nullBit >= 0 && nullBitSet(layout_, record, field.nullBit);
    if (field.isMemo() && !null) {
        const std::uint32_t block = le32(record, static_cast<std::size_t>(field.offset));
        if (block != 0) {
            if (!memo_)
                throw Error("Memo file for '" + dbf_.displayName() + "' is missing or is invalid.",
                            Error::Cause::Table);
            memo = memo_->read(block).data;
        }
    }
    return decodeField(layout_, record, index, std::move(memo),
                       [this](std::string_view bytes) { return textOf(bytes); });
}

FieldValue decodeField(const TableLayout& layout, std::string_view record, int index, std::string memo,
                       const std::function<std::string(std::string_view)>& toUtf8) {
    const FieldLayout& field = layout.fields.at(static_cast<std::size_t>(index));
    FieldValue out;
    if (field.nullBit >= 0 && nullBitSet(layout, record, field.nullBit))
        return out;
    const std::string raw(
        record.substr(static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.width)));
    auto trimmed = [](std::string text) {
        const auto first = text.find_first_not_of(' ');
        if (first == std::string::npos)
            return std::string();
        return text.substr(first, text.find_last_not_of(' ') - first + 1);
    };
    switch (field.type) {
    case 'C': {
        std::string text = raw;
        text.erase(text.find_last_not_of(' ') + 1);
        out.kind = field.binary ? FieldValue::Kind::Bytes : FieldValue::Kind::Text;
        out.text = field.binary ? text : toUtf8(text);
        break;
    }
    case 'V':
    case 'Q': {
        std::string bytes = raw;
        if (nullBitSet(layout, record, field.lengthBit))
            bytes.resize(std::min<std::size_t>(static_cast<unsigned char>(raw.back()), raw.size() - 1));
        const bool text = field.type == 'V' && !field.binary;
        out.kind = text ? FieldValue::Kind::Text : FieldValue::Kind::Bytes;
        out.text = text ? toUtf8(bytes) : bytes;
        break;
    }
    case 'N':
    case 'F':
        out.kind = FieldValue::Kind::Numeric;
        out.text = trimmed(raw);
        break;
    case 'D':
        out.kind = FieldValue::Kind::Date;
        out.text = trimmed(raw);
        break;
    case 'L':
        out.kind = FieldValue::Kind::Logical;
        out.text = (raw == "T" || raw == "t" || raw == "Y" || raw == "y")   ? "T"
                   : (raw == "F" || raw == "f" || raw == "N" || raw == "n") ? "F"
                                                                            : "";
        break;
    case 'I':
        out.kind = FieldValue::Kind::Integer;
        out.integer = static_cast<std::int32_t>(le32(raw, 0));
        break;
    case 'B': {
        out.kind = FieldValue::Kind::Double;
        std::memcpy(&out.number, raw.data(), 8);
        break;
    }
    case 'Y': {
        out.kind = FieldValue::Kind::Currency;
        const std::uint64_t bits = le32(raw, 0) | (static_cast<std::uint64_t>(le32(raw, 4)) << 32);
        out.integer = static_cast<std::int64_t>(bits);
        break;
    }
    case 'T':
        out.kind = FieldValue::Kind::DateTime;
        out.integer = static_cast<std::int32_t>(le32(raw, 0));
        out.milliseconds = static_cast<std::int32_t>(le32(raw, 4));
        break;
    default: { // M W G
        const bool text = field.type == 'M' && !field.binary;
        out.kind = text ? FieldValue::Kind::Text : FieldValue::Kind::Bytes;
        out.text = text ? toUtf8(memo) : std::move(memo);
        break;
    }
    }
    return out;
}

std::string DbfFile::textOf(std::string_view bytes) const {
    if (!text_) {
        const int codePage = codePageOfMark(layout_.codePageMark);
        text_ = std::make_unique<CodePageText>(isWritableCodePage(codePage) ? codePage : unmarkedCodePage_);
    }
    return text_->toUtf8(bytes);
}

void DbfFile::setUnmarkedCodePage(int codePage) {
    requireWritableCodePage(codePage);
    unmarkedCodePage_ = codePage;
    text_.reset();
}

void DbfFile::setBacklink(const std::string& backlink) {
    const std::size_t start = 32 + 32 * static_cast<std::size_t>(layout_.descriptorCount()) + 1;
    const std::size_t room = static_cast<std::size_t>(layout_.headerLength) - start;
    if (backlink.size() >= room)
        throw Error("The container path '" + backlink + "' is too long for a table header.");
    std::string area(room, '\0');
    area.replace(0, backlink.size(), backlink);
    dbf_.writeAt(start, area);
    backlink_ = backlink;
}

void DbfFile::setAutoNext(int field, std::uint32_t next) {
    char bytes[4];
    putLe32(bytes, next);
    dbf_.writeAt(32 + 32 * static_cast<std::uint64_t>(field) + 19, std::string_view(bytes, 4));
    layout_.fields.at(static_cast<std::size_t>(field)).autoNext = next;
}

void DbfFile::trimUncounted() {
    char count[4];
    dbf_.readHeaderAt(4, count, 4);
    recordCount_ = le32(std::string(count, 4), 0);
    const std::uint64_t end = static_cast<std::uint64_t>(layout_.headerLength) +
                              static_cast<std::uint64_t>(recordCount_) * layout_.recordLength;
    const std::uint64_t size = dbf_.size();
    if (memo_)
        memo_->trimPastNextFree();
    if (size == end + 1 && dbf_.readAt(end, 1)[0] == '\x1A')
        return;
    if (size > end)
        dbf_.truncate(end);
    dbf_.writeAt(end, "\x1A");
}

bool DbfFile::giveBackRoom() {
    roomAhead_ = false;
    // Only the connection that uses the table exclusively: no other one may be writing into it.
    if (!dbf_.isOpen() || !dbf_.lockedExclusive())
        return false;
    bool given = false;
    if (memo_ && memo_->file().hasGrown()) {
        memo_->releaseRoom();
        given = true;
    }
    if (dbf_.hasGrown()) {
        char count[4];
        dbf_.readHeaderAt(4, count, 4);
        recordCount_ = std::max(recordCount_, le32(std::string(count, 4), 0));
        dbf_.trimTo(static_cast<std::uint64_t>(layout_.headerLength) +
                    static_cast<std::uint64_t>(recordCount_) * layout_.recordLength + 1);
        given = true;
    }
    return given;
}

File DbfFile::release() {
    memo_.reset();
    return std::move(dbf_);
}

void DbfFile::close() {
    try {
        giveBackRoom();
    } catch (const Error&) {
        // The room stays; readers never look past the next free block, and the next writer
        // cuts it off.
    }
    const std::unique_ptr<FptFile> memo = std::move(memo_);
    std::optional<Error> failure;
    for (File* file : {memo ? &memo->file() : nullptr, &dbf_}) {
        try {
            if (file)
                file->close();
        } catch (const Error& error) {
            if (!failure)
                failure = error;
        }
    }
    if (failure)
        throw *failure;
}

} // namespace qc::foxpro
