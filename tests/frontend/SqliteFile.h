// A plain SQLite connection for looking into bookkeeping database files from tests.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kovrin::test {

class SqliteFile {
public:
    using Row = std::vector<std::string>;

    explicit SqliteFile(const std::string& path, bool create = false) {
        const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path + ": " + sqlite3_errmsg(db_));
    }
    ~SqliteFile() { sqlite3_close_v2(db_); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // Runs the statements; the SQLite result code (SQLITE_OK when all went through).
    int tryRun(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }
    void run(const std::string& sql) {
        if (tryRun(sql) != SQLITE_OK) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    }

    // Every row of a query, each column as text, NULL as "NULL".
    std::vector<Row> rows(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
        std::vector<Row> result;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            Row row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const auto* text = sqlite3_column_text(st, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            result.push_back(std::move(row));
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
        return result;
    }

    // The virtual-machine steps a query takes to its end: the work it does, whatever the machine.
    long vmSteps(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
        while (sqlite3_step(st) == SQLITE_ROW) {
        }
        const long steps = sqlite3_stmt_status(st, SQLITE_STMTSTATUS_VM_STEP, 0);
        sqlite3_finalize(st);
        return steps;
    }

    // The first column of the first row; nullopt when there is no row.
    std::optional<std::string> value(const std::string& sql) {
        auto all = rows(sql);
        if (all.empty()) return std::nullopt;
        return all.front().front();
    }

    // Names of the tables (without SQLite's own) or of the views.
    std::vector<std::string> objects(const std::string& type) {
        std::vector<std::string> names;
        for (auto& row : rows("SELECT name FROM sqlite_master WHERE type='" + type +
                              "' AND name NOT LIKE 'sqlite_%' ORDER BY name"))
            names.push_back(row[0]);
        return names;
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace kovrin::test
