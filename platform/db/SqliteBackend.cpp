#include "platform/db/SqliteBackend.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <list>
#include <memory>
#include <vector>

#include <fmt/format.h>
#include <sqlite3.h>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Text.h>

#include "platform/db/ColumnTypes.h"
#include "platform/db/Errors.h"
#include "platform/sqlite/Sqlite.h"

namespace kovrin::db {
namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

using sqlite::columnText;

// The value as stored, for columns without a declared type: whole numbers are Long when they fit
// 32 bits and Double otherwise.
Variant storedValue(sqlite3_stmt* s, int col) {
    switch (sqlite3_column_type(s, col)) {
    case SQLITE_NULL: return Variant::null();
    case SQLITE_INTEGER: {
        sqlite3_int64 v = sqlite3_column_int64(s, col);
        if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
        return Variant(static_cast<double>(v));
    }
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(s, col));
    default: return Variant(columnText(s, col));
    }
}

// The value in the Variant type of its column. A stored value that does not fit the column's type
// (text in a number column, say) is handed out as stored rather than lost.
Variant typedValue(sqlite3_stmt* s, int col, ColumnKind kind) {
    const int type = sqlite3_column_type(s, col);
    if (type == SQLITE_NULL) return Variant::null();
    const bool numeric = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
    switch (kind) {
    case ColumnKind::Stored:
    case ColumnKind::Long: break;
    case ColumnKind::String: return Variant(columnText(s, col));
    case ColumnKind::Boolean:
        if (numeric) return Variant(sqlite3_column_double(s, col) != 0.0);
        try {
            return Variant(CBool(Variant(columnText(s, col))));
        } catch (const Error&) {
            break;
        }
        break;
    case ColumnKind::Currency:
        if (type == SQLITE_INTEGER) {
            int64_t scaled;
            if (__builtin_mul_overflow(static_cast<int64_t>(sqlite3_column_int64(s, col)), Currency::Scale, &scaled))
                raiseError(err::Overflow);
            return Variant(Currency::fromScaled(scaled));
        }
        if (type == SQLITE_FLOAT) return Variant(Currency::fromDouble(sqlite3_column_double(s, col)));
        if (Currency c; Currency::tryParse(columnText(s, col), c)) return Variant(c);
        break;
    case ColumnKind::Date:
        if (numeric) {
            double serial = sqlite3_column_double(s, col);
            if (serial >= Date::MinSerial && serial <= Date::MaxSerial) return Variant(Date(serial));
        } else if (Date d; Date::tryParse(columnText(s, col), d)) {
            return Variant(d);
        }
        break;
    case ColumnKind::Integer:
        if (type == SQLITE_INTEGER) {
            sqlite3_int64 v = sqlite3_column_int64(s, col);
            if (v >= INT16_MIN && v <= INT16_MAX) return Variant(static_cast<int16_t>(v));
        }
        break;
    case ColumnKind::Double:
        if (numeric) return Variant(sqlite3_column_double(s, col));
        break;
    }
    return storedValue(s, col);
}


class SqliteBackend final : public Backend {
public:
    // No mutex of SQLite's own per call: a connection is used by one thread at a time (the library
    // holds its operation lock while it uses the shared one).
    SqliteBackend(const std::string& path, bool readOnly)
        : conn_(path, (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX, busyTimeoutMs()),
          db_(conn_.handle()) {}
    ~SqliteBackend() override { cache_.clear(); }  // the statements go before the connection
    SqliteBackend(const SqliteBackend&) = delete;
    SqliteBackend& operator=(const SqliteBackend&) = delete;

    void configure(const std::string& path, bool readOnly) {
        // Reading the schema is the first access to the file: this is where a file that is no
        // database shows itself.
        int rc = sqlite3_exec(db_, "PRAGMA schema_version", nullptr, nullptr, nullptr);
        if ((rc & 0xff) == SQLITE_NOTADB)
            raiseJet(ErrGeneric, fmt::format("Unrecognized database format '{}'.", path));
        if (rc != SQLITE_OK) fail(rc, false);
        try {
            conn_.useStandardSettings(!readOnly);
        } catch (const sqlite::Failure& f) {
            raiseJet(ErrGeneric, f.message());
        }
    }

    void execute(const BoundSql& sql) override {
        checkTransaction();
        Cached st(*this, sql);
        enterFor(st.get());
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) fail(rc, false);
    }

