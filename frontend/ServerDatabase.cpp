#include "frontend/ServerDatabase.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Text.h>

#include "frontend/EmbeddedSql.h"
#include "platform/db/Database.h"
#include "platform/db/PostgresBackend.h"
#include "platform/db/PostgresDialect.h"

namespace kovrin::frontend {
using namespace errors;

namespace {

[[noreturn]] void fail(int32_t number, std::string description) { throw Error(number, std::move(description)); }

// Gives every key column's sequence the value after the largest key stored, so rows inserted with
// their keys given (the sample data) do not collide with the rows the library adds.
constexpr std::string_view RestartKeySequences = R"(
DO $$
DECLARE r record;
BEGIN
    FOR r IN SELECT c.relname, a.attname FROM pg_catalog.pg_attribute a
             JOIN pg_catalog.pg_class c ON c.oid = a.attrelid
             WHERE a.attidentity <> '' AND c.relnamespace = current_schema()::regnamespace LOOP
        EXECUTE format('SELECT setval(pg_get_serial_sequence(%L, %L), COALESCE((SELECT MAX(%I) FROM %I), 0) + 1, false)',
                       r.relname, r.attname, r.attname, r.relname);
    END LOOP;
END $$;
)";

// One session as the database's owner; failures name the database (password masked) and what was
// being done.
class Session {
public:
    explicit Session(const std::string& uri) : shown_(db::maskPassword(uri)), conn_(PQconnectdb(uri.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            const std::string reason = db::maskPassword(PQerrorMessage(conn_));
            PQfinish(conn_);
            fail(DatabaseFailure, fmt::format("Cannot connect to {}: {}", shown_, trimmed(reason)));
        }
        PQsetClientEncoding(conn_, "UTF8");
        exec("SET client_min_messages = warning", "set up the session");
    }
    ~Session() { PQfinish(conn_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs every statement of sql.
    void exec(std::string_view sql, std::string_view doing) {
        std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(conn_, std::string(sql).c_str()), PQclear);
        const ExecStatusType s = PQresultStatus(r.get());
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
            fail(DatabaseFailure, fmt::format("{}: could not {}: {}", shown_, doing, trimmed(PQresultErrorMessage(r.get()))));
    }

    // One statement with its values (NULL for nullptr), each read as a quoted literal would be.
    void exec(const std::string& sql, const std::vector<const char*>& values, std::string_view doing) {
        std::unique_ptr<PGresult, decltype(&PQclear)> r(
            PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0), PQclear);
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
            fail(DatabaseFailure, fmt::format("{}: could not {}: {}", shown_, doing, trimmed(PQresultErrorMessage(r.get()))));
    }

    // The first column of the first row, or "" when there is no row.
    std::string value(const std::string& sql, std::string_view doing) {
        std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(conn_, sql.c_str()), PQclear);
        if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
            fail(DatabaseFailure, fmt::format("{}: could not {}: {}", shown_, doing, trimmed(PQresultErrorMessage(r.get()))));
        return PQntuples(r.get()) > 0 ? PQgetvalue(r.get(), 0, 0) : "";
    }

    bool hasTable(const char* name) {
        return !value(fmt::format("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND tablename = '{}'", name),
                      "read the catalogue")
                    .empty();
    }

    const std::string& shown() const { return shown_; }

private:
    static std::string trimmed(std::string s) {
        while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
        return s;
    }

    std::string shown_;
    PGconn* conn_;
};

// The schema version, after making sure the database holds the books.
int versionOf(Session& s) {
    if (!s.hasTable("kovrinschema")) fail(NotBookkeepingDatabase, fmt::format("{} is not a Kovrin bookkeeping database", s.shown()));
    const std::string version = s.value("SELECT iVersion FROM KovrinSchema", "read the schema version");
    if (version.empty())
        fail(NotBookkeepingDatabase, fmt::format("{} has no schema version; it is not a Kovrin bookkeeping database", s.shown()));
    return std::stoi(version);
}

// Leaves the session's transaction rolled back when a step throws.
template <class Work>
void inTransaction(Session& s, Work work) {
    s.exec("BEGIN", "start writing");
    try {
        work();
        s.exec("COMMIT", "write");
    } catch (...) {
        try {
            s.exec("ROLLBACK", "roll back");
        } catch (const Error&) {
            // the first failure is the one to report
        }
        throw;
    }
}

}  // namespace

