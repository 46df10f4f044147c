#include "HiveFile.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RegistryStore.h"
#include "Status.h"
#include "platform/sqlite/Sqlite.h"

namespace kovrin::registry::detail {

namespace {

// Marks a file as a registry hive ("KvRg"); user_version is the layout's version.
constexpr int64_t ApplicationId = 0x4B765267;
constexpr int64_t LayoutVersion = 1;
// Several processes share the files; a writer waits this long for another's transaction.
constexpr int BusyTimeoutMs = 10000;
thread_local int writeWait = BusyTimeoutMs;

// Key paths and value names are kept folded to lower case (path, folded) beside their spelling as
// first written (name). A key's path has no leading "\"; the hive's root is the empty path and has
// no row. `parent` lets a key's subkeys be listed without scanning the whole hive.
constexpr const char* Layout = R"sql(
CREATE TABLE keys (
    path   TEXT PRIMARY KEY,
    parent TEXT NOT NULL,
    name   TEXT NOT NULL
) WITHOUT ROWID;
CREATE INDEX keys_by_parent ON keys (parent);
CREATE TABLE vals (
    key    TEXT NOT NULL,
    folded TEXT NOT NULL,
    name   TEXT NOT NULL,
    type   INTEGER NOT NULL,
    data   BLOB NOT NULL,
    PRIMARY KEY (key, folded)
) WITHOUT ROWID;
)sql";

int32_t errnoStatus(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS: return status::AccessDenied;
    case ENOSPC:
    case EDQUOT: return status::DiskFull;
    case ENOMEM: return status::OutOfMemory;
    default: return status::RegistryIoFailed;
    }
}

int32_t statusOf(int rc, int systemErrno) {
    switch (rc & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR:  // a statement of the store's own layout failed: the file is not in that layout
        return status::RegistryCorrupt;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH: return status::AccessDenied;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return status::Busy;
    case SQLITE_FULL: return status::DiskFull;
    case SQLITE_NOMEM: return status::OutOfMemory;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR: return errnoStatus(systemErrno);
    default: return status::RegistryIoFailed;
    }
}

int32_t statusOf(sqlite3* db, int rc) { return statusOf(rc, db ? sqlite3_system_errno(db) : 0); }

}  // namespace

void fail(int32_t status) { throw Failure{status}; }

int writeWaitMs() { return writeWait; }
void setWriteWaitMs(int ms) { writeWait = ms; }

// The connection the process keeps to one hive file between operations, so that an operation
// does not pay for opening the file and reading its layout each time (creating a Kovrin object
// makes eight). It serves only while it is surely on the file the store names now: the same path
// (the folder comes from the environment), the same file (device and inode) with the same change
// time as when last seen (any write, chmod or replacement moves it), in the same process (a
// connection must not be used across fork). Otherwise a fresh one is opened.
struct CachedHive {
    std::mutex mutex;  // held by the one operation using the connection
    std::unique_ptr<sqlite::Connection> connection;
    sqlite3* db = nullptr;  // connection's handle
    std::string file;
    struct stat seen {};
    pid_t pid = 0;
    // Statements prepared on db, kept by their text: Kovrin() alone runs some eight registry
    // operations, and compiling their SQL each time was most of their cost.
    std::vector<std::pair<std::string, sqlite3_stmt*>> statements;
};

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

void closeAtExit();

// Made once and never destroyed, so no operation can meet a destroyed mutex late in the exit.
const std::array<CachedHive*, 4>& allCached() {
    static const std::array<CachedHive*, 4> hives = [] {
        std::atexit(closeAtExit);
        return std::array<CachedHive*, 4>{new CachedHive, new CachedHive, new CachedHive, new CachedHive};
    }();
    return hives;
}

// Closing never writes the file (there is no checkpoint on close), so a connection may be closed
// also when its file was replaced or damaged, or when it came from the parent through fork (the
// child must not use it; closing it touches only the child's own copies).
void drop(CachedHive& cached) {
    for (auto& [sql, statement] : cached.statements) sqlite3_finalize(statement);
    cached.statements.clear();
    cached.connection.reset();
    cached.db = nullptr;
}

