// The one small layer every SQLite user of the tree opens its files through: the library's
// backend, the registry's hive files, kovrin-db and the front-end. One way to open (extended
// result codes, the same lock wait, the same durability settings), statements with bound values,
// a transaction that rolls back unless committed, and one error type that keeps SQLite's extended
// code, so busy, constraint, full disk and read-only are told apart by whoever reports them.
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kovrin::sqlite {

// A SQLite failure. code() is the extended result code (SQLITE_BUSY_SNAPSHOT, SQLITE_IOERR_FSYNC,
// ...); primary() its low byte. message() is SQLite's text, what() "doing: message".
class Failure : public std::runtime_error {
public:
    Failure(int code, std::string message, std::string_view doing = {}, int systemErrno = 0);
    int code() const { return code_; }
    int primary() const { return code_ & 0xff; }
    const std::string& message() const { return message_; }
    int systemErrno() const { return errno_; }  // for I/O and open failures, else 0

    bool busy() const;        // another connection holds the lock past the wait
    bool constraint() const;  // a UNIQUE, NOT NULL, CHECK or foreign key refused the change
    bool diskFull() const;
    bool readOnly() const;    // a read-only file, folder or connection
    bool notADatabase() const;

private:
    int code_;
    std::string message_;
    int errno_;
};

// How long a connection waits for another's lock, and how: it polls every 0.1 to 1 ms, at a pace
// of its own per process. SQLite's own wait polls every 100 ms once it has waited a while; a
// program that keeps writing releases and takes the lock again in far less time, so a waiter
// polling that slowly can miss every turn and fail as busy although the others make progress.
class LockWait {
public:
    explicit LockWait(int timeoutMs) : timeoutMs_(timeoutMs) {}
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }
    int timeoutMs() const { return timeoutMs_; }
    void install(sqlite3* db);  // as the connection's busy handler; the object must outlive it

private:
    static int retry(void* self, int count);
    int timeoutMs_;
    std::chrono::steady_clock::time_point since_;
};

class Connection {
public:
    // flags: SQLITE_OPEN_READONLY / READWRITE [| CREATE]. Fails with the open's Failure.
    Connection(const std::string& path, int flags, int busyTimeoutMs);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The settings every bookkeeping file is used with: write-ahead log (when writable), full sync
    // at each commit, declared foreign keys enforced.
    void useStandardSettings(bool writable);

    // Runs every statement of the text (set-up scripts, PRAGMA, transaction control).
    void exec(std::string_view sql, std::string_view doing = {});
    bool inTransaction() const;
    int64_t lastInsertRowid() const;

    sqlite3* handle() const { return db_; }
    LockWait& lockWait() { return wait_; }
    const std::string& path() const { return path_; }
    // Raises the connection's last error for result code rc.
    [[noreturn]] void fail(int rc, std::string_view doing = {}) const;
    // Closes now, reporting a failure the destructor could not.
    void close();

private:
    std::string path_;
    sqlite3* db_ = nullptr;
    LockWait wait_;
};

// One prepared statement. Binding indexes count from 1, columns from 0.
class Statement {
public:
    Statement(Connection& connection, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;

    Statement& bind(int index, int64_t value);
    Statement& bind(int index, double value);
    Statement& bind(int index, std::string_view text);
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bindNull(int index);
    // The next row: true while there is one. A failure raises Failure.
    bool step();
    // Ready to run again, the bindings kept until bound anew.
    void reset();

    int columns() const;
    std::string columnName(int column) const;
    bool isNull(int column) const;
    int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    std::string blob(int column) const;

    sqlite3_stmt* handle() const { return st_; }

private:
    Connection* connection_;
    std::string sql_;
    sqlite3_stmt* st_ = nullptr;
};

// A column of the current row as bytes: text as UTF-8, a blob as it is; NULL gives "".
std::string columnText(sqlite3_stmt* st, int column);
std::string columnBlob(sqlite3_stmt* st, int column);

// BEGIN IMMEDIATE (the write lock now) or a deferred BEGIN; rolled back at destruction unless
// committed, so a failure in between leaves nothing half-written.
class Transaction {
public:
    enum Kind { Deferred, Immediate };
    explicit Transaction(Connection& connection, Kind kind = Immediate);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& connection_;
    bool open_ = true;
};

}  // namespace kovrin::sqlite