namespace {

// The schema, and the sample data when asked, inside the session's transaction.
void build(Session& s, const CreateOptions& options) {
    // Another program creating at the same moment waits here, then finds the books made.
    s.exec(fmt::format("SELECT pg_advisory_xact_lock({})", db::PostgresWriteLock), "lock the database");
    if (s.hasTable("kovrinschema")) {
        if (!options.replaceExisting)
            fail(FileAlreadyExists,
                 fmt::format("{} already holds a bookkeeping database; new books are made there only when replacing them is asked for",
                             s.shown()));
        s.exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public", "remove the old books");
    } else if (s.value("SELECT count(*) FROM pg_catalog.pg_class WHERE relnamespace = current_schema()::regnamespace",
                       "read the catalogue") != "0") {
        fail(NotBookkeepingDatabase, fmt::format("{} holds other tables; the books need a database of their own", s.shown()));
    }
    s.exec(db::PostgresDomains, "create the value types");
    for (std::string_view step : schemaSteps()) s.exec(db::toPostgres(step, db::PostgresText::Schema), "create the schema");
    s.exec(fmt::format("CREATE TABLE KovrinSchema (iApplicationID INTEGER NOT NULL, iVersion INTEGER NOT NULL); "
                       "INSERT INTO KovrinSchema VALUES ({}, {})",
                       ApplicationId, currentSchemaVersion()),
           "mark the schema version");
    if (options.withSampleData)
        s.exec(db::toPostgres(sql::sample_data_sql, db::PostgresText::Schema), "write the sample data");
    s.exec(RestartKeySequences, "start the keys after the rows stored");
}

// The stored text of every row of every table of a database file, as SQLite hands it out.
class FileRows {
public:
    explicit FileRows(const std::filesystem::path& file) : path_(file.string()) {
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) failed("open");
    }
    ~FileRows() { sqlite3_close_v2(db_); }
    FileRows(const FileRows&) = delete;
    FileRows& operator=(const FileRows&) = delete;

    std::vector<std::string> tables() {
        std::vector<std::string> names;
        each("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name",
             [&](sqlite3_stmt* st) { names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))); });
        return names;
    }

    // Calls row(columns, values) for every row of the table; a NULL is nullptr.
    template <class Row>
    void rows(const std::string& table, Row row) {
        std::vector<std::string> columns;
        std::vector<const char*> values;
        each("SELECT * FROM \"" + table + "\"", [&](sqlite3_stmt* st) {
            const int n = sqlite3_column_count(st);
            if (columns.empty())
                for (int c = 0; c < n; ++c) columns.emplace_back(sqlite3_column_name(st, c));
            values.clear();
            for (int c = 0; c < n; ++c)
                values.push_back(sqlite3_column_type(st, c) == SQLITE_NULL ? nullptr
                                                                          : reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            row(columns, values);
        });
    }

private:
    template <class Each>
    void each(const std::string& sql, Each each) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) failed("read");
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) each(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) failed("read");
    }
    [[noreturn]] void failed(std::string_view doing) {
        fail(DatabaseFailure, fmt::format("{}: could not {}: {}", path_, doing, db_ ? sqlite3_errmsg(db_) : "out of memory"));
    }

    std::string path_;
    sqlite3* db_ = nullptr;
};