// At exit each kept connection is closed as each operation used to close its file: the log is
// folded into the file and removed (when no other process has the file open) - unless the file
// changed since, when it is left alone.
void closeAtExit() {
    for (CachedHive* cached : allCached()) {
        std::lock_guard lock(cached->mutex);
        struct stat now {};
        if (cached->db && cached->pid == getpid() && ::stat(cached->file.c_str(), &now) == 0 && sameFile(cached->seen, now))
            sqlite3_db_config(cached->db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
        drop(*cached);
    }
}

CachedHive& cachedHive(uint32_t hive) { return *allCached()[hive - ClassesRoot]; }


}  // namespace

}  // namespace kovrin::registry::detail

namespace kovrin::registry {

std::filesystem::path storeDirectory() {
    if (const char* dir = std::getenv("KOVRIN_REGISTRY_DIR"); dir && *dir) return dir;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::filesystem::path(config) / "kovrin" / "registry";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : ".";
    }
    return std::filesystem::path(home) / ".config" / "kovrin" / "registry";
}

std::string_view hiveName(uint32_t hive) {
    switch (hive) {
    case ClassesRoot: return "HKEY_CLASSES_ROOT";
    case CurrentUser: return "HKEY_CURRENT_USER";
    case LocalMachine: return "HKEY_LOCAL_MACHINE";
    case Users: return "HKEY_USERS";
    default: return {};
    }
}

}  // namespace kovrin::registry

namespace kovrin::registry::detail {

HiveFile::HiveFile(uint32_t hive, Access access) {
    try {
        open(hive, access);
    } catch (...) {
        finish(true);  // the destructor does not run for a constructor that fails
        throw;
    }
}

HiveFile::~HiveFile() { finish(false); }

void HiveFile::open(uint32_t hive, Access access) {
    std::string_view name = hiveName(hive);
    if (name.empty()) fail(status::InvalidHandle);
    cached_ = &cachedHive(hive);
    lock_ = std::unique_lock(cached_->mutex);
    CachedHive& cached = *cached_;
    const std::filesystem::path dir = storeDirectory();
    const std::string file = (dir / (std::string(name) + ".sqlite")).string();
    struct stat now {};
    const bool exists = ::stat(file.c_str(), &now) == 0;
    const int statErr = errno;
    if (cached.db && !(exists && cached.pid == getpid() && cached.file == file && sameFile(cached.seen, now)))
        drop(cached);
    const bool opened = !cached.db;
    if (opened) {
        // Nothing written yet: the hive is empty, and reading or deleting does not create it.
        if (!exists && (statErr == ENOENT || statErr == ENOTDIR) && access != Access::Create) return;
        int flags = SQLITE_OPEN_READWRITE;
        if (access == Access::Create) {
            std::error_code ec;
            std::filesystem::create_directories(dir, ec);
            if (ec) fail(errnoStatus(ec.value()));
            flags |= SQLITE_OPEN_CREATE;
        }
        try {
            cached.connection = std::make_unique<sqlite::Connection>(file, flags, BusyTimeoutMs);
        } catch (const sqlite::Failure& f) {
            const int err = f.systemErrno();
            if (f.primary() == SQLITE_CANTOPEN && (err == ENOENT || err == ENOTDIR) && access != Access::Create) return;
            fail(statusOf(f.code(), err));
        }
        sqlite3* db = cached.connection->handle();
        // Closing the connection never writes the file: it may be closed because the file was
        // replaced or damaged since, and its write-ahead log may by then be another file's.
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        cached.db = db;
        cached.file = file;
        cached.pid = getpid();
        if (!exists) ::stat(file.c_str(), &now);
        cached.seen = now;
    }
    db_ = cached.db;
    // Others' locks are waited for with the tree's one lock wait: a reader as long as anyone, a
    // writer as long as the calling thread allows.
    cached.connection->lockWait().setTimeoutMs(access == Access::Read ? BusyTimeoutMs : writeWait);
    if (opened) exec("PRAGMA synchronous=FULL");
    exec(access == Access::Read ? "BEGIN" : "BEGIN IMMEDIATE");
    open_transaction_ = true;
    changesBefore_ = sqlite3_total_changes64(db_);
    checkFormat(access);
}

void HiveFile::finish(bool dropConnection) noexcept {
    if (open_transaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    open_transaction_ = false;
    if (dropConnection && cached_ && lock_.owns_lock()) drop(*cached_);
    db_ = nullptr;
}

sqlite3_stmt* HiveFile::take(const std::string& sql) const {
    if (!cached_ || cached_->db != db_) return nullptr;
    auto& kept = cached_->statements;
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->first != sql) continue;
        sqlite3_stmt* statement = it->second;
        kept.erase(it);
        return statement;
    }
    return nullptr;
}

