#include "frontend/BookkeepingDatabase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "frontend/EmbeddedSql.h"
#include "platform/sqlite/Sqlite.h"

namespace kovrin::frontend {
namespace fs = std::filesystem;
using namespace errors;

namespace {

[[noreturn]] void fail(int32_t number, std::string description) {
    throw Error(number, std::move(description));
}

fs::path sideFile(const fs::path& db, const char* suffix) {
    return fs::path(db.string() + suffix);
}

// One SQLite connection, closed with the object. Failures name the file and what was being done.
class Db {
public:
    Db(const fs::path& path, int flags, int busyMilliseconds = 5000) : path_(path), connection_(open(path, flags, busyMilliseconds)) {}
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Runs every statement of sql; answers the first SQLite failure code, or SQLITE_OK.
    int tryExec(std::string_view sql) {
        try {
            connection_->exec(sql);
        } catch (const sqlite::Failure& f) {
            return f.code();
        }
        return SQLITE_OK;
    }

    void exec(std::string_view sql, std::string_view doing) {
        try {
            connection_->exec(sql);
        } catch (const sqlite::Failure& f) {
            failed(f, doing);
        }
    }

    // The first column of the first row of a one-value query (a PRAGMA).
    std::string value(const char* sql, std::string_view doing) {
        try {
            sqlite::Statement statement(*connection_, sql);
            if (!statement.step()) throw sqlite::Failure(SQLITE_DONE, "no row", sql);
            return statement.text(0);
        } catch (const sqlite::Failure& f) {
            failed(f, doing);
        }
    }

    long long number(const char* sql, std::string_view doing) { return std::stoll(value(sql, doing)); }

    // Closes now and reports a failure, where the destructor could not.
    void close() {
        try {
            connection_->close();
        } catch (const sqlite::Failure& f) {
            failed(f, "close");
        }
    }

    const fs::path& path() const { return path_; }

private:
    static std::unique_ptr<sqlite::Connection> open(const fs::path& path, int flags, int busyMilliseconds) {
        try {
            return std::make_unique<sqlite::Connection>(path.string(), flags, busyMilliseconds);
        } catch (const sqlite::Failure& f) {
            fail(DatabaseFailure, fmt::format("Cannot open {}: {} (SQLite error {})", path.string(), f.message(), f.primary()));
        }
    }

    [[noreturn]] void failed(const sqlite::Failure& f, std::string_view doing) {
        if (f.notADatabase())
            fail(NotBookkeepingDatabase, fmt::format("{} is not a Kovrin bookkeeping database (not a SQLite file)", path_.string()));
        fail(DatabaseFailure, fmt::format("{}: could not {}: {} (SQLite error {})", path_.string(), doing, f.message(), f.code()));
    }

