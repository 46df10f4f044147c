// The front-end's own connection to the bookkeeping database: the same file the library uses,
// opened through the same SQLite layer (its settings and lock wait), or the same PostgreSQL
// database when the installation's database is a postgresql:// URI, with just what the front-end
// needs. Statements are written in SQLite's spelling that both engines run (the server re-spells
// it, PostgresDialect.h): plain '?' placeholders, no rowid, no SQLite-only functions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/db/Backend.h"
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

// One row of a result, by column name (as the query names it, in any case: a server gives names in
// lower case). Values read as the file stores them: dates 'YYYY-MM-DD HH:MM:SS', yes/no -1 and 0.
class Row {
public:
    bool has(std::string_view column) const;
    std::optional<std::string> value(std::string_view column) const;
    std::string text(std::string_view column) const { return value(column).value_or(""); }
    double number(std::string_view column) const;  // NULL reads as 0
    int64_t integer(std::string_view column) const { return static_cast<int64_t>(number(column)); }

    std::vector<std::string> names;
    std::vector<std::optional<std::string>> values;
};

class Store {
public:
    // Opens an existing bookkeeping database (a file, or a server's URI), bringing it to the current
    // schema first when it is older; a missing file or a database that is not a bookkeeping
    // database is refused (kovrin::Error).
    explicit Store(const std::filesystem::path& path);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    std::vector<Row> query(std::string_view sql, const std::vector<Param>& params = {});
    std::optional<Row> first(std::string_view sql, const std::vector<Param>& params = {});
    void exec(std::string_view sql, const std::vector<Param>& params = {});

    // The file's connection; only for a file (onServer() false).
    sqlite::Connection& connection() { return *db_; }
    sqlite3* handle() const { return db_->handle(); }
    // The server's connection; only on a server.
    db::Backend& server() { return *server_; }
    bool onServer() const { return server_ != nullptr; }
    const std::filesystem::path& path() const { return path_; }
    // The database as shown in messages: the file's path, or the URI with any password masked.
    std::string name() const;

private:
    std::filesystem::path path_;
    std::optional<sqlite::Connection> db_;
    std::unique_ptr<db::Backend> server_;
};

// A write transaction that takes the write lock at once and rolls back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Store& store);
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    ~WriteTransaction();
    void commit();

private:
    Store& store_;
    std::optional<sqlite::Transaction> transaction_;
    bool serverOpen_ = false;
};

}  // namespace kovrin::frontend::app
