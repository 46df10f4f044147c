#include "Store.h"

#include <sqlite3.h>

#include <algorithm>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "frontend/BookkeepingDatabase.h"
#include "frontend/ServerDatabase.h"
#include "platform/db/ColumnTypes.h"
#include "platform/db/PostgresBackend.h"

namespace kovrin::frontend::app {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

bool Row::has(std::string_view column) const {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return sameName(n, column); });
}

std::optional<std::string> Row::value(std::string_view column) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (sameName(names[i], column)) return values[i];
    throw Error(frontend::errors::DatabaseFailure, fmt::format("The query has no column {}", column));
}

double Row::number(std::string_view column) const {
    const auto v = value(column);
    return v ? std::strtod(v->c_str(), nullptr) : 0.0;
}

namespace {

// How long the front-end waits for the library or another program holding the write lock.
constexpr int LockWaitMs = 10000;

// The file opened after it was brought to the current schema, which refuses a missing file, a
// file of another kind or of a newer version.
const std::filesystem::path& upgraded(const std::filesystem::path& path) {
    upgradeDatabase(path);
    return path;
}

[[noreturn]] void failed(const std::filesystem::path& path, std::string_view sql, const sqlite::Failure& f) {
    throw Error(frontend::errors::DatabaseFailure, fmt::format("{}: {} failed: {}", path.string(), sql, f.message()));
}

[[noreturn]] void failed(const std::string& name, std::string_view sql, const Error& e) {
    throw Error(frontend::errors::DatabaseFailure, fmt::format("{}: {} failed: {}", name, sql, e.description()));
}

// The server database, upgraded only when it is older: the front-end may run as the office's role,
// which may not change the schema, and then a current database must need nothing of it.
std::unique_ptr<db::Backend> openServer(const std::string& uri) {
    if (serverSchemaVersion(uri) != currentSchemaVersion()) upgradeServerDatabase(uri);  // refuses a newer one
    return db::openPostgresBackend(uri, false);
}

Variant variantOf(const Param& p) {
    if (auto n = std::get_if<int64_t>(&p))
        return *n >= INT32_MIN && *n <= INT32_MAX ? Variant(static_cast<int32_t>(*n)) : Variant(static_cast<double>(*n));
    if (auto d = std::get_if<double>(&p)) return Variant(*d);
    return Variant(std::get<std::string>(p));
}

// A server's value as the file would give it as text.
std::optional<std::string> textOf(const Variant& v) {
    switch (v.type()) {
    case VarType::Empty:
    case VarType::Null: return std::nullopt;
    case VarType::Boolean: return CBool(v) ? "-1" : "0";  // Jet's yes/no, as the file stores it
    case VarType::Currency: return fmt::format("{}", CCur(v).toDouble());
    case VarType::Double: return fmt::format("{}", CDbl(v));
    case VarType::Date: return db::storedDateText(CDate(v).toCalendar());
    default: return CStr(v);
    }
}

}  // namespace

Store::Store(const std::filesystem::path& path) try : path_(path) {
    if (db::isPostgresUri(path.string())) {
        server_ = openServer(path.string());
        return;
    }
    db_.emplace(upgraded(path).string(), SQLITE_OPEN_READWRITE, LockWaitMs);
    exec("PRAGMA synchronous = FULL");
} catch (const sqlite::Failure& f) {
    failed(path, "open", f);
}

Store::~Store() = default;

std::string Store::name() const {
    return server_ ? db::maskPassword(path_.string()) : path_.string();
}

std::vector<Row> Store::query(std::string_view sql, const std::vector<Param>& params) {
    if (server_) {
        db::BoundSql bound{std::string(sql), {}};
        for (const Param& p : params) bound.params.push_back(variantOf(p));
        db::QueryResult result;
        try {
            result = server_->query(bound);
        } catch (const Error& e) {
            failed(name(), sql, e);
        }
        std::vector<Row> rows;
        const std::size_t width = result.names.size();
        for (std::size_t at = 0; width && at < result.values.size(); at += width) {
            Row row;
            row.names = result.names;
            for (std::size_t c = 0; c < width; ++c) row.values.push_back(textOf(result.values[at + c]));
            rows.push_back(std::move(row));
        }
        return rows;
    }
    try {
        sqlite::Statement st(*db_, sql);
        for (std::size_t i = 0; i < params.size(); ++i) {
            const int at = static_cast<int>(i + 1);
            if (auto n = std::get_if<int64_t>(&params[i])) st.bind(at, *n);
            else if (auto d = std::get_if<double>(&params[i])) st.bind(at, *d);
            else st.bind(at, std::string_view(std::get<std::string>(params[i])));
        }
        std::vector<Row> rows;
        while (st.step()) {
            Row row;
            for (int c = 0; c < st.columns(); ++c) {
                row.names.push_back(st.columnName(c));
                row.values.push_back(st.isNull(c) ? std::nullopt : std::optional<std::string>(st.text(c)));
            }
            rows.push_back(std::move(row));
        }
        return rows;
    } catch (const sqlite::Failure& f) {
        failed(path_, sql, f);
    }
}

std::optional<Row> Store::first(std::string_view sql, const std::vector<Param>& params) {
    auto rows = query(sql, params);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

void Store::exec(std::string_view sql, const std::vector<Param>& params) { query(sql, params); }

WriteTransaction::WriteTransaction(Store& store) : store_(store) {
    if (store.onServer()) {
        try {
            store.server().begin();  // takes the books' write lock, as the library's writers do
        } catch (const Error& e) {
            failed(store.name(), "BEGIN", e);
        }
        serverOpen_ = true;
        return;
    }
    try {
        transaction_.emplace(store.connection());
    } catch (const sqlite::Failure& f) {
        failed(store.path(), "BEGIN IMMEDIATE", f);
    }
}

WriteTransaction::~WriteTransaction() {
    if (!serverOpen_) return;
    try {
        store_.server().rollback();
    } catch (const Error&) {
        // A lost connection has rolled back already.
    }
}

void WriteTransaction::commit() {
    if (serverOpen_) {
        try {
            store_.server().commit();
        } catch (const Error& e) {
            failed(store_.name(), "COMMIT", e);
        }
        serverOpen_ = false;
        return;
    }
    try {
        transaction_->commit();
    } catch (const sqlite::Failure& f) {
        failed(store_.path(), "COMMIT", f);
    }
}

}  // namespace kovrin::frontend::app
