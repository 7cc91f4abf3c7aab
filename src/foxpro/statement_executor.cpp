#include "foxpro/statement_executor.h"

#include "foxpro/file_io.h"
#include "foxpro/names.h"
#include "foxpro/table_files.h"
#include "foxpro/value_encoder.h"

#include <new>
#include <optional>
#include <system_error>
#include <type_traits>

namespace qc::foxpro {

StatementExecutor::StatementExecutor(std::unique_ptr<Catalog> catalog, const Limits& limits, int codePage)
    : catalog_(std::move(catalog)), limits_(limits), codePage_(codePage) {}

std::vector<std::string> StatementExecutor::tableNames() {
    return catalog_->tableNames();
}

namespace {
// The table a statement works on, named in its failure so that a report tells which table
// refused what.
const std::string& tableOf(const Statement& statement) {
    return std::visit([](const auto& s) -> const std::string& { return s.table; }, statement);
}

const std::string& tableOf(const InsertInto& statement) {
    return statement.table;
}

std::string withTable(const char* message, const std::string& table) {
    return std::string("SQL error: ") + message + " (table " + table + ")";
}

// Parses into `statement`; a statement that does not parse fails as an SQL error.
void parseSql(std::string_view text, Statement& statement) {
    try {
        parseStatement(text, statement);
    } catch (const std::exception& error) {
        throw Error(std::string("SQL error: ") + error.what());
    }
}
} // namespace

void StatementExecutor::close() {
    recent_ = nullptr;
    std::optional<Error> failure;
    for (auto& [name, table] : open_) {
        try {
            table->file.close();
        } catch (const Error& error) {
            if (!failure)
                failure = Error(withTable(error.what(), name), error.cause());
        }
    }
    open_.clear();
    if (failure)
        throw *failure;
}

void StatementExecutor::execute(std::string_view text) {
    parseSql(text, parsed_);
    executeParsed(parsed_);
}

void StatementExecutor::execute(const InsertInto& statement) {
    executeParsed(statement);
}

template <typename Parsed> void StatementExecutor::executeParsed(const Parsed& statement) {
    const std::string& table = tableOf(statement);
    try {
        if constexpr (std::is_same_v<Parsed, InsertInto>) {
            insert(statement);
        } else if (const auto* create = std::get_if<CreateTable>(&statement)) {
            this->create(*create);
        } else if (const auto* drop = std::get_if<DropTable>(&statement)) {
            this->drop(*drop);
        } else {
            insert(std::get<InsertInto>(statement));
        }
    } catch (const std::bad_alloc&) {
        throw Error(withTable("There is not enough memory to complete this operation.", table),
                    Error::Cause::Target);
    } catch (const Error& error) {
        throw Error(withTable(error.what(), table), error.cause());
    } catch (const std::system_error& error) {
        // Failures of the file system library carry the system's error number.
        throw Error(withTable(error.what(), table), fileError(error.code().value(), "", "").cause());
    } catch (const std::exception& error) {
        throw Error(withTable(error.what(), table), Error::Cause::Table);
    }
}

void Database::check(std::string_view text) {
    Statement parsed;
    parseSql(text, parsed);
    const std::string& table = tableOf(parsed);
    try {
        checkTableName(table);
        if (const auto* create = std::get_if<CreateTable>(&parsed)) {
            // The layout either catalog would write.
            TableLayout::forStatementNames(fieldSpecs(*create));
            if (create->codePage)
                requireWritableCodePage(*create->codePage);
        }
    } catch (const Error& error) {
        throw Error(withTable(error.what(), table), error.cause());
    }
}

void StatementExecutor::create(const CreateTable& statement) {
    checkTableName(statement.table);
    const int codePage = statement.codePage.value_or(codePage_);
    requireWritableCodePage(codePage);
    catalog_->beginWriting();
    if (catalog_->findTable(statement.table))
        throw Error("File '" + tableFileName(statement.table, ".dbf") + "' already exists.");
    forget(statement.table);
    DbfFile table = catalog_->createTable(statement.table, fieldSpecs(statement), codePage);
    const auto path = table.path();
    keep(statement.table, path, std::move(table));
}

void StatementExecutor::drop(const DropTable& statement) {
    checkTableName(statement.table);
    catalog_->beginWriting();
    // A table another connection uses is not dropped under it; one this connection uses keeps
    // its lock through the drop.
    File held;
    const auto found = open_.find(asciiLower(statement.table));
    if (found != open_.end())
        held = found->second->file.release();
    forget(statement.table);
    // A container may list a table whose file is gone (deleted by hand): there is nothing to lock,
    // and the drop takes the listing away so that the table can be made again.
    if (const auto path = catalog_->findTable(statement.table); path && fileExists(*path)) {
        catalog_->requireOwnTable(*path);
        if (!held.isAt(*path)) {
            held = File(*path, File::Mode::ReadWrite);
            if (!held.lockExclusive() || !held.isAt(*path))
                throw Error("File '" + path->filename().string() + "' is in use.", Error::Cause::Table);
        }
    }
    catalog_->dropTable(statement.table);
}

void StatementExecutor::forget(const std::string& name) {
    recent_ = nullptr;
    open_.erase(asciiLower(name));
}

StatementExecutor::OpenTable& StatementExecutor::openTable(const std::string& name) {
    // Rows come table by table: the table of the statement before is found without a lookup.
    if (recent_ && name == recentName_)
        return *recent_;
    const std::string key = asciiLower(name);
    auto found = open_.find(key);
    if (found != open_.end()) {
        recent_ = found->second.get();
        recentName_ = name;
        return *recent_;
    }
    catalog_->beginWriting();
    const auto path = catalog_->findTable(name);
    if (!path)
        throw Error("File '" + tableFileName(name, ".dbf") + "' does not exist.", Error::Cause::Table);
    catalog_->requireOwnTable(*path);
    DbfFile file = DbfFile::open(*path, true);
    // The name must still lead to the file locked: a drop may have come in between.
    if (!file.lockExclusive() || !file.isAt(*path))
        throw Error("File '" + path->filename().string() + "' is in use.", Error::Cause::Table);
    file.trimUncounted();
    return keep(name, *path, std::move(file));
}

StatementExecutor::OpenTable& StatementExecutor::keep(const std::string& name,
                                                      const std::filesystem::path& path, DbfFile file) {
    auto table = std::make_unique<OpenTable>();
    table->file = std::move(file);
    table->names = catalog_->fieldNames(name, table->file.layout());
    table->blank = table->file.blankRecord();
    const auto& fields = table->file.layout().fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].autoIncrement)
            table->writable.push_back(static_cast<int>(i));
    table->work.bytes.reserve(table->blank.bytes.size() + 1);
    const std::uint8_t mark = table->file.layout().codePageMark;
    table->codePage = mark == 0x00 ? codePage_ : codePageOfMark(mark);
    if (isWritableCodePage(table->codePage))
        table->text.emplace(table->codePage);
    // Rows added behind the back of a structural index would be missing from it, and FoxPro
    // would then find wrong rows through it without any warning.
    auto index = path;
    table->indexed = (table->file.layout().tableFlags & 0x01) != 0 &&
                     !catalog_->findBeside(path, index.replace_extension(".cdx").filename().string()).empty();
    const std::string key = asciiLower(name);
    open_.erase(key);
    recent_ = open_.emplace(key, std::move(table)).first->second.get();
    recentName_ = name;
    return *recent_;
}

