// Connection, Command and Recordset: the database-access objects the library uses, over an
// embedded SQLite file. SQL arrives in the Jet 4.0 dialect and is translated (JetDialect.h).
//
// Only these members exist, because only these are part of the contract the library relies on:
// a query is a Recordset opened on its Source, read forward through Fields until Eof; a statement
// without result is a Command executed with CommandType 1 (text).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::db {

class Backend;  // the engine behind a connection (Backend.h)

constexpr int StateClosed = 0;
constexpr int StateOpen = 1;
constexpr int UseClient = 3;  // CursorLocation: client-side cursor, exact RecordCount
constexpr int CmdText = 1;    // CommandType: the command is SQL text

class Connection {
public:
    Connection();
    ~Connection();

    // "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;Mode=Read|Write"; the data source is a
    // SQLite file.
    std::string ConnectionString;
    int CursorLocation = 2;

    int State() const;
    // Opens the data source of ConnectionString. A missing file, or a file that is not a database,
    // fails with the provider's error (number -2147467259, source "Microsoft JET Database Engine").
    void Open();
    // Closing a closed connection is allowed.
    void Close();

    // One write transaction: the write lock is taken at BeginTrans, so what is read inside (a next
    // number) cannot change before CommitTrans. A transaction still open at Close is rolled back.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    Backend& backend();  // the open engine; error when closed

private:
    std::unique_ptr<Backend> backend_;
};

class Command {
public:
    std::string CommandText;
    int CommandType = CmdText;
    void ActiveConnection(std::shared_ptr<Connection> connection);
    // Runs CommandText on the active connection. The number of rows changed is not reported.
    void Execute();

private:
    std::shared_ptr<Connection> connection_;
};

class Recordset {
public:
    std::string Source;
    void ActiveConnection(std::shared_ptr<Connection> connection);
    int State() const;
    // Runs Source on the active connection and holds all rows (a client-side snapshot), so
    // RecordCount is exact before the first row is read.
    void Open();
    void Close();

    bool Eof() const;  // "EOF" in the automation interface; EOF is a macro in C++
    long RecordCount() const;
    void MoveNext();

    // The current row's value by column name (case-insensitive) or position. The Variant types are
    // those the Jet provider gives: Boolean, Currency, Date, Long, Double, String, Null.
    // No current row: error 3021 "Either BOF or EOF is True, or the current record has been deleted.";
    // unknown name or position: error 3265 "Item cannot be found in the collection corresponding to
    // the requested name or ordinal.".
    Variant Fields(std::string_view name) const;
    Variant Fields(int index) const;
    int FieldCount() const;
    std::string FieldName(int index) const;

private:
    std::shared_ptr<Connection> connection_;
    std::vector<std::string> names_;
    std::vector<std::vector<Variant>> rows_;
    std::size_t position_ = 0;
    bool open_ = false;
};

// Sees every SQL text exactly as the library built it (before translation), for tests.
// Process-wide; pass an empty function to remove it.
void setStatementTrace(std::function<void(std::string_view sql)> trace);

}  // namespace kovrin::db
