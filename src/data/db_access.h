#pragma once
// The database access layer: connections and recordsets with the operations, properties and
// calling order the rest of the program relies on. A connection opens either the embedded FoxPro
// engine on a folder or a database container (openFoxPro) or an ODBC data source (Open).
// Every failure throws an exception derived from std::exception whose what() is the description
// shown to the user (odbc::Error, foxpro::Error).

#include "odbc/value.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qc::odbc {
class Connection;
}
namespace qc::foxpro {
class SharedTarget;
struct InsertInto;
} // namespace qc::foxpro

namespace qc::data {

using odbc::Value;

class Recordset;

// What a failed Execute says about the statements that would follow it on the same target: the
// row's own values were refused (the next row may succeed), the table takes no more rows (in
// use, gone, damaged, its CREATE refused), or the target takes nothing more (disk full,
// read-only, access denied); or the table's memo file is at its size limit (every later row
// with a memo value is refused the same way, rows without one still go in).
enum class Refusal { Row, Table, Target, MemoLimit };
Refusal refusalOf(const std::exception& failure);
// True when a source statement failed because the server sent nothing within its time-out.
bool timedOut(const std::exception& failure);

class Connection;
// The number of rows a "SELECT * FROM ..." on the open ODBC connection gives, by a count of its
// own, without reading them; -1 for any other text. Throws as a query on the connection does.
std::int64_t countRows(Connection& connection, std::string_view source);

// Closes `connection` where it stands when it is open, for a program about to end without
// unwinding (the window closing mid-run, a Ctrl-C): a FoxPro target's tables give back the room
// they took ahead of their rows. A failure is not told; the next writer puts it right.
void closeBeforeExit(Connection& connection) noexcept;

class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Properties, set before Open.
    void setCommandTimeout(int seconds);
    int commandTimeout() const;
    // Seconds; 0 (the default) means the provider's default of 15 seconds.
    void setConnectionTimeout(int seconds);
    // Called every few milliseconds while Open waits for a server, and while a recordset of this
    // connection waits for its next row (the rows are then read on a thread of their own), so a
    // window can let its events through; none by default. Close a recordset before its connection.
    void setEventPump(std::function<void()> letEventsThrough);
    // With false, a recordset reads each row only when it moves there, taking turns with
    // whatever its caller does with the rows, and lets no events through while it waits: the
    // reference a measurement of the reading ahead compares against. True by default.
    void setReadAhead(bool readAhead);
    // The size no file of a FoxPro target may pass (2 GB, as Visual FoxPro reads them, unless
    // set lower here before Open).
    void setFileSizeLimit(std::uint64_t bytes);
    // The code page a FoxPro target writes new tables in, and tables that carry no code page
    // mark (1252 unless set here before Open).
    void setCodePage(int codePage);

    // An ODBC connection string ("Driver=...;...").
    void open(const std::string& connectionString);
    // The FoxPro engine on a folder of free tables or a database container (.dbc).
    void openFoxPro(const std::string& path);
    // The FoxPro engine on a target several connections write at once (shared_target.h), which
    // must outlive the connection; the file size limit set here applies, the code page is the
    // shared target's.
    void openFoxPro(foxpro::SharedTarget& target);
    bool isOpen() const;
    // True when the connection never opened, or its link to the server is known to be gone.
    bool lost() const;
    // Executes one statement; no result is read.
    void execute(std::string_view statement);
    // On a FoxPro connection, executes an INSERT INTO as the engine's parser reads it from its
    // text (foxpro/statement.h); other connections take statements as text only.
    void execute(const foxpro::InsertInto& statement);
    // On a FoxPro connection, throws what Execute would throw for a statement whose text or table
    // definition the engine refuses, without changing anything; other connections check nothing.
    void check(std::string_view statement) const;
    // What the FoxPro engine put right on its own since the last call, each told once; empty
    // for other connections.
    std::vector<std::string> takeNotices();
    // The tables: a recordset with the fields "TABLE_TYPE" and "TABLE_NAME" among others.
    std::unique_ptr<Recordset> openSchema();
    // Sends the query `source` to a SQL Server as soon as the rows of the recordset open now have
    // all been read, and reads its rows ahead from then on, so the next table's rows arrive while
    // this one's last rows are written; the next Recordset::open of the same text takes them,
    // failure included, and any other question to the server drops them. Nothing is sent unless
    // rows are read ahead (an event pump is set).
    void sendAhead(const std::string& source);
    void close();
    // The open ODBC connection underneath, for what the driver tells beside the recordsets (a
    // table's primary key); null on the FoxPro engine or while closed.
    const odbc::Connection* odbcConnection() const;

    struct Impl;
    Impl& impl();

  private:
    std::unique_ptr<Impl> impl_;
};

class Recordset {
  public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Opens a result: a forward-only stream of rows; RecordCount comes from a count of its own.
    void open(const std::string& source, Connection& connection);
    bool isOpen() const;

    bool eof() const;
    bool bof() const;
    // Number of rows of the result set.
    std::int64_t recordCount();
    void moveNext();
    void close();

    // Fields in column order.
    int fieldCount() const;
    const std::string& fieldName(int index) const;
    // The ADO data-type number of the column.
    int fieldType(int index) const;
    // The current row's value of the column.
    const Value& fieldValue(int index) const;
    // By name, case-insensitive; throws when there is no such field.
    const Value& fieldValue(std::string_view name) const;

    // A recordset over a producer of rows (schema listings, the FoxPro provider).
    class Source {
      public:
        virtual ~Source() = default;
        virtual int fieldCount() const = 0;
        virtual const std::string& fieldName(int index) const = 0;
        virtual int fieldType(int index) const = 0;
        // Moves to the next row; false at the end.
        virtual bool fetch() = 0;
        virtual const Value& value(int index) const = 0;
        virtual std::int64_t rowCount() = 0;
    };
    void openSource(std::unique_ptr<Source> source);

  private:
    // Throw as ADO does when the recordset is closed (or the field does not exist).
    Source& openedSource() const;
    Source& sourceWithField(int index) const;

    std::unique_ptr<Source> source_;
    bool eof_ = true;
    bool bof_ = true;
};

} // namespace qc::data
