#pragma once
// A Visual FoxPro table file (.dbf) and its memo file (.fpt): create, open, read records and
// append them so that the files are consistent after every append.

#include "foxpro/codepage.h"
#include "foxpro/database.h"
#include "foxpro/field_value.h"
#include "foxpro/file_io.h"
#include "foxpro/fpt_file.h"
#include "foxpro/table_layout.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qc::foxpro {

class FolderListing;

// Neither a table nor its memo file may pass this size: Visual FoxPro opens neither beyond it.
inline constexpr std::uint64_t kMaxFileSize = 2147483647;

// A record being assembled: the record bytes plus the memo values still to be written.
struct RecordImage {
    std::string bytes; // recordLength bytes; deletion flag at 0
    struct Memo {
        int field = 0; // index into TableLayout::fields
        std::uint32_t type = kMemoText;
        std::string data;
    };
    std::vector<Memo> memos; // their block numbers are filled in by DbfFile::append
    // Buffers of memo values already written, for the next record's values to reuse.
    std::vector<std::string> spare;

    // Empties `memos`, keeping their buffers in `spare` unless a large value made them large.
    void clearMemos() {
        for (auto& memo : memos) {
            if (memo.data.capacity() > kKeptMemoBuffer)
                continue;
            memo.data.clear();
            spare.push_back(std::move(memo.data));
        }
        memos.clear();
    }
    // A buffer for the next memo value: a spare one when there is one.
    std::string takeBuffer() {
        if (spare.empty())
            return {};
        std::string buffer = std::move(spare.back());
        spare.pop_back();
        return buffer;
    }
};

class DbfFile {
  public:
    DbfFile() = default;
    ~DbfFile() {
        try {
            close();
        } catch (const Error&) {
            // Nobody is left to tell; a connection closes its tables through close() to hear of it.
        }
    }
    DbfFile(DbfFile&&) noexcept = default;
    DbfFile& operator=(DbfFile&&) noexcept = default;

    // Writes a new table (and an empty memo file when the layout has memo fields) under the
    // temporary names of newTablePath() (table_files.h) and takes its lock of exclusive use;
    // install() then puts it in place. Fails with "File 'x.dbf' already exists." when either
    // final file is there; removes what it wrote when it fails half-way. `backlink` is the
    // container's file name relative to the table in the table's code page, or empty. `folder`
    // is the listing of the folder the table goes into. Call with the folder's change lock held.
    static DbfFile create(FolderListing& folder, const std::string& fileName, const TableLayout& layout,
                          const std::string& backlink = {});
    // Renames the files create() wrote to their final names, the memo file first, never over an
    // existing file.
    void install();
    // Deletes the files create() wrote, under whichever names they have now.
    void discard();

    // Opens an existing table; its memo file is found case-insensitively beside it.
    static DbfFile open(const std::filesystem::path& dbfPath, bool writable);

    const TableLayout& layout() const { return layout_; }
    std::uint32_t recordCount() const { return recordCount_; }
    std::string backlink() const { return backlink_; }
    const std::filesystem::path& path() const { return dbf_.path(); }
    FptFile* memo() { return memo_ ? memo_.get() : nullptr; }

    // A blank record: every field empty (NULL where the field allows it), not deleted.
    RecordImage blankRecord() const;

    // Writes the memo values, then the record and the end-of-file mark, then the record
    // count. Checks first that neither file would pass `sizeLimit`; a write that fails (a full
    // disk) is cut back, so that both files are as they were before the call.
    void append(RecordImage& record, std::uint64_t sizeLimit = kMaxFileSize);

    // Raw bytes of record `index` (0-based).
    std::string readRecord(std::uint32_t index) const;
    // Raw bytes of `count` counted records from `first` on, in one read.
    std::string readRecords(std::uint32_t first, std::uint32_t count) const;
    bool isDeleted(std::string_view record) const { return !record.empty() && record[0] == '*'; }
    void setDeleted(std::uint32_t index, bool deleted);

    // The value of field `field` in a record read by readRecord(s) (memo values are loaded); text in
    // the code page the table's mark names (setUnmarkedCodePage's where the mark names none).
    FieldValue value(std::string_view record, int field) const;
    // The code page value() reads text in when the table's mark names none that can be read
    // (0x00, or a page without a converter here); 1252 until set.
    void setUnmarkedCodePage(int codePage);

    // Rewrites the back-link area (a table joining or leaving a container).
    void setBacklink(const std::string& backlink);

    // Autoincrement fields: stores the next value in the field's descriptor.
    void setAutoNext(int field, std::uint32_t next);

    // Closes both files; a failure the system tells of only now is an Error (both are closed
    // either way).
    void close();
    // Takes the lock of exclusive use of the table (see File::lockExclusive); false when another
    // connection holds it.
    bool lockExclusive() { return dbf_.lockExclusive(); }
    // True when `path` still names the table file open here.
    bool isAt(const std::filesystem::path& path) const { return dbf_.isAt(path); }
    // Cuts off what lies past the counted records (a record written whole or in part by a
    // process that died before counting it) and puts the end-of-file mark back, and cuts the memo
    // file back to its next free block (room a dead process took ahead, or blocks it wrote
    // without counting them). Only with the lock of exclusive use held.
    void trimUncounted();
    // Both files give back the room they took ahead and take none from now on: a full disk
    // may still hold rows in it. True when there was room to give back.
    bool giveBackRoom();
    // Hands over the table file with its lock and closes the rest.
    File release();

  private:
    std::string textOf(std::string_view bytes) const;

    File dbf_;
    std::unique_ptr<FptFile> memo_;
    std::filesystem::path finalPath_; // where install() puts the table
    TableLayout layout_;
    std::uint32_t recordCount_ = 0;
    std::string backlink_;
    std::uint8_t date_[3] = {0, 0, 0};
    long long dateMinute_ = -1;
    // Kept from one append to the next for their buffers.
    std::vector<FptFile::Value> memoValues_;
    std::vector<std::uint32_t> memoBlocks_;
    bool roomAhead_ = true;                      // both files grow by a step of room at a time
    mutable std::unique_ptr<CodePageText> text_; // made when value() first reads text
    int unmarkedCodePage_ = 1252;
};

// The back-link in the header of the table file `dbf` (whatever its name, its memo file not
// needed) in UTF-8, read in the code page the table's mark names; empty when it has none or is
// no table.
std::string backlinkOf(const std::filesystem::path& dbf);

// The value of field `index` of `record`, a record of a table of `layout`, decoded as
// DbfFile::value() decodes it: a memo field's value is `memo`, the bytes its block holds (empty
// for none), and text is turned into UTF-8 by `toUtf8`. For records that live only in memory.
FieldValue decodeField(const TableLayout& layout, std::string_view record, int index, std::string memo,
                       const std::function<std::string(std::string_view)>& toUtf8);

// Record bytes helpers shared by the value encoder.
bool nullBitSet(const TableLayout& layout, std::string_view record, int bit);
// Inline: the encoder sets one for nearly every value.
inline void setNullBit(const TableLayout& layout, std::string& record, int bit, bool on) {
    if (bit < 0)
        return;
    char& byte = record[static_cast<std::size_t>(layout.nullFlagsOffset + bit / 8)];
    if (on)
        byte = static_cast<char>(byte | (1 << (bit % 8)));
    else
        byte = static_cast<char>(byte & ~(1 << (bit % 8)));
}

} // namespace qc::foxpro
