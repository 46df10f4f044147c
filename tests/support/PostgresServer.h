// A real PostgreSQL server for tests, and a fresh database on it for each test.
//
// The server is the one scripts/postgres-server started for the whole test run when
// KOVRIN_PG_SOCKET_DIR names its socket folder (ctest does that through a fixture); otherwise the
// test program starts a private one of its own and stops it when it exits. Tests that need a server
// skip, with the reason, only when the PostgreSQL server programs are not installed.
#pragma once

#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifndef KOVRIN_POSTGRES_SERVER_SCRIPT
#error "KOVRIN_POSTGRES_SERVER_SCRIPT must name scripts/postgres-server"
#endif

namespace kovrin::test {

class PostgresServer {
public:
    // The server of this test run, or nullptr when PostgreSQL is not installed.
    static PostgresServer* shared() {
        static std::unique_ptr<PostgresServer> server = start();
        return server.get();
    }

    ~PostgresServer() {
        if (owner_ == ::getpid()) script("stop");  // never from a forked child
    }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    const std::string& socketFolder() const { return folder_; }

    // A libpq URI for a database of this server: the socket folder is the host, percent-encoded.
    std::string uri(const std::string& database) const {
        std::string host;
        for (unsigned char c : folder_) {
            if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') host += static_cast<char>(c);
            else {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                host += hex;
            }
        }
        return "postgresql://" + host + "/" + database;
    }

    // Runs SQL as the server's superuser in `database` and returns its rows, each value as text
    // (NULL as "NULL"); throws with the server's message.
    std::vector<std::vector<std::string>> rows(const std::string& sql, const std::string& database = "postgres") const {
        PGconn* c = PQconnectdb(uri(database).c_str());
        std::string problem;
        std::vector<std::vector<std::string>> result;
        if (PQstatus(c) != CONNECTION_OK) {
            problem = PQerrorMessage(c);
        } else {
            PQsetClientEncoding(c, "UTF8");
            PGresult* r = PQexec(c, sql.c_str());
            const ExecStatusType status = PQresultStatus(r);
            if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) problem = PQresultErrorMessage(r);
            for (int row = 0; row < PQntuples(r); ++row) {
                result.emplace_back();
                for (int col = 0; col < PQnfields(r); ++col)
                    result.back().emplace_back(PQgetisnull(r, row, col) ? "NULL" : PQgetvalue(r, row, col));
            }
            PQclear(r);
        }
        PQfinish(c);
        if (!problem.empty()) throw std::runtime_error(sql + ": " + problem);
        return result;
    }
    void exec(const std::string& sql, const std::string& database = "postgres") const { rows(sql, database); }

    // A fast shutdown and a start again: every connection is dropped, the data stays.
    void restart() const {
        if (!script("restart")) throw std::runtime_error("the PostgreSQL server did not restart");
    }

private:
    PostgresServer(std::string folder, bool owned) : folder_(std::move(folder)), owner_(owned ? ::getpid() : 0) {}

    static std::unique_ptr<PostgresServer> start() {
        if (const char* given = std::getenv("KOVRIN_PG_SOCKET_DIR"); given && *given)
            return std::unique_ptr<PostgresServer>(new PostgresServer(given, false));
        return startPrivate();
    }

public:
    // A server of the caller's own, stopped with the object (for a test that restarts it); nullptr
    // when PostgreSQL is not installed.
    static std::unique_ptr<PostgresServer> startPrivate() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kovrin-pg-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        std::unique_ptr<PostgresServer> server(new PostgresServer(pattern, true));
        const int status = server->run("start");
        if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {  // not installed
            std::filesystem::remove_all(pattern);
            server->owner_ = 0;
            return nullptr;
        }
        if (status != 0) throw std::runtime_error("scripts/postgres-server could not start a server in " + pattern);
        return server;
    }

private:
    int run(const char* command) const {
        const std::string line = std::string("'") + KOVRIN_POSTGRES_SERVER_SCRIPT + "' " + command + " '" + folder_ + "'";
        return std::system(line.c_str());
    }
    bool script(const char* command) const { return run(command) == 0; }

    std::string folder_;
    pid_t owner_;
};

// An empty database of its own on the test run's server, dropped with the object.
class PostgresDatabase {
public:
    explicit PostgresDatabase(PostgresServer& server) : server_(server) {
        static std::atomic<int> count{0};
        name_ = "kovrin_test_" + std::to_string(::getpid()) + "_" + std::to_string(count++);
        server_.exec("CREATE DATABASE " + name_ + " TEMPLATE template0 ENCODING 'UTF8'");
        owner_ = ::getpid();
    }
    ~PostgresDatabase() {
        if (owner_ != ::getpid()) return;
        try {
            server_.exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        } catch (const std::exception&) {
            // the server's folder goes with the run anyway
        }
    }
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    const std::string& name() const { return name_; }
    std::string uri() const { return server_.uri(name_); }
    void exec(const std::string& sql) const { server_.exec(sql, name_); }
    std::vector<std::vector<std::string>> rows(const std::string& sql) const { return server_.rows(sql, name_); }
    PostgresServer& server() const { return server_; }

private:
    PostgresServer& server_;
    std::string name_;
    pid_t owner_ = 0;
};

}  // namespace kovrin::test

// Skips the test when there is no PostgreSQL to run it against; otherwise `server` is the run's one.
#define KOVRIN_POSTGRES_SERVER(server)                                                                  \
    ::kovrin::test::PostgresServer* server##_ptr = ::kovrin::test::PostgresServer::shared();             \
    if (!server##_ptr) GTEST_SKIP() << "PostgreSQL is not installed (initdb and pg_ctl not found)";       \
    ::kovrin::test::PostgresServer& server = *server##_ptr