void HiveFile::give(std::string sql, sqlite3_stmt* statement) const noexcept {
    if (!statement) return;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (!cached_ || cached_->db != db_ || !db_) {
        sqlite3_finalize(statement);
        return;
    }
    try {
        cached_->statements.emplace_back(std::move(sql), statement);
    } catch (...) {
        sqlite3_finalize(statement);
    }
}

void HiveFile::commit() {
    if (!open_transaction_) return;
    // A write that changed no row (the same value again) wrote nothing: nothing to copy or note.
    const bool changed = sqlite3_total_changes64(db_) != changesBefore_;
    exec("COMMIT");
    open_transaction_ = false;
    if (!changed) return;
    // Copy the write into the hive file and empty the log at once, so the file alone holds every
    // value, as it did when each operation closed the file: a file moved aside or replaced leaves
    // no log behind that a new file could be read through. Nobody is waited for: what another
    // process still reads stays in the log until a later write.
    sqlite3_busy_handler(db_, nullptr, nullptr);
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    cached_->connection->lockWait().install(db_);  // a new file's layout goes on
    // Our own write moved the file's change time; note it, so the connection serves on.
    struct stat now {};
    if (::stat(cached_->file.c_str(), &now) == 0) cached_->seen = now;
}

void HiveFile::exec(const char* sql) {
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(statusOf(db_, rc));
}

// A file is either in the store's layout, or new (no tables, nothing set), or damaged: a file
// that is not the store's is reported, never read as empty and never overwritten.
void HiveFile::checkFormat(Access access) {
    int64_t id = 0, version = 0, objects = 0;
    {
        Statement check(*this,
                        "SELECT (SELECT application_id FROM pragma_application_id),"
                        " (SELECT user_version FROM pragma_user_version),"
                        " (SELECT count(*) FROM sqlite_master)");
        check.step();
        id = check.integer(0), version = check.integer(1), objects = check.integer(2);
    }
    if (id == ApplicationId && version == LayoutVersion) return;
    if (id != 0 || version != 0 || objects != 0) fail(status::RegistryCorrupt);
    fresh_ = true;
    if (access != Access::Create) return;
    // A new file: lay it out, then switch it to write-ahead logging (outside any transaction),
    // so readers never block the writer and every commit is seen at once. Should another process
    // hold the file at that moment the file keeps its rollback journal, which is just as safe.
    exec(Layout);
    exec(("PRAGMA application_id = " + std::to_string(ApplicationId)).c_str());
    exec(("PRAGMA user_version = " + std::to_string(LayoutVersion)).c_str());
    commit();
    sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    exec("BEGIN IMMEDIATE");
    open_transaction_ = true;
    changesBefore_ = -1;  // the new file's layout is to be noted at the end of the operation
    fresh_ = false;
}

Statement::Statement(const HiveFile& file, std::string_view sql) : db_(file.db()), file_(file), sql_(sql) {
    stmt_ = file.take(sql_);
    if (stmt_) return;
    int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) fail(statusOf(db_, rc));
}

Statement::~Statement() { file_.give(std::move(sql_), stmt_); }

Statement& Statement::bindText(int index, std::string_view text) {
    int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK) fail(statusOf(db_, rc));
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    // A zero-length blob must still be a blob, not NULL: give SQLite a valid pointer.
    int rc = sqlite3_bind_blob64(stmt_, index, bytes.empty() ? "" : bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) fail(statusOf(db_, rc));
    return *this;
}

Statement& Statement::bindInt(int index, int64_t value) {
    int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK) fail(statusOf(db_, rc));
    return *this;
}

void Statement::reset() { sqlite3_reset(stmt_); }

bool Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(statusOf(db_, rc));
}

std::string Statement::text(int column) const { return sqlite::columnText(stmt_, column); }
std::string Statement::blob(int column) const { return sqlite::columnBlob(stmt_, column); }

int64_t Statement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

int Statement::changes() const { return sqlite3_changes(db_); }

}  // namespace kovrin::registry::detail