// Every row of a table as the database layer reads it (each value with its Variant type), sorted,
// so two engines' rows compare whatever order their collations give.
std::vector<std::string> layerRows(const std::string& source, const std::string& table) {
    auto c = std::make_shared<db::Connection>();
    c->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + source + ";Mode=Read";
    c->Open();
    db::Recordset rs;
    rs.ActiveConnection(c);
    rs.Source = "SELECT * FROM " + table;
    rs.Open();
    std::vector<std::string> rows;
    for (; rs.State() == db::StateOpen && !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const Variant& v = rs.Fields(i);
            row += fmt::format("{}={}:{}|", text::toLowerAscii(rs.FieldName(i)), static_cast<int>(v.type()),
                               v.isNull() ? "Null" : CStr(v));
        }
        rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace

void createServerDatabase(const std::string& uri, const CreateOptions& options) {
    Session s(uri);
    inTransaction(s, [&] { build(s, options); });
}

std::size_t copyFileToServer(const std::filesystem::path& file, const std::string& uri) {
    const int version = schemaVersion(file);  // refuses a missing file or one that is not ours
    if (version != currentSchemaVersion())
        fail(NewerSchema, fmt::format("{} has schema version {}; bring it to version {} (kovrin-db upgrade) before copying it",
                                      file.string(), version, currentSchemaVersion()));
    FileRows from(file);
    const std::vector<std::string> tables = from.tables();
    std::size_t copied = 0;
    Session s(uri);
    inTransaction(s, [&] {
        build(s, {});
        for (const std::string& table : tables) {
            // The file's rows replace whatever the schema steps filled in (the allocation
            // thresholds), so the copy holds the file's books and nothing else.
            s.exec("DELETE FROM " + table, "empty " + table + " before the copy");
            from.rows(table, [&](const std::vector<std::string>& columns, const std::vector<const char*>& values) {
                std::string names, places;
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    names += (c ? ", " : "") + columns[c];
                    places += fmt::format("{}${}", c ? ", " : "", c + 1);
                }
                s.exec(fmt::format("INSERT INTO {} ({}) VALUES ({})", table, names, places), values, "copy a row of " + table);
                ++copied;
            });
        }
        s.exec(RestartKeySequences, "start the keys after the rows copied");
    });
    // Read back through the database layer on both sides: the same rows, the same values, the same
    // types. Books that differ are taken away again, so no one works on a copy that is not true.
    for (const std::string& table : tables) {
        if (layerRows(uri, table) == layerRows(file.string(), table)) continue;
        s.exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public", "remove the copy that differs");
        fail(DatabaseFailure, fmt::format("The copy of {} in {} differs from the file; the server database was emptied again",
                                          table, s.shown()));
    }
    return copied;
}

int upgradeServerDatabase(const std::string& uri) { return upgradeServerDatabase(uri, schemaSteps()); }

int upgradeServerDatabase(const std::string& uri, std::span<const std::string_view> steps) {
    Session s(uri);
    int version = 0;
    inTransaction(s, [&] {
        s.exec(fmt::format("SELECT pg_advisory_xact_lock({})", db::PostgresWriteLock), "lock the database");
        version = versionOf(s);
        const int known = static_cast<int>(steps.size());
        if (version < 1)
            fail(NotBookkeepingDatabase, fmt::format("{} has no schema version; it is not a Kovrin bookkeeping database", s.shown()));
        if (version > known)
            fail(NewerSchema, fmt::format("{} has schema version {}, newer than this program knows ({}); use a newer kovrin-db",
                                          s.shown(), version, known));
        for (int v = version; v < known; ++v) {
            s.exec(db::toPostgres(steps[static_cast<std::size_t>(v)], db::PostgresText::Schema),
                   fmt::format("upgrade to schema version {}", v + 1));
            s.exec(fmt::format("UPDATE KovrinSchema SET iVersion = {}", v + 1), "mark the schema version");
        }
        s.exec(RestartKeySequences, "start the keys after the rows stored");
    });
    return version;
}

int serverSchemaVersion(const std::string& uri) {
    Session s(uri);
    return versionOf(s);
}

void grantLibraryRole(const std::string& uri, const std::string& role) {
    Session s(uri);
    versionOf(s);
    // The role's name is quoted as a name, never spliced in as SQL.
    const std::string quoted = "\"" + [&] {
        std::string q;
        for (char c : role) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q;
    }() + "\"";
    inTransaction(s, [&] {
        s.exec(fmt::format("GRANT USAGE ON SCHEMA public TO {0}; "
                           "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO {0}; "
                           "GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO {0}; "
                           "ALTER DEFAULT PRIVILEGES IN SCHEMA public GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO {0}; "
                           "ALTER DEFAULT PRIVILEGES IN SCHEMA public GRANT USAGE, SELECT ON SEQUENCES TO {0}",
                           quoted),
               fmt::format("grant the books to {}", role));
    });
}

}  // namespace kovrin::frontend