void StatementExecutor::insert(const InsertInto& statement) {
    // The table of the statement before had its name checked then.
    if (!recent_ || statement.table != recentName_)
        checkTableName(statement.table);
    OpenTable& table = openTable(statement.table);
    const TableLayout& layout = table.file.layout();
    if (table.indexed)
        throw Error(
            "Table '" + table.file.path().filename().string() +
                "' has a structural index (.cdx), which this engine cannot update; the row was not written.",
            Error::Cause::Table);
    const int fieldCount = static_cast<int>(layout.fields.size());

    // Which field each value goes to.
    const std::vector<int>& targets = statement.fields.empty() ? table.writable : targets_;
    if (!statement.fields.empty()) {
        targets_.clear();
        std::vector<bool> given(static_cast<std::size_t>(fieldCount), false);
        for (const auto& name : statement.fields) {
            int match = -1;
            for (int i = 0; i < fieldCount && match < 0; ++i)
                if (equalsIgnoreCase(table.names[static_cast<std::size_t>(i)], name) ||
                    equalsIgnoreCase(layout.fields[static_cast<std::size_t>(i)].name, name))
                    match = i;
            if (match < 0)
                throw Error("Column '" + name + "' is not found.");
            if (given[static_cast<std::size_t>(match)])
                throw Error("Field " + layout.fields[static_cast<std::size_t>(match)].name +
                            " is named twice.");
            if (layout.fields[static_cast<std::size_t>(match)].autoIncrement)
                throw Error("Field " + layout.fields[static_cast<std::size_t>(match)].name +
                            " is read-only: it is numbered automatically.");
            given[static_cast<std::size_t>(match)] = true;
            targets_.push_back(match);
        }
    }
    if (statement.values.size() != targets.size())
        throw Error(statement.values.size() < targets.size()
                        ? "Not enough values for the fields of the table."
                        : "Too many values for the fields of the table.");

    // Text is never written in a page other than the one the table's mark names.
    if (!table.text) {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const char type = layout.fields[static_cast<std::size_t>(targets[i])].type;
            if ((type == 'C' || type == 'V' || type == 'M') &&
                statement.values[i].kind == Literal::Kind::Text)
                throw Error("Table '" + table.file.path().filename().string() + "' uses " +
                                (table.codePage ? "code page " + std::to_string(table.codePage)
                                                : "an unknown code page") +
                                ", which this engine cannot write; text cannot be added to it.",
                            Error::Cause::Table);
        }
    }
    // The work record keeps its buffers from row to row.
    RecordImage& record = table.work;
    std::vector<std::pair<int, std::uint32_t>>& counters = counters_;
    const auto encode = [&] {
        encodeRecord(layout, targets, statement.values, table.blank, record,
                     table.text ? &*table.text : nullptr);
        counters.clear();
        for (int i = 0; i < fieldCount; ++i) {
            const auto& field = layout.fields[static_cast<std::size_t>(i)];
            if (!field.autoIncrement)
                continue;
            char* at = record.bytes.data() + field.offset;
            for (int b = 0; b < 4; ++b)
                at[b] = static_cast<char>((field.autoNext >> (8 * b)) & 0xFF);
            setNullBit(layout, record.bytes, field.nullBit, false);
            counters.emplace_back(i, field.autoNext + field.autoStep);
        }
    };
    encode();
    // A failing append leaves the files as they were, and the table stays in use here.
    try {
        table.file.append(record, limits_.maxFileSize);
    } catch (const Error& error) {
        // A disk that cannot take the row may take it once the memo files give back the room
        // they took ahead, which would otherwise be reported as full long before it is.
        if (error.cause() != Error::Cause::Target || !giveBackRoom())
            throw;
        encode();
        table.file.append(record, limits_.maxFileSize);
    }
    for (const auto& [field, next] : counters)
        table.file.setAutoNext(field, next);
}

bool StatementExecutor::giveBackRoom() {
    bool given = false;
    for (auto& [name, table] : open_)
        given = table->file.giveBackRoom() || given;
    return given;
}

} // namespace qc::foxpro
