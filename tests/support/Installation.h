// A private installation for one test: its own registry store and a bookkeeping database made by
// the kovrin-db tool (with or without the sample data) and registered as the installation. With
// KOVRIN_TEST_ENGINE=postgresql the books are a database of their own on the test run's
// PostgreSQL server, and databasePath() is its URI.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/db/Database.h"
#include "PostgresServer.h"
#include "TempDir.h"

#ifndef KOVRIN_DB_TOOL
#error "KOVRIN_DB_TOOL must name the kovrin-db program"
#endif

namespace kovrin::test {

class Installation {
public:
    enum class Data { Sample, Empty };

    explicit Installation(Data data = Data::Sample, const std::string& fileName = "books.sqlite")
        : Installation(onServer() ? PostgresServer::shared() : nullptr, data, fileName) {}
    // The books on `server` (a server of the test's own).
    explicit Installation(PostgresServer& server, Data data = Data::Sample) : Installation(&server, data, "") {}

    // True when the tests run against the PostgreSQL engine.
    static bool onServer() {
        const char* engine = std::getenv("KOVRIN_TEST_ENGINE");
        return engine && std::string(engine) == "postgresql";
    }

private:
    Installation(PostgresServer* server, Data data, const std::string& fileName) {
        if (onServer() && !server) throw std::runtime_error("KOVRIN_TEST_ENGINE=postgresql, but PostgreSQL is not installed");
        std::string where;
        if (server) {
            server_ = std::make_unique<PostgresDatabase>(*server);
            databasePath_ = server_->uri();
            where = " --log-folder '" + dir_.path().string() + "'";
        } else {
            databasePath_ = dir_.file(fileName);
        }
        std::string cmd = std::string(KOVRIN_DB_TOOL) + " create '" + databasePath_ + "'" +
                          (data == Data::Sample ? " --sample" : "") + " --register" + where + " >/dev/null";
        if (std::system(cmd.c_str()) != 0) throw std::runtime_error("kovrin-db failed: " + cmd);
    }

public:
    const std::string& databasePath() const { return databasePath_; }
    const TempDir& dir() const { return dir_; }

    // Runs SQL directly on the database file (set-up and checks), outside the library.
    void exec(const std::string& sql) const {
        auto c = open();
        db::Command cmd;
        cmd.ActiveConnection(c);
        cmd.CommandText = sql;
        cmd.Execute();
        c->Close();
    }
    // The first field of the first row of a query, or Empty when there is no row.
    Variant scalar(const std::string& sql) const {
        auto c = open();
        db::Recordset rs;
        rs.ActiveConnection(c);
        rs.Source = sql;
        rs.Open();
        Variant v = rs.Eof() ? Variant() : rs.Fields(0);
        rs.Close();
        c->Close();
        return v;
    }

    // Makes the database refuse, with `message`, to insert a row into `table` for which `condition`
    // (SQL over NEW) holds: a fault of the database in the middle of a document.
    void refuseInserts(const std::string& table, const std::string& condition, const std::string& message) const {
        if (!server_) {
            exec("CREATE TRIGGER refuse_" + table + " BEFORE INSERT ON " + table + " WHEN " + condition +
                 " BEGIN SELECT RAISE(ABORT, '" + message + "'); END");
            return;
        }
        server_->exec("CREATE FUNCTION refuse_" + table + "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF " + condition +
                      " THEN RAISE EXCEPTION '" + message + "'; END IF; RETURN NEW; END $$; CREATE TRIGGER refuse_" + table +
                      " BEFORE INSERT ON " + table + " FOR EACH ROW EXECUTE FUNCTION refuse_" + table + "()");
    }
    // Takes refuseInserts back.
    void allowInserts(const std::string& table) const {
        if (!server_) exec("DROP TRIGGER IF EXISTS refuse_" + table);
        else server_->exec("DROP TRIGGER IF EXISTS refuse_" + table + " ON " + table + "; DROP FUNCTION IF EXISTS refuse_" + table + "()");
    }

    // The key the engine gives the next row of `table` (whose key column is `key`).
    int32_t nextKey(const std::string& table, const std::string& key) const {
        if (!server_) {
            const Variant seq = scalar("SELECT seq FROM sqlite_sequence WHERE name='" + table + "'");
            return seq.isEmpty() ? 1 : CLng(seq) + 1;
        }
        const std::string sequence = server_->rows("SELECT pg_get_serial_sequence('" + table + "', lower('" + key + "'))")[0][0];
        return std::stoi(server_->rows("SELECT CASE WHEN is_called THEN last_value + 1 ELSE last_value END FROM " + sequence)[0][0]);
    }

    // The engine's own record of the keys it gave (SQLite's sqlite_sequence), where it is kept with
    // the rows; a server's key sequences move on even for rows rolled back, so none there.
    std::string keyCounters() const { return server_ ? "" : "sqlite_sequence"; }

private:
    std::shared_ptr<db::Connection> open() const {
        auto c = std::make_shared<db::Connection>();
        c->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + databasePath_ + ";Mode=Read|Write";
        c->Open();
        return c;
    }

    ScopedRegistry registry_;
    TempDir dir_;
    std::unique_ptr<PostgresDatabase> server_;
    std::string databasePath_;
};

}  // namespace kovrin::test