    QueryResult query(const BoundSql& sql) override {
        checkTransaction();
        Cached st(*this, sql);
        enterFor(st.get());
        QueryResult result;
        int rc = sqlite3_step(st.get());  // first, as it compiles the statement again after a schema change
        Entry& shape = st.described();
        const int columns = static_cast<int>(shape.kinds.size());
        const std::vector<ColumnKind>& kinds = shape.kinds;
        result.names = shape.names;
        result.distinctNames = shape.distinctNames;
        // Room for as many values as the shape gave last time: a list read again is not grown by
        // doubling, each step moving every value read so far.
        if (rc == SQLITE_ROW) result.values.reserve(std::max(static_cast<std::size_t>(columns) * 8, shape.lastValues));
        for (; rc == SQLITE_ROW; rc = sqlite3_step(st.get()))
            for (int c = 0; c < columns; ++c)
                result.values.push_back(typedValue(st.get(), c, kinds[static_cast<std::size_t>(c)]));
        if (rc != SQLITE_DONE) fail(rc, false);
        shape.lastValues = result.values.size();
        return result;
    }

    void beginRead() override { ++readDepth_; }

    void endRead() override {
        if (readDepth_ == 0) return;
        if (--readDepth_ == 0) endSnapshot();
    }

    void begin() override {
        checkTransaction();
        if (depth_ == 0) endSnapshot();
        // IMMEDIATE takes the write lock now, so what the transaction reads stays true until commit.
        run(depth_ == 0 ? std::string("BEGIN IMMEDIATE") : fmt::format("SAVEPOINT kovrin_{}", depth_));
        ++depth_;
    }

    void commit() override {
        if (depth_ == 0) raiseJet(ErrNoTransaction, "No transaction is active.");
        if (ended()) {
            depth_ = 0;
            raiseJet(ErrGeneric, EndedText);
        }
        run(depth_ == 1 ? std::string("COMMIT") : fmt::format("RELEASE kovrin_{}", depth_ - 1));
        --depth_;
    }

    void rollback() override {
        if (depth_ == 0) raiseJet(ErrNoTransaction, "No transaction is active.");
        if (ended()) {  // the engine has already undone it
            depth_ = 0;
            return;
        }
        if (depth_ == 1) {
            run("ROLLBACK");
        } else {
            run(fmt::format("ROLLBACK TO kovrin_{}", depth_ - 1));
            run(fmt::format("RELEASE kovrin_{}", depth_ - 1));
        }
        --depth_;
    }

    int transactionDepth() const override { return depth_; }

private:
    static constexpr const char* EndedText =
        "The transaction is no longer active: the database engine ended it after an error. Nothing of it was written.";

    // Some failures (disk full, I/O errors) make SQLite roll back the whole transaction. The
    // statements that follow would then each commit on their own, a half-written change the
    // caller believes is still undoable, so they are refused until the transaction is ended.
    bool ended() const { return depth_ > 0 && sqlite3_get_autocommit(db_); }
    void checkTransaction() const {
        if (ended()) raiseJet(ErrGeneric, EndedText);
    }

    [[noreturn]] void fail(int rc, bool preparing) const {
        std::string message = sqlite3_errmsg(db_);
        if (preparing && (rc & 0xff) == SQLITE_ERROR) {
            if (message.rfind("no such table", 0) == 0) raiseJet(ErrNoSuchTable, message);
            raiseJet(ErrSyntax, message);  // syntax, unknown column, unknown function
        }
        raiseJet(ErrGeneric, message);
    }

