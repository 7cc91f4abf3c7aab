#pragma once
// The Database that executes statements against a Catalog, keeping the tables it appends to
// open between calls. Nothing is held only in memory: every call leaves the files complete.
// A table this connection created, dropped or appended to is used exclusively: its lock
// (File::lockExclusive) is held until the connection closes, so that another connection, in
// this process or another, neither writes into it, nor drops or re-creates it meanwhile.

#include "foxpro/catalog.h"
#include "foxpro/codepage.h"
#include "foxpro/database.h"
#include "foxpro/dbf_file.h"
#include "foxpro/statement.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace qc::foxpro {

class StatementExecutor : public Database {
  public:
    // New tables are written in `codePage`, as are tables marked with none (0x00).
    StatementExecutor(std::unique_ptr<Catalog> catalog, const Limits& limits, int codePage);

    void execute(std::string_view statement) override;
    void execute(const InsertInto& statement) override;
    std::vector<std::string> tableNames() override;
    void close() override;
    std::vector<std::string> takeNotices() override { return catalog_->takeNotices(); }

  private:
    struct OpenTable {
        DbfFile file;
        std::vector<std::string> names; // as INSERT field lists may write them
        std::vector<int> writable;      // the fields an INSERT without a field list fills
        RecordImage blank;
        RecordImage work;
        bool indexed = false; // has a structural index file
        int codePage = 0;     // the page its mark names; 0 for a mark FoxPro does not know
        // The table's converter, kept for every row; none when the engine cannot write its page.
        std::optional<CodePageText> text;
    };

    // Executes a parsed statement, its failures told as SQL errors naming its table.
    template <typename Parsed> void executeParsed(const Parsed& statement);
    void create(const CreateTable& statement);
    void drop(const DropTable& statement);
    void insert(const InsertInto& statement);
    OpenTable& openTable(const std::string& name);
    // Keeps `file` open under `name` for the statements that follow.
    OpenTable& keep(const std::string& name, const std::filesystem::path& path, DbfFile file);
    // Closes the table here, if open, so that the next statement reads its files afresh.
    void forget(const std::string& name);
    // The memo files of the open tables give back the room they took ahead and take none from
    // now on; true when any had room to give.
    bool giveBackRoom();

    std::unique_ptr<Catalog> catalog_;
    Limits limits_;
    int codePage_;
    std::map<std::string, std::unique_ptr<OpenTable>> open_; // by lower-case name
    OpenTable* recent_ = nullptr; // the table the last statement used, under the name it gave
    std::string recentName_;
    // Kept from statement to statement for their buffers.
    Statement parsed_;
    std::vector<int> targets_;
    std::vector<std::pair<int, std::uint32_t>> counters_;
};

} // namespace qc::foxpro
