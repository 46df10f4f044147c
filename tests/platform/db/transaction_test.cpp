// Transactions, and several processes sharing one database file.
#include <csignal>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/db/Errors.h"
#include "DbTest.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

// A pipe between a child process and the test; each message is one int.
struct Pipe {
    Pipe() {
        if (pipe(fd) != 0) throw std::runtime_error("pipe failed");
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (fd[0] >= 0) close(fd[0]);
        fd[0] = -1;
    }
    void closeWrite() {
        if (fd[1] >= 0) close(fd[1]);
        fd[1] = -1;
    }
    bool send(int v) { return write(fd[1], &v, sizeof v) == static_cast<ssize_t>(sizeof v); }
    bool receive(int& v) { return read(fd[0], &v, sizeof v) == static_cast<ssize_t>(sizeof v); }
    int fd[2] = {-1, -1};
};

}  // namespace

TEST(DbTransactions, RollbackNestingAndCloseUndoWhatWasNotCommitted) {
    TestDb db;
    db.exec("CREATE TABLE T (n INTEGER PRIMARY KEY)");

    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (1)");
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM T"), L(1));  // the transaction sees its own rows
    db.conn->RollbackTrans();
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM T"), L(0));

    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (2)");
    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (3)");
    db.conn->RollbackTrans();  // undoes the inner level only
    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (4)");
    db.conn->CommitTrans();
    db.conn->CommitTrans();
    EXPECT_EQ(db.rows("SELECT n FROM T ORDER BY n"), (Rows{{L(2)}, {L(4)}}));

    Error none = caught([&] { db.conn->CommitTrans(); });
    EXPECT_EQ(none.number(), -2147168242);
    EXPECT_EQ(none.description(), "No transaction is active.");
    EXPECT_EQ(caught([&] { db.conn->RollbackTrans(); }).number(), -2147168242);

    // A statement failing inside a transaction undoes only itself.
    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (5)");
    EXPECT_THROW(db.exec("INSERT INTO T VALUES (5)"), Error);
    db.conn->CommitTrans();
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM T"), L(3));

    // Closing with a transaction open rolls it back; so does dropping the connection.
    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (6)");
    db.conn->Close();
    db.conn->Open();
    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (7)");
    db.conn.reset();
    db.conn = openConnection(db.path);
    EXPECT_EQ(db.rows("SELECT n FROM T ORDER BY n"), (Rows{{L(2)}, {L(4)}, {L(5)}}));
}

TEST(DbTransactions, ATransactionTheEngineEndedRefusesFurtherWork) {
    TestDb db;
    db.exec("CREATE TABLE T (n INTEGER)");
    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (1)");
    db.exec("ROLLBACK");  // stands in for the engine undoing the transaction after a disk or I/O error
    // Running on would commit each statement alone while the caller still counts on RollbackTrans.
    EXPECT_EQ(caught([&] { db.exec("INSERT INTO T VALUES (2)"); }).number(), -2147467259);
    Error commit = caught([&] { db.conn->CommitTrans(); });
    EXPECT_EQ(commit.number(), -2147467259);  // not reported as a success
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM T"), L(0));

    db.conn->BeginTrans();
    db.exec("INSERT INTO T VALUES (3)");
    db.exec("ROLLBACK");
    EXPECT_NO_THROW(db.conn->RollbackTrans());  // already undone: rolling back is fine
    db.exec("INSERT INTO T VALUES (4)");
    EXPECT_EQ(db.rows("SELECT n FROM T"), (Rows{{L(4)}}));
}

TEST(DbProcesses, TwoProcessesIncrementingInsideTransactionsLoseNoUpdate) {
    TestDb db;
    db.exec("CREATE TABLE Counter (n LONG)");
    db.exec("INSERT INTO Counter VALUES (0)");
    db.conn->Close();

    // Read, then write the value read plus one, as the next document number is taken.
    auto incrementer = [&] {
        for (int i = 0; i < 500; ++i) {
            auto c = openConnection(db.path);  // the library opens per operation
            c->BeginTrans();
            int32_t n = CLng(query(c, "SELECT n FROM Counter")[0][0]);
            execute(c, "UPDATE Counter SET n=" + std::to_string(n + 1));
            c->CommitTrans();
        }
        return 0;
    };
    pid_t a = spawn(incrementer);
    pid_t b = spawn(incrementer);
    EXPECT_EQ(waitExit(a), 0);
    EXPECT_EQ(waitExit(b), 0);
    db.conn->Open();
    EXPECT_EQ(db.scalar("SELECT n FROM Counter"), L(1000));
}