    sqlite3_stmt* prepareRaw(std::string_view sql, const char** tail) const {
        if (sql.size() > static_cast<std::size_t>(INT_MAX)) raiseJet(ErrGeneric, "The SQL statement is too long.");
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, tail);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(raw);
            fail(rc, true);
        }
        return raw;
    }

    // One statement. Anything but blanks, ';' and comments after it is refused.
    Statement prepare(std::string_view sql) const {
        const char* tail = nullptr;
        Statement st(prepareRaw(sql, &tail));
        if (!st)
            raiseJet(ErrSyntax, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
        const char* end = sql.data() + sql.size();
        while (tail && tail < end) {
            const char* next = nullptr;
            sqlite3_stmt* extra = nullptr;
            try {
                extra = prepareRaw(std::string_view(tail, static_cast<std::size_t>(end - tail)), &next);
            } catch (const Error&) {
                extra = nullptr;
                next = nullptr;
            }
            if (extra || !next) {
                sqlite3_finalize(extra);
                raiseJet(ErrSyntax, "Characters found after end of SQL statement.");
            }
            if (next == tail) break;
            tail = next;
        }
        return st;
    }

    // A statement of our own (transactions, settings), compiled once like any other.
    void run(const std::string& sql) {
        Cached st(*this, BoundSql{sql, {}});
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) fail(rc, false);
    }

    // A snapshot for reading is taken by the first query after beginRead (a deferred BEGIN, so
    // nothing is locked before the first read) and ends at the last endRead. A statement that
    // writes outside a write transaction ends it first and runs on its own as it always did.
    void enterFor(sqlite3_stmt* st) {
        if (depth_ > 0) return;
        if (!sqlite3_stmt_readonly(st)) {
            endSnapshot();
            return;
        }
        if (reading_ && sqlite3_get_autocommit(db_)) reading_ = false;  // the engine ended it
        if (readDepth_ > 0 && !reading_) {
            run("BEGIN");
            reading_ = true;
        }
    }

    void endSnapshot() {
        if (!reading_) return;
        reading_ = false;
        if (!sqlite3_get_autocommit(db_)) run("COMMIT");
    }

    // The values of a shape, in order. Dates go in as the ISO text every date is stored as.
    void bind(sqlite3_stmt* st, const std::vector<Variant>& params) const {
        if (sqlite3_bind_parameter_count(st) != static_cast<int>(params.size()))
            raiseJet(ErrSyntax, "The statement does not take the values given for it.");
        int i = 0;
        for (const Variant& v : params) {
            ++i;
            int rc = SQLITE_OK;
            switch (v.type()) {
            case VarType::Null:
            case VarType::Empty: rc = sqlite3_bind_null(st, i); break;
            case VarType::Boolean: rc = sqlite3_bind_int(st, i, CBool(v) ? 1 : 0); break;
            case VarType::Integer:
            case VarType::Long: rc = sqlite3_bind_int64(st, i, CLng(v)); break;
            case VarType::Double: rc = sqlite3_bind_double(st, i, CDbl(v)); break;
            case VarType::Currency: rc = sqlite3_bind_double(st, i, CCur(v).toDouble()); break;
            case VarType::Date: {
                const std::string iso = storedDateText(CDate(v).toCalendar());
                rc = sqlite3_bind_text(st, i, iso.data(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const std::string s = CStr(v);
                rc = sqlite3_bind_text(st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
                break;
            }
            }
            if (rc != SQLITE_OK) fail(rc, false);
        }
    }

    // Prepared statements kept by their shape, the most recently used first: the same lookup, list
    // or statement run again, with whatever values, skips the compilation. A statement is taken out
    // of the cache while it runs (a statement never runs inside another here, but nothing relies on
    // that) and put back reset, with its bindings cleared.
    static constexpr std::size_t CacheSize = 64;
    struct Entry {
        std::string sql;
        Statement statement;
        // The result's column names and the Variant type of each, read once per compilation (SQLite
        // compiles a statement again after a schema change, and SELECT * may then have other columns).
        bool described = false;
        int compiled = 0;
        std::vector<std::string> names;
        std::vector<ColumnKind> kinds;
        bool distinctNames = false;
        std::size_t lastValues = 0;  // the values the last run returned
    };

    class Cached {
    public:
        Cached(SqliteBackend& owner, const BoundSql& sql) : owner_(owner) {
            auto& cache = owner_.cache_;
            for (auto it = cache.begin(); it != cache.end(); ++it) {
                if (it->sql == sql.shape) {
                    taken_.splice(taken_.begin(), cache, it);  // out of the list without moving it
                    break;
                }
            }
            if (taken_.empty()) {
                Statement prepared = owner_.prepare(sql.shape);
                taken_.emplace_back();
                taken_.front().sql = sql.shape;
                taken_.front().statement = std::move(prepared);
            }
            if (!sql.params.empty()) owner_.bind(get(), sql.params);  // the destructor clears them
        }
        ~Cached() {
            sqlite3_reset(get());
            sqlite3_clear_bindings(get());
            auto& cache = owner_.cache_;
            cache.splice(cache.begin(), taken_);
            if (cache.size() > CacheSize) cache.pop_back();
        }
        Cached(const Cached&) = delete;
        Cached& operator=(const Cached&) = delete;
        sqlite3_stmt* get() const { return taken_.front().statement.get(); }

        Entry& described() {
            Entry& entry = taken_.front();
            const int compiled = sqlite3_stmt_status(get(), SQLITE_STMTSTATUS_REPREPARE, 0);
            if (!entry.described || entry.compiled != compiled) {
                entry.names.clear();
                entry.kinds.clear();
                entry.compiled = compiled;
                const int columns = sqlite3_column_count(get());
                for (int c = 0; c < columns; ++c) {
                    const char* name = sqlite3_column_name(get(), c);
                    const char* declared = sqlite3_column_decltype(get(), c);
                    entry.names.emplace_back(name ? name : "");
                    entry.kinds.push_back(columnKindOf(declared ? declared : ""));
                }
                entry.distinctNames = true;
                for (std::size_t a = 0; a < entry.names.size() && entry.distinctNames; ++a)
                    for (std::size_t b = a + 1; b < entry.names.size(); ++b)
                        if (text::equalsNoCase(entry.names[a], entry.names[b])) entry.distinctNames = false;
                entry.described = true;
            }
            return entry;
        }

    private:
        SqliteBackend& owner_;
        std::list<Entry> taken_;  // the one entry in use
    };

    sqlite::Connection conn_;  // opened with the tree's settings and lock wait; rolls back at close
    sqlite3* db_;
    int depth_ = 0;
    int readDepth_ = 0;
    bool reading_ = false;
    std::list<Entry> cache_;
};

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A database file with no bytes holds no database, unless its content still sits in the
// write-ahead log of a writer that stopped before the first checkpoint.
bool emptyFile(const std::string& path) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    if (ec || size != 0) return false;
    auto walSize = std::filesystem::file_size(path + "-wal", ec);
    return ec || walSize == 0;
}

}  // namespace