    fs::path path_;
    std::unique_ptr<sqlite::Connection> connection_;
};

// The file's schema version, after making sure the file is one of ours.
int versionOf(Db& db) {
    if (db.number("PRAGMA application_id", "read") != ApplicationId)
        fail(NotBookkeepingDatabase, fmt::format("{} is not a Kovrin bookkeeping database", db.path().string()));
    return static_cast<int>(db.number("PRAGMA user_version", "read"));
}

void requireFile(const fs::path& path) {
    if (!fs::exists(path)) fail(FileNotFound, fmt::format("The database file {} does not exist", path.string()));
}

// A new file beside the target that the database is built in; removed again unless kept.
class TempFile {
public:
    TempFile(const fs::path& folder, const fs::path& name) {
        std::string pattern = (folder / name).string() + ".new-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            fail(FileAccess, fmt::format("Cannot create a file in {}: {}", folder.string(), std::strerror(errno)));
        fchmod(fd, 0644);  // as SQLite makes a database file, not mkstemp's owner-only
        ::close(fd);
        path_ = pattern;
    }
    ~TempFile() {
        if (kept_) return;
        std::error_code ignored;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(sideFile(path_, suffix), ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const fs::path& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    fs::path path_;
    bool kept_ = false;
};

void build(const fs::path& path, bool withSampleData) {
    Db db(path, SQLITE_OPEN_READWRITE);
    if (db.value("PRAGMA journal_mode = WAL", "set WAL mode") != "wal")
        fail(DatabaseFailure, fmt::format("Could not set WAL mode on {}", path.string()));
    db.exec("PRAGMA synchronous = FULL", "set full sync");
    db.exec("BEGIN", "start writing");
    for (std::string_view step : schemaSteps()) db.exec(step, "create the schema");
    db.exec(fmt::format("PRAGMA application_id = {}; PRAGMA user_version = {}", ApplicationId, currentSchemaVersion()),
            "mark the schema version");
    if (withSampleData) db.exec(sql::sample_data_sql, "write the sample data");
    db.exec("COMMIT", "write");
    db.close();  // the last connection checkpoints the WAL into the file and removes it
    if (fs::exists(sideFile(path, "-wal")))
        fail(DatabaseFailure, fmt::format("Could not complete {}: its write-ahead log is still there", path.string()));
}

// Before a file is replaced: nobody may have it open, and its leftover journal or WAL must go,
// or SQLite would apply them to the new file that takes its name.
void clearForReplace(const fs::path& target) {
    {
        Db old(target, SQLITE_OPEN_READWRITE, 1000);
        // Leaving WAL mode needs the only connection; another program holding it open makes it busy.
        const int rc = old.tryExec("PRAGMA journal_mode = DELETE") & 0xff;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            fail(DatabaseInUse, fmt::format("{} is open in another program; close it before replacing the file", target.string()));
        // Any other failure (not a SQLite file at all) leaves nothing worth keeping.
    }
    std::error_code ignored;
    for (const char* suffix : {"-wal", "-shm", "-journal"}) fs::remove(sideFile(target, suffix), ignored);
}

void moveIntoPlace(const fs::path& from, const fs::path& to, bool replace) {
    int rc = replace ? std::rename(from.c_str(), to.c_str())
                     : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without an atomic no-replace rename: check, then rename.
        if (fs::exists(to)) errno = EEXIST;
        else rc = std::rename(from.c_str(), to.c_str());
    }
    if (rc == 0) return;
    if (errno == EEXIST) fail(FileAlreadyExists, fmt::format("{} already exists", to.string()));
    fail(FileAccess, fmt::format("Cannot move the new database into place as {}: {}", to.string(), std::strerror(errno)));
}

// Makes the rename itself durable.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

}  // namespace

std::span<const std::string_view> schemaSteps() {
    static const std::string version1 = std::string(sql::schema_sql) + std::string(sql::queries_sql);
    static const std::array<std::string_view, 4> steps = {version1, sql::upgrade_2_sql, sql::upgrade_3_sql,
                                                          sql::upgrade_4_sql};
    return steps;
}

int currentSchemaVersion() { return static_cast<int>(schemaSteps().size()); }

void createDatabase(const fs::path& path, const CreateOptions& options) {
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    if (path.filename().empty()) fail(FileAccess, fmt::format("{} does not name a file", path.string()));
    if (!fs::is_directory(folder)) fail(PathNotFound, fmt::format("The folder {} does not exist", folder.string()));
    if (fs::is_directory(path)) fail(FileAccess, fmt::format("{} is a folder, not a file", path.string()));
    if (fs::exists(path) && !options.replaceExisting)
        fail(FileAlreadyExists, fmt::format("{} already exists; a new database is made there only when replacing it is asked for", path.string()));

    TempFile temp(folder, path.filename());
    build(temp.path(), options.withSampleData);
    if (options.replaceExisting && fs::exists(path)) clearForReplace(path);
    moveIntoPlace(temp.path(), path, options.replaceExisting);
    temp.keep();
    syncFolder(folder);
}

int upgradeDatabase(const fs::path& path) { return upgradeDatabase(path, schemaSteps()); }

int upgradeDatabase(const fs::path& path, std::span<const std::string_view> steps) {
    requireFile(path);
    Db db(path, SQLITE_OPEN_READWRITE);
    const int version = versionOf(db);
    const int known = static_cast<int>(steps.size());
    if (version < 1)
        fail(NotBookkeepingDatabase, fmt::format("{} has no schema version; it is not a Kovrin bookkeeping database", path.string()));
    if (version > known)
        fail(NewerSchema, fmt::format("{} has schema version {}, newer than this program knows ({}); use a newer kovrin-db",
                                      path.string(), version, known));
    if (version == known) return version;

    // All steps or none: a failure leaves the file at its old version with its data as it was.
    db.exec("BEGIN IMMEDIATE", "start upgrading");
    try {
        for (int v = version; v < known; ++v) {
            db.exec(steps[v], fmt::format("upgrade to schema version {}", v + 1));
            db.exec(fmt::format("PRAGMA user_version = {}", v + 1), "mark the schema version");
        }
        db.exec("COMMIT", "upgrade");
    } catch (...) {
        db.tryExec("ROLLBACK");
        throw;
    }
    db.close();
    return version;
}

int schemaVersion(const fs::path& path) {
    requireFile(path);
    // Read-write where allowed (SQLite falls back to read-only by itself): a read-only connection
    // cannot clear away the WAL files it opens, and would leave them beside the file.
    Db db(path, SQLITE_OPEN_READWRITE);
    return versionOf(db);
}

}  // namespace kovrin::frontend
