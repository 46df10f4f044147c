#include "Store.h"

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

Store::Store(const std::filesystem::path& path) : path_(path) {
    upgradeDatabase(path);  // refuses a missing file, a file of another kind or of a newer version
    const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) fail("open");
    sqlite3_busy_timeout(db_, 10000);
    exec("PRAGMA synchronous = FULL");
}

Store::~Store() { sqlite3_close_v2(db_); }

void Store::fail(std::string_view sql) const {
    throw Error(frontend::errors::DatabaseFailure,
                fmt::format("{}: {} failed: {}", path_.string(), sql, db_ ? sqlite3_errmsg(db_) : "out of memory"));
}

std::vector<Row> Store::query(std::string_view sql, const std::vector<Param>& params) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &st, nullptr) != SQLITE_OK) fail(sql);
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int at = static_cast<int>(i + 1);
        if (auto n = std::get_if<int64_t>(&params[i])) sqlite3_bind_int64(st, at, *n);
        else if (auto d = std::get_if<double>(&params[i])) sqlite3_bind_double(st, at, *d);
        else {
            const auto& s = std::get<std::string>(params[i]);
            sqlite3_bind_text(st, at, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        }
    }
    std::vector<Row> rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Row row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            row.names.emplace_back(sqlite3_column_name(st, c));
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            row.values.push_back(text ? std::optional<std::string>(text) : std::nullopt);
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) fail(sql);
    return rows;
}

std::optional<Row> Store::first(std::string_view sql, const std::vector<Param>& params) {
    auto rows = query(sql, params);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

void Store::exec(std::string_view sql, const std::vector<Param>& params) { query(sql, params); }

}  // namespace kovrin::frontend::app
