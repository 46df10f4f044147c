#include "platform/sqlite/Sqlite.h"

#include <cerrno>
#include <climits>
#include <random>
#include <thread>

#include <sqlite3.h>
#include <unistd.h>

namespace kovrin::sqlite {
namespace {

std::string describe(std::string_view doing, const std::string& message) {
    return doing.empty() ? message : std::string(doing) + ": " + message;
}

int length(std::string_view s) {
    if (s.size() > static_cast<std::size_t>(INT_MAX)) throw Failure(SQLITE_TOOBIG, "string or blob too big");
    return static_cast<int>(s.size());
}

}  // namespace

// ---- Failure

Failure::Failure(int code, std::string message, std::string_view doing, int systemErrno)
    : std::runtime_error(describe(doing, message)), code_(code), message_(std::move(message)), errno_(systemErrno) {}

bool Failure::busy() const { return primary() == SQLITE_BUSY || primary() == SQLITE_LOCKED; }
bool Failure::constraint() const { return primary() == SQLITE_CONSTRAINT; }
bool Failure::diskFull() const { return primary() == SQLITE_FULL || (primary() == SQLITE_IOERR && errno_ == ENOSPC); }
bool Failure::readOnly() const { return primary() == SQLITE_READONLY || primary() == SQLITE_PERM; }
bool Failure::notADatabase() const { return primary() == SQLITE_NOTADB; }

// ---- LockWait

void LockWait::install(sqlite3* db) { sqlite3_busy_handler(db, &LockWait::retry, this); }

int LockWait::retry(void* self, int count) {
    auto& wait = *static_cast<LockWait*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) wait.since_ = now;
    if (now - wait.since_ >= std::chrono::milliseconds(wait.timeoutMs_)) return 0;
    std::minstd_rand pace(static_cast<unsigned>(::getpid()) * 7919u + static_cast<unsigned>(count));
    std::this_thread::sleep_for(std::chrono::microseconds(100 + pace() % 900));
    return 1;
}

// ---- Connection

Connection::Connection(const std::string& path, int flags, int busyTimeoutMs) : path_(path), wait_(busyTimeoutMs) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const int err = db_ ? sqlite3_system_errno(db_) : 0;
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw Failure(code, std::move(message), "open " + path, err);
    }
    sqlite3_extended_result_codes(db_, 1);
    wait_.install(db_);
}

Connection::~Connection() {
    if (!db_) return;
    // Closing rolls back an open transaction; said explicitly so it does not depend on that.
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
}

void Connection::useStandardSettings(bool writable) {
    if (writable) exec("PRAGMA journal_mode=WAL", "set WAL mode");
    exec("PRAGMA synchronous=FULL", "set full sync");
    exec("PRAGMA foreign_keys=ON", "enforce foreign keys");
}

void Connection::exec(std::string_view sql, std::string_view doing) {
    const char* next = sql.data();
    const char* end = next + sql.size();
    while (next < end) {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db_, next, static_cast<int>(end - next), &st, &next);
        if (rc != SQLITE_OK) fail(rc, doing);
        if (!st) continue;  // only blanks or comments were left
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) fail(rc, doing);
    }
}

bool Connection::inTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

int64_t Connection::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }

void Connection::fail(int rc, std::string_view doing) const {
    const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
    // The connection's last error belongs to rc unless something ran since; trust rc's primary code.
    const int extended = (code & 0xff) == (rc & 0xff) ? code : rc;
    throw Failure(extended, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc), doing, db_ ? sqlite3_system_errno(db_) : 0);
}

void Connection::close() {
    if (!db_) return;
    const int rc = sqlite3_close(db_);
    if (rc != SQLITE_OK) fail(rc, "close");
    db_ = nullptr;
}

// ---- Statement

Statement::Statement(Connection& connection, std::string_view sql) : connection_(&connection), sql_(sql) {
    const int rc = sqlite3_prepare_v2(connection.handle(), sql.data(), length(sql), &st_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st_);
        st_ = nullptr;
        connection.fail(rc, sql);
    }
    if (!st_) throw Failure(SQLITE_MISUSE, "no statement", sql);
}

Statement::~Statement() { sqlite3_finalize(st_); }

Statement::Statement(Statement&& other) noexcept
    : connection_(other.connection_), sql_(std::move(other.sql_)), st_(other.st_) {
    other.st_ = nullptr;
}

Statement& Statement::bind(int index, int64_t value) {
    if (const int rc = sqlite3_bind_int64(st_, index, value); rc != SQLITE_OK) connection_->fail(rc, sql_);
    return *this;
}

Statement& Statement::bind(int index, double value) {
    if (const int rc = sqlite3_bind_double(st_, index, value); rc != SQLITE_OK) connection_->fail(rc, sql_);
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    if (const int rc = sqlite3_bind_text(st_, index, text.data(), length(text), SQLITE_TRANSIENT); rc != SQLITE_OK)
        connection_->fail(rc, sql_);
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    const int rc = sqlite3_bind_blob(st_, index, bytes.empty() ? "" : bytes.data(), length(bytes), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) connection_->fail(rc, sql_);
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (const int rc = sqlite3_bind_null(st_, index); rc != SQLITE_OK) connection_->fail(rc, sql_);
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(st_);
    connection_->fail(rc, sql_);
}

void Statement::reset() { sqlite3_reset(st_); }

int Statement::columns() const { return sqlite3_column_count(st_); }

std::string Statement::columnName(int column) const {
    const char* name = sqlite3_column_name(st_, column);
    return name ? name : "";
}

bool Statement::isNull(int column) const { return sqlite3_column_type(st_, column) == SQLITE_NULL; }
int64_t Statement::integer(int column) const { return sqlite3_column_int64(st_, column); }
double Statement::real(int column) const { return sqlite3_column_double(st_, column); }

std::string Statement::text(int column) const { return columnText(st_, column); }
std::string Statement::blob(int column) const { return columnBlob(st_, column); }

std::string columnText(sqlite3_stmt* st, int column) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, column))) : std::string();
}

std::string columnBlob(sqlite3_stmt* st, int column) {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(st, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, column))) : std::string();
}

// ---- Transaction

Transaction::Transaction(Connection& connection, Kind kind) : connection_(connection) {
    connection_.exec(kind == Immediate ? "BEGIN IMMEDIATE" : "BEGIN", "begin a transaction");
}

Transaction::~Transaction() {
    if (open_ && connection_.inTransaction())
        sqlite3_exec(connection_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    connection_.exec("COMMIT", "commit");
    open_ = false;
}

}  // namespace kovrin::sqlite
