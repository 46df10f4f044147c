// Connection, Command and Recordset: the database-access objects the library uses, over an
// embedded SQLite file. SQL arrives in the Jet 4.0 dialect and is translated (JetDialect.h).
//
// Only these members exist, because only these are part of the contract the library relies on:
// a query is a Recordset opened on its Source, read forward through Fields until Eof; a statement
// without result is a Command executed with CommandType 1 (text).
//
// Errors are kovrin::Error. The engine's carry the source "Microsoft JET Database Engine" and the
// provider's numbers (Errors.h); the objects' own (3021, 3265, 3704, 3705, 3709) carry
// "ADODB.Connection", "ADODB.Command" or "ADODB.Recordset".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::db {

class Backend;  // the engine behind a connection (Backend.h)
struct BoundSql;

constexpr int StateClosed = 0;
constexpr int StateOpen = 1;
constexpr int UseClient = 3;  // CursorLocation: client-side cursor, exact RecordCount
constexpr int CmdText = 1;    // CommandType: the command is SQL text

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;Mode=Read|Write"; the data source is a
    // SQLite file. Mode=Read opens it read-only. A value may be put in double or single quotes to
    // hold a ';'. Another provider fails with 3706.
    std::string ConnectionString;
    int CursorLocation = 2;  // every recordset is a client-side snapshot whatever this says

    int State() const;
    // Opens the data source of ConnectionString; it must exist already (never created here). A
    // missing file, or a file that is not a database, fails with the provider's error (number
    // -2147467259, source "Microsoft JET Database Engine"). Opening an open connection: 3705.
    void Open();
    // Closing a closed connection is allowed. An open transaction is rolled back. In a child
    // process forked while the connection was open, the parent's handle is left untouched (closing
    // it there could disturb the parent's locks and log) and only forgotten.
    void Close();

    // True while the connection is open on the file that `path` names now, in the process that
    // opened it: false once that file was deleted, moved away or replaced by another, or after fork.
    bool IsOpenOn(const std::string& path) const;
    // True while the connection is open in the process that opened it (no look at the file).
    bool IsOpenHere() const;

    // One write transaction: the write lock is taken at BeginTrans, so what is read inside (a next
    // number) cannot change before CommitTrans. A transaction still open at Close is rolled back.
    // Transactions nest. CommitTrans / RollbackTrans without one: -2147168242 "No transaction is
    // active."; on a closed connection: 3704.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    Backend& backend();  // the open engine; error 3709 when closed

    // The translation of a Jet text (bindJetSql), kept for the texts run again: a lookup repeated
    // with the same values is the same text, and translating it again would cost more than running
    // it. Shared, so a statement run while another one runs may drop the cache safely.
    std::shared_ptr<const BoundSql> translation(const std::string& jet);

private:
    std::unique_ptr<Backend> backend_;
    std::unordered_map<std::string, std::shared_ptr<const BoundSql>> translations_;
    std::string path_;  // the data source opened, and its identity then
    unsigned long long device_ = 0, inode_ = 0;
    long pid_ = 0;
};

class Command {
public:
    std::string CommandText;
    int CommandType = CmdText;  // only text is supported (3001 otherwise)
    void ActiveConnection(std::shared_ptr<Connection> connection);
    // Runs CommandText, one statement, on the active connection (3709 when there is none or it is
    // closed). The number of rows changed is not reported.
    void Execute();

private:
    std::shared_ptr<Connection> connection_;
};

class Recordset {
public:
    std::string Source;
    // Binding another connection to an open recordset fails with 3705.
    void ActiveConnection(std::shared_ptr<Connection> connection);
    int State() const;
    // Runs Source on the active connection and holds all rows (a client-side snapshot), so
    // RecordCount is exact before the first row is read. A statement that returns no columns is
    // run and leaves the recordset closed. Opening an open recordset: 3705; no usable connection: 3709.
    void Open();
    // Closing a closed recordset is allowed.
    void Close();

    // Eof, RecordCount, MoveNext and the field members need an open recordset (3704 otherwise).
    bool Eof() const;  // "EOF" in the automation interface; EOF is a macro in C++
    long RecordCount() const;
    void MoveNext();   // at Eof: 3021

    // The current row's value by column name (case-insensitive) or position. The Variant types are
    // those the Jet provider gives: Boolean, Integer, Long, Double, Currency, Date, String, Null.
    // No current row: error 3021 "Either BOF or EOF is True, or the current record has been deleted.";
    // unknown name or position: error 3265 "Item cannot be found in the collection corresponding to
    // the requested name or ordinal.".
    const Variant& Fields(std::string_view name) const;
    const Variant& Fields(int index) const;
    int FieldCount() const;
    std::string FieldName(int index) const;

private:
    void requireOpen() const;

    std::shared_ptr<Connection> connection_;
    std::vector<std::string> names_;
    mutable std::vector<int> order_;  // the columns the lookups of a row found, in turn
    mutable std::size_t lookup_ = 0;  // lookups by name made in the current row
    std::vector<Variant> values_;  // the rows one after another, names_.size() values each
    bool distinctNames_ = false;  // a name found anywhere is the only column of that name
    std::size_t rowCount_ = 0;
    std::size_t position_ = 0;
    bool open_ = false;
};

// Sees every SQL text exactly as the library built it (before translation), for tests.
// Process-wide and thread-safe; pass an empty function to remove it.
void setStatementTrace(std::function<void(std::string_view sql)> trace);

}  // namespace kovrin::db