TEST(DbProcesses, AKilledWriterLeavesAConsistentFileWithEveryCommit) {
    TestDb db;
    db.exec("CREATE TABLE Docs (id LONG PRIMARY KEY)");
    db.exec("CREATE TABLE Lines (doc LONG, k LONG)");
    db.conn->Close();

    Pipe committed;
    pid_t writer = spawn([&] {
        committed.closeRead();
        auto c = openConnection(db.path);
        for (int id = 1;; ++id) {
            c->BeginTrans();
            execute(c, "INSERT INTO Docs VALUES (" + std::to_string(id) + ")");
            for (int k = 0; k < 3; ++k)
                execute(c, "INSERT INTO Lines VALUES (" + std::to_string(id) + "," + std::to_string(k) + ")");
            c->CommitTrans();
            if (!committed.send(id)) return 1;
        }
    });
    committed.closeWrite();
    std::set<int> reported;
    int id = 0;
    while (reported.size() < 40 && committed.receive(id)) reported.insert(id);
    ASSERT_EQ(reported.size(), 40u);
    kill(writer, SIGKILL);
    EXPECT_EQ(waitExit(writer), 128 + SIGKILL);
    while (committed.receive(id)) reported.insert(id);

    db.conn->Open();
    EXPECT_EQ(db.rows("PRAGMA integrity_check"), (Rows{{Variant("ok")}}));
    for (int r : reported)
        EXPECT_EQ(db.scalar("SELECT Count(*) FROM Docs WHERE id=" + std::to_string(r)), L(1)) << "commit " << r;
    // Each transaction is there whole or not at all.
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM Docs WHERE (SELECT Count(*) FROM Lines WHERE doc=id) <> 3"), L(0));
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM Lines WHERE doc NOT IN (SELECT id FROM Docs)"), L(0));
}

TEST(DbProcesses, AReaderIsNotBlockedByAnOpenWriteTransaction) {
    TestDb db;
    db.exec("CREATE TABLE T (n LONG)");
    db.exec("INSERT INTO T VALUES (1)");
    db.conn->Close();

    Pipe toTest, toWriter;
    pid_t writer = spawn([&] {
        auto c = openConnection(db.path);
        c->BeginTrans();
        execute(c, "INSERT INTO T VALUES (2)");
        toTest.send(1);  // holding the write lock with a change not yet committed
        int go = 0;
        if (!toWriter.receive(go)) return 1;
        c->CommitTrans();
        toTest.send(2);
        return 0;
    });
    int msg = 0;
    ASSERT_TRUE(toTest.receive(msg));
    ASSERT_EQ(msg, 1);
    db.conn->Open();  // opening while another process writes
    EXPECT_EQ(db.rows("SELECT n FROM T"), (Rows{{L(1)}}));  // the committed state, at once
    toWriter.send(0);
    ASSERT_TRUE(toTest.receive(msg));
    EXPECT_EQ(waitExit(writer), 0);
    EXPECT_EQ(db.rows("SELECT n FROM T ORDER BY n"), (Rows{{L(1)}, {L(2)}}));
}

TEST(DbTransactions, ReadSnapshotHoldsUntilEndReadAndNeverHoldsBackAWrite) {
    TestDb db;
    db.exec("CREATE TABLE T (n INTEGER PRIMARY KEY)");
    db.exec("INSERT INTO T VALUES (1)");
    auto other = openConnection(db.path);
    auto count = [](const std::shared_ptr<db::Connection>& c) { return query(c, "SELECT Count(*) FROM T")[0][0]; };

    db::Backend& backend = db.conn->backend();
    backend.beginRead();
    backend.beginRead();  // nests
    EXPECT_EQ(count(db.conn), L(1));
    execute(other, "INSERT INTO T VALUES (2)");
    EXPECT_EQ(count(db.conn), L(1));  // one moment for all reads of the operation
    backend.endRead();
    EXPECT_EQ(count(db.conn), L(1));  // still inside the outer level
    // A write ends the snapshot and is stored at once: the other connection sees it before endRead.
    db.exec("INSERT INTO T VALUES (3)");
    EXPECT_EQ(count(other), L(3));
    EXPECT_EQ(count(db.conn), L(3));
    execute(other, "INSERT INTO T VALUES (4)");
    EXPECT_EQ(count(db.conn), L(3));  // a new snapshot, taken by the first read after the write
    // A write transaction inside a read takes the write lock although a snapshot is open.
    db.conn->BeginTrans();
    EXPECT_EQ(count(db.conn), L(4));
    db.exec("INSERT INTO T VALUES (5)");
    db.conn->CommitTrans();
    EXPECT_EQ(count(other), L(5));
    backend.endRead();
    backend.endRead();  // more ends than begins are ignored
    execute(other, "INSERT INTO T VALUES (6)");
    EXPECT_EQ(count(db.conn), L(6));  // no snapshot left behind
    // Nothing is held: the other connection can take the write lock at once.
    other->BeginTrans();
    other->CommitTrans();
}
