#include "Store.h"

#include <sqlite3.h>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "frontend/BookkeepingDatabase.h"

namespace kovrin::frontend::app {

std::optional<std::string> Row::value(std::string_view column) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == column) return values[i];
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

}  // namespace

Store::Store(const std::filesystem::path& path) try
    : path_(path), db_(upgraded(path).string(), SQLITE_OPEN_READWRITE, LockWaitMs) {
    exec("PRAGMA synchronous = FULL");
} catch (const sqlite::Failure& f) {
    failed(path, "open", f);
}

std::vector<Row> Store::query(std::string_view sql, const std::vector<Param>& params) {
    try {
        sqlite::Statement st(db_, sql);
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
    try {
        transaction_.emplace(store.connection());
    } catch (const sqlite::Failure& f) {
        failed(store.path(), "BEGIN IMMEDIATE", f);
    }
}

void WriteTransaction::commit() {
    try {
        transaction_->commit();
    } catch (const sqlite::Failure& f) {
        failed(store_.path(), "COMMIT", f);
    }
}

}  // namespace kovrin::frontend::app
