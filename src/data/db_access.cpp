#include "data/db_access.h"

#include "data/events_while_waiting.h"
#include "data/odbc_sources.h"
#include "foxpro/database.h"
#include "foxpro/shared_target.h"
#include "foxpro/statement.h"
#include "odbc/ado_types.h"
#include "odbc/ascii_text.h"
#include "odbc/connection.h"
#include "odbc/statement.h"

#include <cctype>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>

namespace qc::data {

namespace {
// ADO's own descriptions, so the error reports read as the user knows them.
[[noreturn]] void closedObject() {
    throw std::runtime_error("Operation is not allowed when the object is closed.");
}
[[noreturn]] void openObject() {
    throw std::runtime_error("Operation is not allowed when the object is open.");
}
[[noreturn]] void noCurrentRecord() {
    throw std::runtime_error("Either BOF or EOF is True, or the current record has been deleted. Requested "
                             "operation requires a current record.");
}
[[noreturn]] void noSuchItem() {
    throw std::out_of_range(
        "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

// "SELECT * FROM rest" counted as "SELECT COUNT(*) FROM rest"; any other text is not counted.
std::optional<std::string> countStatement(std::string_view source) {
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i])))
            ++i;
    };
    const auto word = [&](std::string_view w) {
        skipBlanks();
        if (source.size() - i < w.size() || !odbc::equalsIgnoringCase(source.substr(i, w.size()), w))
            return false;
        i += w.size();
        return true;
    };
    if (!word("SELECT") || !word("*") || !word("FROM"))
        return std::nullopt;
    if (i == source.size() || !std::isspace(static_cast<unsigned char>(source[i])))
        return std::nullopt;
    return "SELECT COUNT(*) FROM" + std::string(source.substr(i));
}

// The count of a row from the first result: COUNT(*) is an int, or a decimal for a driver that
// widens it.
std::int64_t countFrom(odbc::Statement& counter) {
    std::vector<Value> row;
    if (counter.next(row) && !row.empty()) {
        if (const auto* n = std::get_if<std::int64_t>(&row[0]))
            return *n;
        if (const auto* d = std::get_if<odbc::Decimal>(&row[0]))
            return std::stoll(d->digits);
    }
    return -1;
}

// The rows the count statement gives; -1 when there is none.
std::int64_t countOnServer(const odbc::Connection& connection, int timeout,
                           const std::optional<std::string>& counting) {
    if (!counting)
        return -1;
    odbc::Statement counter(connection);
    counter.setQueryTimeout(timeout);
    counter.execute(*counting);
    const std::int64_t count = countFrom(counter);
    counter.close();
    return count;
}

// The statement executing `source`, its rows counted first into `count`. A server that takes
// batches (`batches`: a SQL Server) is sent the count and the query as one: a table then waits for
// the server once, not twice, which is most of what a small table costs over a slow link. Other
// sources run the two in turn.
std::unique_ptr<odbc::Statement> openCounted(const odbc::Connection& connection, bool batches, int timeout,
                                             const std::string& source, std::int64_t& count) {
    const auto counting = countStatement(source);
    auto statement = std::make_unique<odbc::Statement>(connection);
    statement->setQueryTimeout(timeout);
    if (!counting || !batches) {
        count = countOnServer(connection, timeout, counting);
        statement->execute(source);
        return statement;
    }
    statement->execute(*counting + ";\n" + source);
    count = countFrom(*statement);
    if (!statement->nextResult())
        throw odbc::Error("HY000", 0, "The server answered the count of the rows but not the query.");
    return statement;
}
} // namespace

Refusal refusalOf(const std::exception& failure) {
    const auto* engine = dynamic_cast<const foxpro::Error*>(&failure);
    if (!engine)
        return Refusal::Row;
    switch (engine->cause()) {
    case foxpro::Error::Cause::Row:
        return Refusal::Row;
    case foxpro::Error::Cause::Table:
        return Refusal::Table;
    case foxpro::Error::Cause::Target:
        return Refusal::Target;
    case foxpro::Error::Cause::MemoLimit:
        return Refusal::MemoLimit;
    }
    return Refusal::Row;
}

bool timedOut(const std::exception& failure) {
    const auto* driver = dynamic_cast<const odbc::Error*>(&failure);
    return driver && driver->sqlState() == "HYT00";
}

struct Connection::Impl {
    // A query sent ahead of its Recordset::open, whose rows are read as soon as the server answers,
    // while the rows before are still being written. The worker opens its statement (so that it
    // is made and freed on the thread of the connection's others) and fills in the answer before
    // the rows say they are open.
    struct AheadQuery {
        struct Answer {
            std::int64_t count = -1;
            std::vector<odbc::Column> columns;
        };
        std::string source;
        std::shared_ptr<Answer> answer = std::make_shared<Answer>();
        std::unique_ptr<RowReadAhead> rows;
    };

    // Drops the query sent ahead, if any: its reading stops, and the server's answer is cut off
    // if it keeps the reading waiting. Anything else the connection is asked waits on the worker
    // behind that reading, which would wait for room without end once its rows fill the ring.
    void dropAhead() { ahead.reset(); }

