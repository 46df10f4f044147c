// The front-end's own connection to the bookkeeping database: the same file the library uses,
// opened through the same SQLite layer (its settings and lock wait), with just what the front-end
// needs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/sqlite/Sqlite.h"

namespace kovrin::frontend::app {

// Error numbers of the front-end program, beside those of the database file (BookkeepingDatabase.h).
namespace errors {
constexpr int32_t BadCommandLine = 9110;    // unknown macro, missing or malformed argument
constexpr int32_t DocumentNotFound = 9111;  // no document of that kind and number in the business
constexpr int32_t PrinterFailure = 9112;    // the printer does not exist or refused the page
constexpr int32_t BackupFailure = 9113;     // the backup copy could not be made
}  // namespace errors

using Param = std::variant<int64_t, double, std::string>;

// One row of a result, by column name (as the query names it).
class Row {
public:
    std::optional<std::string> value(std::string_view column) const;
    std::string text(std::string_view column) const { return value(column).value_or(""); }
    double number(std::string_view column) const;  // NULL reads as 0
    int64_t integer(std::string_view column) const { return static_cast<int64_t>(number(column)); }

    std::vector<std::string> names;
    std::vector<std::optional<std::string>> values;
};

class Store {
public:
    // Opens an existing bookkeeping database, bringing it to the current schema first; a missing
    // file or a file that is not a bookkeeping database is refused (kovrin::Error).
    explicit Store(const std::filesystem::path& path);
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    std::vector<Row> query(std::string_view sql, const std::vector<Param>& params = {});
    std::optional<Row> first(std::string_view sql, const std::vector<Param>& params = {});
    void exec(std::string_view sql, const std::vector<Param>& params = {});

    sqlite::Connection& connection() { return db_; }
    sqlite3* handle() const { return db_.handle(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    sqlite::Connection db_;
};

// A write transaction that takes the write lock at once and rolls back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Store& store);
    void commit();

private:
    Store& store_;
    std::optional<sqlite::Transaction> transaction_;
};

}  // namespace kovrin::frontend::app
