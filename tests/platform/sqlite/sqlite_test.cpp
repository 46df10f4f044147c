// The SQLite layer: failures keep SQLite's code and are told apart, transactions undo what was
// not committed, statements bind and read values, and a lock is waited for only so long.
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "platform/sqlite/Sqlite.h"
#include "support/TempDir.h"

using namespace kovrin::sqlite;
using kovrin::test::TempDir;

namespace {

const int ReadWrite = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

Failure failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& e) {
        return e;
    }
    return Failure(SQLITE_OK, "no failure");
}

}  // namespace

TEST(Sqlite, FailuresKeepTheExtendedCodeAndAreToldApart) {
    TempDir dir;
    const std::string path = dir.file("t.sqlite");
    Connection db(path, ReadWrite, 50);
    db.useStandardSettings(true);
    db.exec("CREATE TABLE t (k INTEGER PRIMARY KEY, n TEXT NOT NULL UNIQUE); INSERT INTO t VALUES (1, 'a')");
    Connection other(path, SQLITE_OPEN_READWRITE, 50);
    std::ofstream(dir.file("junk.sqlite")) << std::string(4096, 'x');
    Connection reader(path, SQLITE_OPEN_READONLY, 50);

    struct Case {
        const char* what;
        std::function<void()> run;
        int code;
        bool busy, constraint, full, readOnly, notADatabase;
    };
    const std::vector<Case> cases = {
        {"unique", [&] { db.exec("INSERT INTO t VALUES (2, 'a')"); }, SQLITE_CONSTRAINT_UNIQUE, false, true, false, false, false},
        {"not null", [&] { db.exec("INSERT INTO t VALUES (3, NULL)"); }, SQLITE_CONSTRAINT_NOTNULL, false, true, false, false, false},
        {"read-only", [&] { reader.exec("DELETE FROM t"); }, SQLITE_READONLY, false, false, false, true, false},
        {"busy",
         [&] {
             Transaction holding(db);
             other.exec("BEGIN IMMEDIATE");
         },
         SQLITE_BUSY, true, false, false, false, false},
        {"full",
         [&] {
             Connection small(dir.file("small.sqlite"), ReadWrite, 50);
             small.exec("PRAGMA max_page_count = 3; CREATE TABLE b (x)");
             small.exec("INSERT INTO b VALUES (zeroblob(100000))");
         },
         SQLITE_FULL, false, false, true, false, false},
        {"no database", [&] { Connection(dir.file("junk.sqlite"), SQLITE_OPEN_READWRITE, 50).exec("SELECT * FROM t"); },
         SQLITE_NOTADB, false, false, false, false, true},
        {"missing file", [&] { Connection(dir.file("none/x.sqlite"), SQLITE_OPEN_READWRITE, 50); }, SQLITE_CANTOPEN, false,
         false, false, false, false},
        {"syntax", [&] { Statement(db, "SELEC 1"); }, SQLITE_ERROR, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Failure f = failureOf(c.run);
        EXPECT_EQ(f.code(), c.code) << f.what();
        EXPECT_EQ(f.busy(), c.busy);
        EXPECT_EQ(f.constraint(), c.constraint);
        EXPECT_EQ(f.diskFull(), c.full);
        EXPECT_EQ(f.readOnly(), c.readOnly);
        EXPECT_EQ(f.notADatabase(), c.notADatabase);
        EXPECT_FALSE(f.message().empty());
    }
    // Nothing of the failed statements was stored, and the busy writer's lock is gone with it.
    Statement count(db, "SELECT count(*), group_concat(n) FROM t");
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.integer(0), 1);
    EXPECT_EQ(count.text(1), "a");
    EXPECT_FALSE(db.inTransaction());
}

TEST(Sqlite, TransactionsUndoWhatWasNotCommittedAndStatementsBindValues) {
    TempDir dir;
    Connection db(dir.file("t.sqlite"), ReadWrite, 1000);
    db.useStandardSettings(true);
    db.exec("CREATE TABLE t (i INTEGER, r REAL, s TEXT, b BLOB)");
    auto rows = [&] {
        Statement st(db, "SELECT count(*) FROM t");
        st.step();
        return st.integer(0);
    };
    {
        Transaction undone(db);
        db.exec("INSERT INTO t (i) VALUES (1)");
        EXPECT_TRUE(db.inTransaction());
    }  // no commit: rolled back
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(rows(), 0);
    try {
        Transaction failing(db);
        db.exec("INSERT INTO t (i) VALUES (1)");
        db.exec("INSERT INTO nowhere VALUES (1)");
        failing.commit();
    } catch (const Failure&) {
    }
    EXPECT_EQ(rows(), 0);

    {
        Transaction kept(db, Transaction::Deferred);
        Statement insert(db, "INSERT INTO t VALUES (?, ?, ?, ?)");
        const std::string text = "שלום 'x' \"y\"";
        const std::string bytes("\0\1\2", 3);
        insert.bind(1, int64_t{1} << 40).bind(2, 0.1).bind(3, std::string_view(text)).bindBlob(4, bytes);
        EXPECT_FALSE(insert.step());
        insert.reset();
        insert.bindNull(1).bindNull(2).bindNull(3).bindNull(4);
        EXPECT_FALSE(insert.step());
        kept.commit();
        EXPECT_EQ(db.lastInsertRowid(), 2);
        Statement read(db, "SELECT i, r, s, b, typeof(i) AS kind FROM t ORDER BY rowid");
        ASSERT_TRUE(read.step());
        EXPECT_EQ(read.integer(0), int64_t{1} << 40);
        EXPECT_EQ(read.real(1), 0.1);
        EXPECT_EQ(read.text(2), text);
        EXPECT_EQ(read.blob(3), bytes);
        EXPECT_EQ(read.columnName(4), "kind");
        EXPECT_EQ(read.text(4), "integer");
        ASSERT_TRUE(read.step());
        for (int c = 0; c < 4; ++c) EXPECT_TRUE(read.isNull(c));
        EXPECT_FALSE(read.step());
    }
    EXPECT_EQ(rows(), 2);
}

TEST(Sqlite, ALockIsWaitedForUpToTheTimeoutThenReportedBusy) {
    TempDir dir;
    const std::string path = dir.file("t.sqlite");
    Connection holder(path, ReadWrite, 1000);
    holder.useStandardSettings(true);
    holder.exec("CREATE TABLE t (x)");
    Connection waiter(path, SQLITE_OPEN_READWRITE, 200);
    Transaction held(holder);
    const auto start = std::chrono::steady_clock::now();
    Failure f = failureOf([&] { waiter.exec("INSERT INTO t VALUES (1)"); });
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(f.busy()) << f.what();
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    held.commit();
    waiter.lockWait().setTimeoutMs(0);
    waiter.exec("INSERT INTO t VALUES (1)");  // free again: no wait needed
}