    int commandTimeout = 30;
    int connectionTimeout = 0;
    std::function<void()> eventPump;
    bool readAhead = true;
    foxpro::Database::Limits limits;
    int codePage = 1252;
    std::unique_ptr<odbc::Connection> odbc;
    std::unique_ptr<foxpro::Database> foxpro;
    // Waits for the server and reads rows ahead, for every statement of the connection.
    WorkerThread worker;
    RowReadAhead::SpareRing spareRing;
    // The open ODBC source takes a batch of statements (a SQL Server), asked once as it opens.
    bool batches = false;
    // Goes before the worker and the spare ring, which its reading needs until it stops.
    std::unique_ptr<AheadQuery> ahead;

    bool open() const { return (odbc && odbc->isOpen()) || foxpro; }
};

std::int64_t countRows(Connection& connection, std::string_view source) {
    Connection::Impl& conn = connection.impl();
    if (!conn.odbc || !conn.odbc->isOpen())
        closedObject();
    conn.dropAhead();
    std::int64_t count = -1;
    runLettingEventsThrough(
        conn.worker, [&] { count = countOnServer(*conn.odbc, conn.commandTimeout, countStatement(source)); },
        conn.eventPump);
    return count;
}

Connection::Connection() : impl_(std::make_unique<Impl>()) {}
Connection::~Connection() = default;

Connection::Impl& Connection::impl() {
    return *impl_;
}

void Connection::setCommandTimeout(int seconds) {
    impl_->commandTimeout = seconds < 0 ? 0 : seconds;
}
int Connection::commandTimeout() const {
    return impl_->commandTimeout;
}
void Connection::setConnectionTimeout(int seconds) {
    impl_->connectionTimeout = seconds < 0 ? 0 : seconds;
}
void Connection::setEventPump(std::function<void()> letEventsThrough) {
    impl_->eventPump = std::move(letEventsThrough);
}

void Connection::setReadAhead(bool readAhead) {
    impl_->readAhead = readAhead;
}

void Connection::setFileSizeLimit(std::uint64_t bytes) {
    impl_->limits.maxFileSize = bytes;
}

void Connection::setCodePage(int codePage) {
    impl_->codePage = codePage;
}

bool Connection::isOpen() const {
    return impl_->open();
}

const odbc::Connection* Connection::odbcConnection() const {
    return impl_->odbc && impl_->odbc->isOpen() ? impl_->odbc.get() : nullptr;
}

bool Connection::lost() const {
    return !impl_->open() || (impl_->odbc && impl_->odbc->isDead());
}

void Connection::openFoxPro(const std::string& path) {
    if (impl_->open())
        openObject();
    if (path.empty())
        throw foxpro::Error("The connection string names no Data Source.");
    impl_->foxpro = foxpro::Database::open(path, impl_->limits, impl_->codePage);
}

void Connection::openFoxPro(foxpro::SharedTarget& target) {
    if (impl_->open())
        openObject();
    impl_->foxpro = target.connect(impl_->limits);
}

void Connection::open(const std::string& connectionString) {
    if (impl_->open())
        openObject();
    auto connection = std::make_unique<odbc::Connection>();
    connection->setLoginTimeout(impl_->connectionTimeout);
    connection->open(connectionString, impl_->eventPump);
    impl_->batches = connection->dbmsName() == "Microsoft SQL Server";
    impl_->odbc = std::move(connection);
}

void Connection::execute(std::string_view statement) {
    if (impl_->foxpro) {
        impl_->foxpro->execute(statement);
        return;
    }
    if (!impl_->open())
        closedObject();
    impl_->dropAhead();
    odbc::Statement stmt(*impl_->odbc);
    stmt.setQueryTimeout(impl_->commandTimeout);
    stmt.execute(statement);
}

void Connection::execute(const foxpro::InsertInto& statement) {
    if (impl_->foxpro) {
        impl_->foxpro->execute(statement);
        return;
    }
    if (!impl_->open())
        closedObject();
    throw std::logic_error("Only the FoxPro engine takes a statement as its parts.");
}

void Connection::check(std::string_view statement) const {
    if (impl_->foxpro)
        foxpro::Database::check(statement);
}

std::vector<std::string> Connection::takeNotices() {
    return impl_->foxpro ? impl_->foxpro->takeNotices() : std::vector<std::string>{};
}

std::unique_ptr<Recordset> Connection::openSchema() {
    if (!impl_->open())
        closedObject();
    auto recordset = std::make_unique<Recordset>();
    if (impl_->foxpro) {
        std::vector<std::vector<Value>> rows;
        for (auto& name : impl_->foxpro->tableNames())
            rows.push_back({odbc::Null{}, odbc::Null{}, Value(std::move(name)), Value(std::string("TABLE")),
                            odbc::Null{}});
        std::vector<int> types(tablesSchemaFieldNames().size(), odbc::adVarWChar);
        recordset->openSource(
            std::make_unique<RowsSource>(tablesSchemaFieldNames(), std::move(types), std::move(rows)));
    } else {
        std::unique_ptr<Recordset::Source> tables;
        impl_->dropAhead();
        runLettingEventsThrough(
            impl_->worker, [&] { tables = odbcTablesSchema(*impl_->odbc, impl_->commandTimeout); },
            impl_->eventPump);
        recordset->openSource(std::move(tables));
    }
    return recordset;
}

