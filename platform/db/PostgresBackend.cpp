#include "platform/db/PostgresBackend.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>
#include <libpq-fe.h>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Text.h>

#include "platform/db/ColumnTypes.h"
#include "platform/db/Errors.h"
#include "platform/db/PostgresDialect.h"
#include "platform/db/SqliteBackend.h"

namespace kovrin::db {
namespace {

// Type ids of PostgreSQL's built-in types (pg_type.oid; fixed by the server's catalogue).
constexpr Oid BoolOid = 16, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, Float4Oid = 700, Float8Oid = 701,
              DateOid = 1082, TimestampOid = 1114, NumericOid = 1700;

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

std::string firstLine(const char* text) {
    std::string s = text ? text : "";
    if (auto nl = s.find('\n'); nl != std::string::npos) s.erase(nl);
    return text::trim(s);
}

bool parseInt(std::string_view s, long long& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool parseDouble(std::string_view s, double& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// A value of a column without a declared type, by the type the server gives it: whole numbers Long
// when they fit 32 bits and Double otherwise, as the SQLite engine gives them.
Variant storedValue(std::string_view s, Oid type) {
    long long whole = 0;
    double real = 0;
    switch (type) {
    case BoolOid: return Variant(s == "t");
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case NumericOid:
        if (parseInt(s, whole)) {
            if (whole >= INT32_MIN && whole <= INT32_MAX) return Variant(static_cast<int32_t>(whole));
            return Variant(static_cast<double>(whole));
        }
        [[fallthrough]];
    case Float4Oid:
    case Float8Oid:
        if (parseDouble(s, real)) return Variant(real);
        break;
    case DateOid:
    case TimestampOid:
        if (Date d; Date::tryParse(s, d)) return Variant(d);
        break;
    }
    return Variant(std::string(s));
}

// The value in the Variant type of its column's declared type; a value the type cannot carry is
// handed out as the server gives it rather than lost.
Variant typedValue(std::string_view s, ColumnKind kind, Oid type) {
    long long whole = 0;
    double real = 0;
    switch (kind) {
    case ColumnKind::Stored: break;
    case ColumnKind::String: return Variant(std::string(s));
    case ColumnKind::Boolean:
        if (type == BoolOid) return Variant(s == "t");
        if (parseDouble(s, real)) return Variant(real != 0.0);
        break;
    case ColumnKind::Currency:
        if (Currency c; Currency::tryParse(s, c)) return Variant(c);
        break;
    case ColumnKind::Date:
        if (Date d; Date::tryParse(s, d)) return Variant(d);
        break;
    case ColumnKind::Integer:
        if (parseInt(s, whole) && whole >= INT16_MIN && whole <= INT16_MAX) return Variant(static_cast<int16_t>(whole));
        break;
    case ColumnKind::Long:
        if (parseInt(s, whole) && whole >= INT32_MIN && whole <= INT32_MAX) return Variant(static_cast<int32_t>(whole));
        break;
    case ColumnKind::Double:
        if (parseDouble(s, real)) return Variant(real);
        break;
    }
    return storedValue(s, type);
}

// A bound value as text, with the type the server should read it as (0: as a quoted literal
// would be read, from where it stands).
struct Parameter {
    Oid type = 0;
    bool null = false;
    std::string text;
};

Parameter parameterOf(const Variant& v) {
    switch (v.type()) {
    case VarType::Empty:
    case VarType::Null: return {0, true, {}};
    case VarType::Boolean: return {Int4Oid, false, CBool(v) ? "1" : "0"};
    case VarType::Integer:
    case VarType::Long: return {Int8Oid, false, std::to_string(CLng(v))};
    case VarType::Double: return {Float8Oid, false, fmt::format("{}", CDbl(v))};
    case VarType::Currency: return {NumericOid, false, CCur(v).toString()};
    case VarType::Date: {
        return {TimestampOid, false, storedDateText(CDate(v).toCalendar())};
    }
    default: return {0, false, CStr(v)};
    }
}

class PostgresBackend final : public Backend {
public:
    PostgresBackend(std::string uri, bool readOnly) : uri_(std::move(uri)), readOnly_(readOnly) {
        conn_ = PQconnectdb(uri_.c_str());
        try {
            if (PQstatus(conn_) != CONNECTION_OK) connectFailed();
            setUpSession();
        } catch (...) {
            PQfinish(conn_);  // the destructor does not run for a constructor that throws
            throw;
        }
    }
    // Closing the session rolls back whatever transaction it still has open.
    ~PostgresBackend() override { PQfinish(conn_); }
    PostgresBackend(const PostgresBackend&) = delete;
    PostgresBackend& operator=(const PostgresBackend&) = delete;

    // A write outside a write transaction ends the read snapshot first and runs on its own, so a
    // read never holds back a write (and a read-only snapshot would refuse it).
    void execute(const BoundSql& sql) override {
        if (readOpen_ && depth_ == 0) endSnapshot();
        run(sql);
    }

    QueryResult query(const BoundSql& sql) override {
        Result r = run(sql);
        QueryResult result;
        const int columns = PQnfields(r.get());
        const int rows = PQntuples(r.get());
        std::vector<ColumnKind> kinds;
        std::vector<Oid> types;
        for (int c = 0; c < columns; ++c) {
            result.names.emplace_back(PQfname(r.get(), c));
            kinds.push_back(declaredKind(PQftable(r.get(), c), PQftablecol(r.get(), c)));
            types.push_back(PQftype(r.get(), c));
        }
        result.values.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(r.get(), row, c)) {
                    result.values.push_back(Variant::null());
                    continue;
                }
                const std::string_view text(PQgetvalue(r.get(), row, c), static_cast<std::size_t>(PQgetlength(r.get(), row, c)));
                result.values.push_back(typedValue(text, kinds[static_cast<std::size_t>(c)], types[static_cast<std::size_t>(c)]));
            }
        return result;
    }

    void begin() override {
        if (depth_ > 0) {
            checkTransaction();
            simple(fmt::format("SAVEPOINT kovrin_{}", depth_));
            ++depth_;
            return;
        }
        if (readOpen_) endSnapshot();  // a write inside a read sees the latest data, as it must
        reconnectIfLost();
        const std::string start = fmt::format("BEGIN; SELECT pg_advisory_xact_lock({})", PostgresWriteLock);
        Result r(PQexec(conn_, start.c_str()));
        if (!succeeded(r.get()) && lost()) {  // the server went away while the session was idle
            reconnect();
            r.reset(PQexec(conn_, start.c_str()));
        }
        if (!succeeded(r.get())) {
            Result end(PQexec(conn_, "ROLLBACK"));
            fail(r.get());
        }
        depth_ = 1;
    }

    void commit() override {
        if (depth_ == 0) raiseJet(ErrNoTransaction, "No transaction is active.");
        if (ended()) {
            abandon();
            raiseJet(ErrGeneric, EndedText);
        }
        if (depth_ > 1) {
            simple(fmt::format("RELEASE SAVEPOINT kovrin_{}", depth_ - 1));
            --depth_;
            return;
        }
        Result r(PQexec(conn_, "COMMIT"));
        depth_ = 0;
        if (!succeeded(r.get())) fail(r.get());
        // COMMIT of a transaction that failed meanwhile answers ROLLBACK rather than an error.
        if (std::strcmp(PQcmdStatus(r.get()), "COMMIT") != 0) raiseJet(ErrGeneric, EndedText);
    }

    void rollback() override {
        if (depth_ == 0) raiseJet(ErrNoTransaction, "No transaction is active.");
        const PGTransactionStatusType status = PQtransactionStatus(conn_);
        if (lost() || status == PQTRANS_IDLE || status == PQTRANS_UNKNOWN) {  // already gone, nothing written
            depth_ = 0;
            return;
        }
        if (depth_ == 1) {
            Result r(PQexec(conn_, "ROLLBACK"));
            depth_ = 0;
            return;
        }
        // Rolling back to a savepoint also clears a failed statement: the outer levels go on.
        simple(fmt::format("ROLLBACK TO SAVEPOINT kovrin_{0}; RELEASE SAVEPOINT kovrin_{0}", depth_ - 1));
        --depth_;
    }

    int transactionDepth() const override { return depth_; }

    void beginRead() override {
        if (++readDepth_ > 1 || depth_ > 0) return;
        reconnectIfLost();
        simple(SnapshotStart);
        readOpen_ = true;
    }

    void endRead() override {
        if (readDepth_ == 0) return;
        if (--readDepth_ == 0 && readOpen_) endSnapshot();
    }

private:
    static constexpr const char* EndedText =
        "The transaction is no longer active: the database engine ended it after an error. Nothing of it was written.";
    static constexpr const char* SnapshotStart = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
    static constexpr std::size_t CacheSize = 64;

    void setUpSession() {
        PQsetClientEncoding(conn_, "UTF8");
        const int timeout = busyTimeoutMs();
        simple(fmt::format("SET DateStyle = ISO, YMD; SET IntervalStyle = iso_8601; SET lock_timeout = {}; "
                           "SET default_transaction_read_only = {}",
                           timeout, readOnly_ ? "on" : "off"));
        prepared_.clear();
        declared_.clear();
    }

    [[noreturn]] void connectFailed() {
        const std::string reason = firstLine(PQerrorMessage(conn_));
        raiseJet(ErrGeneric, fmt::format("Could not connect to the database server '{}': {}", maskPassword(uri_), maskPassword(reason)));
    }

    bool lost() const { return PQstatus(conn_) != CONNECTION_OK; }

    void reconnect() {
        PQreset(conn_);
        if (lost()) connectFailed();
        setUpSession();
    }

    // Outside a transaction a session the server dropped is opened again; inside one the loss is
    // the transaction's end, which the caller must hear of.
    void reconnectIfLost() {
        if (depth_ == 0 && !readOpen_ && lost()) reconnect();
    }

    // The engine ended the transaction: a failed statement, or the session is gone.
    bool ended() const {
        if (depth_ == 0) return false;
        if (lost()) return true;
        const PGTransactionStatusType s = PQtransactionStatus(conn_);
        return s == PQTRANS_INERROR || s == PQTRANS_IDLE || s == PQTRANS_UNKNOWN;
    }

    void checkTransaction() const {
        if (ended()) raiseJet(ErrGeneric, EndedText);
    }

    // Forgets a transaction the engine has ended, so a new one can start.
    void abandon() {
        if (!lost() && PQtransactionStatus(conn_) == PQTRANS_INERROR) Result r(PQexec(conn_, "ROLLBACK"));
        depth_ = 0;
    }

    void endSnapshot() {
        readOpen_ = false;
        if (lost()) return;
        Result r(PQexec(conn_, PQtransactionStatus(conn_) == PQTRANS_INERROR ? "ROLLBACK" : "COMMIT"));
    }

    static bool succeeded(const PGresult* r) {
        const ExecStatusType s = PQresultStatus(r);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }

    void simple(const std::string& sql) {
        Result r(PQexec(conn_, sql.c_str()));
        if (!succeeded(r.get())) fail(r.get());
    }

    [[noreturn]] void fail(const PGresult* r) {
        const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        std::string message = primary ? std::string(primary) : firstLine(PQerrorMessage(conn_));
        if (lost()) {
            message = "The connection to the database server was lost: " + message;
            if (depth_ > 0) message += ". Nothing of the open transaction was written.";
            raiseJet(ErrGeneric, message);
        }
        const std::string code = state ? state : "";
        if (code == "55P03") raiseJet(ErrGeneric, "database is locked");  // the busy time-out passed, as SQLite says it
        if (code == "42P01") raiseJet(ErrNoSuchTable, message);
        if (code.starts_with("42") && code != "42501") raiseJet(ErrSyntax, message);  // 42501: no privilege
        raiseJet(ErrGeneric, message);
    }

    // Runs one statement: prepared by its shape and value types when it has values, so the next
    // statement of the same shape only binds; straight otherwise.
    Result run(const BoundSql& sql) {
        checkTransaction();
        reconnectIfLost();
        const std::string text = toPostgres(sql.shape);
        std::vector<Parameter> params;
        params.reserve(sql.params.size());
        for (const Variant& v : sql.params) params.push_back(parameterOf(v));

        Result r = send(text, params);
        if (!succeeded(r.get()) && lost() && depth_ == 0 && !readOpen_ && isRead(text)) {
            reconnect();  // a read is safe to send again; a write might have been done
            r = send(text, params);
        }
        if (succeeded(r.get())) return r;
        if (PQresultStatus(r.get()) == PGRES_EMPTY_QUERY)
            raiseJet(ErrSyntax, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
        if (readOpen_ && depth_ == 0 && !lost() && PQtransactionStatus(conn_) == PQTRANS_INERROR) {
            // A failed read ends the snapshot; the reads after it get a new one.
            Result again(PQexec(conn_, (std::string("ROLLBACK; ") + SnapshotStart).c_str()));
        }
        fail(r.get());
    }

    static bool isRead(std::string_view text) {
        std::size_t i = 0;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\n' || text[i] == '\t' || text[i] == '(')) ++i;
        return text::equalsNoCase(text.substr(i, 6), "SELECT");
    }

    Result send(const std::string& text, const std::vector<Parameter>& params, bool again = false) {
        std::vector<const char*> values;
        std::vector<Oid> types;
        for (const Parameter& p : params) {
            values.push_back(p.null ? nullptr : p.text.c_str());
            types.push_back(p.type);
        }
        const int n = static_cast<int>(params.size());
        if (n == 0) return Result(PQexecParams(conn_, text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0));
        std::string key = text;
        for (Oid t : types) key += fmt::format("|{}", t);
        const std::string* name = preparedName(key);
        if (!name) {
            const std::string fresh = fmt::format("kovrin_{}", ++statements_);
            Result p(PQprepare(conn_, fresh.c_str(), text.c_str(), n, types.data()));
            if (!succeeded(p.get())) return p;
            name = remember(key, fresh);
        }
        Result r(PQexecPrepared(conn_, name->c_str(), n, values.data(), nullptr, nullptr, 0));
        // A statement prepared before the schema changed under it (an upgrade rebuilt a view) is
        // prepared afresh: at once outside a transaction, else the next time.
        if (const char* state = PQresultErrorField(r.get(), PG_DIAG_SQLSTATE); state && std::strcmp(state, "0A000") == 0) {
            forget(key);
            if (!again && PQtransactionStatus(conn_) == PQTRANS_IDLE) return send(text, params, true);
        }
        return r;
    }

    // Prepared statements by shape, the most recently used first; the least used is deallocated.
    struct Prepared {
        std::string key;
        std::string name;
    };
    const std::string* preparedName(const std::string& key) {
        for (std::size_t i = 0; i < prepared_.size(); ++i)
            if (prepared_[i].key == key) {
                std::rotate(prepared_.begin(), prepared_.begin() + static_cast<long>(i), prepared_.begin() + static_cast<long>(i) + 1);
                return &prepared_.front().name;
            }
        return nullptr;
    }
    void forget(const std::string& key) {
        for (auto it = prepared_.begin(); it != prepared_.end(); ++it)
            if (it->key == key) {
                if (PQtransactionStatus(conn_) == PQTRANS_IDLE) Result r(PQexec(conn_, ("DEALLOCATE " + it->name).c_str()));
                prepared_.erase(it);  // in a failed transaction it stays on the server, unused, under its name
                return;
            }
    }
    const std::string* remember(std::string key, const std::string& name) {
        if (prepared_.size() >= CacheSize) {
            Result r(PQexec(conn_, ("DEALLOCATE " + prepared_.back().name).c_str()));
            prepared_.pop_back();
        }
        prepared_.insert(prepared_.begin(), Prepared{std::move(key), name});
        return &prepared_.front().name;
    }

    // What the schema declares for a column of a table or view, as the SQLite engine reads the
    // declared type; a computed column (no table) takes the type of each value.
    ColumnKind declaredKind(Oid table, int column) {
        if (table == InvalidOid || column <= 0) return ColumnKind::Stored;
        auto it = declared_.find(table);
        if (it == declared_.end()) {
            std::vector<ColumnKind> kinds;
            const std::string id = std::to_string(table);
            const char* values[] = {id.c_str()};
            Result r(PQexecParams(conn_,
                                  "SELECT attnum, format_type(atttypid, atttypmod) FROM pg_catalog.pg_attribute "
                                  "WHERE attrelid = $1::oid AND attnum > 0 ORDER BY attnum",
                                  1, nullptr, values, nullptr, nullptr, 0));
            if (!succeeded(r.get())) return ColumnKind::Stored;
            for (int row = 0; row < PQntuples(r.get()); ++row) {
                const int attnum = std::atoi(PQgetvalue(r.get(), row, 0));
                if (attnum > static_cast<int>(kinds.size())) kinds.resize(static_cast<std::size_t>(attnum), ColumnKind::Stored);
                kinds[static_cast<std::size_t>(attnum - 1)] = columnKindOf(PQgetvalue(r.get(), row, 1));
            }
            it = declared_.emplace(table, std::move(kinds)).first;
        }
        const auto& kinds = it->second;
        return static_cast<std::size_t>(column) <= kinds.size() ? kinds[static_cast<std::size_t>(column - 1)] : ColumnKind::Stored;
    }

    std::string uri_;
    bool readOnly_;
    PGconn* conn_ = nullptr;
    int depth_ = 0;
    int readDepth_ = 0;
    bool readOpen_ = false;  // the read snapshot's transaction is open
    unsigned long statements_ = 0;
    std::vector<Prepared> prepared_;
    std::unordered_map<Oid, std::vector<ColumnKind>> declared_;
};

}  // namespace

bool isPostgresUri(std::string_view dataSource) {
    auto starts = [&](std::string_view scheme) {
        return dataSource.size() >= scheme.size() && text::equalsNoCase(dataSource.substr(0, scheme.size()), scheme);
    };
    return starts("postgresql://") || starts("postgres://");
}

std::string maskPassword(std::string_view text) {
    std::string out(text);
    // user:PASSWORD@host in a URI
    if (auto scheme = out.find("://"); scheme != std::string::npos) {
        const std::size_t start = scheme + 3;
        const std::size_t end = out.find_first_of("/?", start);
        const std::size_t at = out.rfind('@', end == std::string::npos ? std::string::npos : end);
        if (at != std::string::npos && at >= start) {
            const std::size_t colon = out.find(':', start);
            if (colon != std::string::npos && colon < at) out.replace(colon + 1, at - colon - 1, "***");
        }
    }
    // password=PASSWORD as a URI parameter or a connection-string keyword
    const std::string lower = text::toLowerAscii(out);
    for (std::size_t p = lower.rfind("password="); p != std::string::npos; p = p == 0 ? std::string::npos : lower.rfind("password=", p - 1)) {
        const std::size_t value = p + 9;
        const std::size_t end = out.find_first_of("& ;", value);
        out.replace(value, (end == std::string::npos ? out.size() : end) - value, "***");
    }
    return out;
}

std::unique_ptr<Backend> openPostgresBackend(const std::string& uri, bool readOnly) {
    return std::make_unique<PostgresBackend>(uri, readOnly);
}

}  // namespace kovrin::db
