// Shared pieces of the database tests: a fresh database file per test, running SQL through the
// layer's own objects, reading all rows, catching errors, and printing Variants in failures.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Variant.h>

#include "platform/db/Database.h"
#include "platform/db/SqliteBackend.h"
#include "support/TempDir.h"

namespace kovrin {
// Type and value, so a failing comparison shows whether the type or the value is wrong.
inline void PrintTo(const Variant& v, std::ostream* os) {
    *os << "(type " << static_cast<int>(v.type()) << ") ";
    if (v.isNull()) *os << "Null";
    else if (v.isEmpty()) *os << "Empty";
    else if (v.type() == VarType::Date) *os << CDate(v).generalDate();
    else *os << CStr(v);
}
}  // namespace kovrin

namespace kovrin::test {

using Rows = std::vector<std::vector<Variant>>;

inline std::string jetConnectionString(const std::string& path, const std::string& mode = "Read|Write") {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Mode=" + mode;
}

inline std::shared_ptr<db::Connection> openConnection(const std::string& path, const std::string& mode = "Read|Write") {
    auto c = std::make_shared<db::Connection>();
    c->ConnectionString = jetConnectionString(path, mode);
    c->CursorLocation = db::UseClient;
    c->Open();
    return c;
}

inline void execute(const std::shared_ptr<db::Connection>& c, const std::string& sql) {
    db::Command cmd;
    cmd.ActiveConnection(c);
    cmd.CommandText = sql;
    cmd.CommandType = db::CmdText;
    cmd.Execute();
}

// Every row of a query, read the way the library reads: Fields by position until Eof.
inline Rows query(const std::shared_ptr<db::Connection>& c, const std::string& sql) {
    db::Recordset rs;
    rs.ActiveConnection(c);
    rs.Source = sql;
    rs.Open();
    Rows rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        std::vector<Variant> row;
        for (int i = 0; i < rs.FieldCount(); ++i) row.push_back(rs.Fields(i));
        rows.push_back(std::move(row));
    }
    rs.Close();
    return rows;
}

// The error a call raises; a default Error (number 0) when it raises none.
inline Error caught(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    return Error(0, "no error");
}

// A new database file in a private folder, with an open connection to it.
class TestDb {
public:
    TestDb() : path(dir.file("books.sqlite")) {
        db::createSqliteDatabase(path);
        conn = openConnection(path);
    }
    void exec(const std::string& sql) { execute(conn, sql); }
    Rows rows(const std::string& sql) { return query(conn, sql); }
    Variant scalar(const std::string& sql) {
        Rows r = rows(sql);
        return r.empty() ? Variant() : r[0][0];
    }

    TempDir dir;
    std::string path;
    std::shared_ptr<db::Connection> conn;
};

// Runs `body` in a forked child process; its return value is the child's exit status. The child
// never returns into the test framework.
inline pid_t spawn(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        _exit(code);
    }
    return pid;
}

inline int waitExit(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline Variant L(int32_t v) { return Variant(v); }
inline Variant Cur(const char* text) { return Variant(Currency::parse(text)); }
inline Variant Dt(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return Variant(Date::fromCalendar(y, m, d, hh, mm, ss));
}
inline Variant Null() { return Variant::null(); }

}  // namespace kovrin::test