void Connection::sendAhead(const std::string& source) {
    Impl& conn = *impl_;
    if (!conn.odbc || !conn.odbc->isOpen() || !conn.batches || !conn.readAhead || !conn.eventPump)
        return;
    conn.dropAhead();
    auto query = std::make_unique<Impl::AheadQuery>();
    query->source = source;
    // Queued behind the reading of the rows before, whose statement goes as the reading ends.
    query->rows = std::make_unique<RowReadAhead>(
        conn.worker,
        [&odbc = *conn.odbc, timeout = conn.commandTimeout, source, answer = query->answer] {
            auto statement = openCounted(odbc, true, timeout, source, answer->count);
            answer->columns = statement->columns();
            return statement;
        },
        conn.eventPump, &conn.spareRing);
    conn.ahead = std::move(query);
}

void closeBeforeExit(Connection& connection) noexcept {
    try {
        if (connection.isOpen())
            connection.close();
    } catch (...) {
        // The program is ending; what stays past a table's end mark is cut off by its next writer.
    }
}

void Connection::close() {
    if (!impl_->open())
        closedObject();
    // The engine's files are closed first so that a write the system tells of only then is
    // reported; the connection is closed either way.
    const std::unique_ptr<foxpro::Database> foxpro = std::move(impl_->foxpro);
    impl_->dropAhead();
    impl_->odbc.reset();
    if (foxpro)
        foxpro->close();
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::open(const std::string& source, Connection& connection) {
    if (source_)
        openObject();
    Connection::Impl& conn = connection.impl();
    if (!conn.open())
        closedObject();
    if (!conn.odbc)
        throw std::runtime_error("The FoxPro provider answers no queries: only statements can be executed.");
    if (const std::unique_ptr<Connection::Impl::AheadQuery> ahead = std::move(conn.ahead);
        ahead && ahead->source == source) {
        ahead->rows->waitOpened();
        openSource(std::make_unique<OdbcQuerySource>(std::move(ahead->answer->columns), ahead->answer->count,
                                                     std::move(ahead->rows)));
        return;
    } // one sent for another text goes before this one is asked
    // The rows are streamed on a forward-only cursor, so the total is counted first: while a
    // result is pending, the connection takes no second statement.
    std::int64_t count = -1;
    std::unique_ptr<odbc::Statement> statement;
    runLettingEventsThrough(
        conn.worker,
        [&] { statement = openCounted(*conn.odbc, conn.batches, conn.commandTimeout, source, count); },
        conn.eventPump);
    const bool readAhead = conn.readAhead && conn.eventPump;
    openSource(std::make_unique<OdbcQuerySource>(std::move(statement), count,
                                                 readAhead ? &conn.worker : nullptr,
                                                 readAhead ? conn.eventPump : nullptr, &conn.spareRing));
}

void Recordset::openSource(std::unique_ptr<Source> source) {
    if (source_)
        openObject();
    eof_ = !source->fetch();
    bof_ = eof_;
    source_ = std::move(source);
}

bool Recordset::isOpen() const {
    return source_ != nullptr;
}

Recordset::Source& Recordset::openedSource() const {
    if (!source_)
        closedObject();
    return *source_;
}

bool Recordset::eof() const {
    openedSource();
    return eof_;
}

bool Recordset::bof() const {
    openedSource();
    return bof_;
}

std::int64_t Recordset::recordCount() {
    return openedSource().rowCount();
}

void Recordset::moveNext() {
    Source& source = openedSource();
    if (eof_)
        noCurrentRecord();
    bof_ = false;
    eof_ = !source.fetch();
}

void Recordset::close() {
    openedSource();
    source_.reset();
    eof_ = bof_ = true;
}

int Recordset::fieldCount() const {
    return openedSource().fieldCount();
}

// The source of an open recordset whose fields include `index`.
Recordset::Source& Recordset::sourceWithField(int index) const {
    Source& source = openedSource();
    if (index < 0 || index >= source.fieldCount())
        noSuchItem();
    return source;
}

const std::string& Recordset::fieldName(int index) const {
    return sourceWithField(index).fieldName(index);
}

int Recordset::fieldType(int index) const {
    return sourceWithField(index).fieldType(index);
}

const Value& Recordset::fieldValue(int index) const {
    Source& source = sourceWithField(index);
    if (eof_)
        noCurrentRecord();
    return source.value(index);
}

const Value& Recordset::fieldValue(std::string_view name) const {
    const Source& source = openedSource();
    const int n = source.fieldCount();
    for (int i = 0; i < n; ++i)
        if (odbc::equalsIgnoringCase(source.fieldName(i), name))
            return fieldValue(i);
    noSuchItem();
}

} // namespace qc::data