namespace {
std::atomic<int> busyTimeout{BusyTimeoutMs};
}  // namespace

void setBusyTimeoutMs(int ms) { busyTimeout = ms < 0 ? BusyTimeoutMs : ms; }
int busyTimeoutMs() { return busyTimeout; }

std::unique_ptr<Backend> openSqliteBackend(const std::string& path, bool readOnly) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        raiseJet(ErrGeneric, fmt::format("Could not find file '{}'.", path));
    if (emptyFile(path)) raiseJet(ErrGeneric, fmt::format("Unrecognized database format '{}'.", path));
    std::unique_ptr<SqliteBackend> backend;
    try {
        backend = std::make_unique<SqliteBackend>(path, readOnly);
    } catch (const sqlite::Failure&) {
        raiseJet(ErrGeneric, fmt::format("The Microsoft Jet database engine cannot open the file '{}'. It is already "
                                         "opened exclusively by another user, or you need permission to view its data.",
                                         path));
    }
    backend->configure(path, readOnly);
    return backend;
}

void createSqliteDatabase(const std::string& path) {
    if (path.empty() || fileExists(path)) raiseJet(ErrGeneric, fmt::format("The file '{}' already exists.", path));
    try {
        sqlite::Connection db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, busyTimeoutMs());
        // Switching to WAL writes the file header, so the new file is a database from the start.
        db.exec("PRAGMA journal_mode=WAL");
    } catch (const sqlite::Failure& f) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        raiseJet(ErrGeneric, fmt::format("Could not create the database '{}': {}", path, f.message()));
    }
}

}  // namespace kovrin::db
