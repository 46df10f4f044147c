// The pooled shared connection and its write transactions, on real database files.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/Utils.h>

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "api/core/Connection.h"
#include "api/core/State.h"
#include "support/Checks.h"
#include "support/Installation.h"

using namespace kovrin;
using kovrin::test::errorOf;
using kovrin::test::Installation;

namespace {

bool noDebug = false;

void insertError(const std::string& text) {
    core::execute("INSERT INTO Errors (vcErrorDescription, iBusinessID) VALUES ('" + text + "', 1)");
}

long long count(const Installation& inst, const std::string& where = "1=1") {
    return CLng(inst.scalar("SELECT Count(*) FROM Errors WHERE " + where));
}

int32_t newCustomer(Kovrin& k, const std::string& name) {
    return k.CreateCustomer(name, "", "", "", "", "", "", "", "", "", "", "", "", Currency(), "", "", 0, 0, Currency(),
                            "NIS", "");
}

}  // namespace

// Invoice creation runs lookups (customer, VAT) that end with CloseAll between the number and the
// inserts: they must neither end the transaction nor close the rows a caller is walking.
TEST(SharedConnection, NestedLookupsNeitherEndTheTransactionNorCloseTheCallersRows) {
    Installation inst;
    Kovrin k;
    const int32_t first = newCustomer(k, "A");
    newCustomer(k, "B");

    for (bool fail : {false, true}) {
        SCOPED_TRACE(fail ? "rolled back" : "committed");
        const long long before = count(inst);
        Error e = errorOf([&] {
            modKovrin::OpenConnection(noDebug);
            core::inWriteTransaction([&] {
                insertError("header");
                EXPECT_FALSE(Utils().GetVatRate(Date::fromCalendar({2024, 1, 1}), false).empty());
                EXPECT_EQ(k.GetCustomerByID(first)->BusinessName(), "A");
                modKovrin::OpenConnection(noDebug);
                insertError("line");
                modKovrin::CloseAll();
                if (fail) raiseError(7283, "forced");
            });
            modKovrin::CloseAll();
            raiseError(1, "done");
        });
        EXPECT_EQ(e.number(), fail ? 7283 : 1);
        EXPECT_EQ(count(inst), before + (fail ? 0 : 2));
        EXPECT_EQ(core::state().writeLevels, 0);
    }

    // A walk over rows that looks up each row's customer sees every row.
    modKovrin::OpenConnection(noDebug);
    db::Recordset rs = core::query("SELECT iCustomersID, vcBusinessName FROM Customers ORDER BY iCustomersID");
    long seen = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++seen)
        EXPECT_EQ(k.GetCustomerByID(CLng(rs.Fields(0)))->BusinessName(), CStr(rs.Fields(1)));
    EXPECT_EQ(seen, rs.RecordCount());
    EXPECT_GE(seen, 2);
    modKovrin::CloseAll();
    EXPECT_EQ(errorOf([] { core::execute("DELETE FROM Errors"); }).number(), 3709);  // released after CloseAll
}

// Whatever statement of a document fails, nothing of it is stored and the caller gets the error
// as the engine raised it.
TEST(SharedConnection, WriteTransactionFailingAtAnyStatementLeavesNothing) {
    Installation inst;
    Kovrin k;
    const std::vector<std::string> statements = {"h", "l1", "l2", "total"};
    for (std::size_t failing = 0; failing < statements.size(); ++failing) {
        SCOPED_TRACE(statements[failing]);
        inst.allowInserts("Errors");
        inst.refuseInserts("Errors", "NEW.vcErrorDescription='" + statements[failing] + "'", "forced failure");
        const long long before = count(inst);
        Error e = errorOf([&] {
            modKovrin::OpenConnection(noDebug);
            core::inWriteTransaction([&] {
                for (const std::string& s : statements) {
                    insertError(s);
                    Utils().GetExchangeRate("USD", false);  // a lookup ending with CloseAll between statements
                }
            });
        });
        EXPECT_EQ(e.number(), -2147467259);
        EXPECT_NE(e.description().find("forced failure"), std::string::npos) << e.description();
        EXPECT_EQ(count(inst), before);
        EXPECT_EQ(core::state().writeLevels, 0);
    }
    inst.allowInserts("Errors");
    EXPECT_GT(newCustomer(k, "after the failures"), 0);  // the pooled connection is still sound
}

// The pooled handle follows the file KovrinPath names: never a write into a deleted file
// reported as success, and a replaced file is opened anew.
TEST(SharedConnection, PooledHandleFollowsTheFileItsPathNames) {
    if (Installation::onServer()) GTEST_SKIP() << "a database on a server is no file to delete or replace";
    Installation inst;
    Kovrin k;
    k.GetOsekMorshe();  // leaves the handle in the pool
    const std::string path = inst.databasePath();
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
    Error gone = errorOf([&] { newCustomer(k, "into the void"); });
    EXPECT_EQ(gone.number(), -2147467259);
    EXPECT_EQ(gone.description(), "Could not find file '" + path + "'.");

    ASSERT_EQ(std::system((std::string(KOVRIN_DB_TOOL) + " create '" + path + "' >/dev/null").c_str()), 0);
    const int32_t id = newCustomer(k, "in the new file");
    EXPECT_EQ(CStr(inst.scalar("SELECT vcBusinessName FROM Customers WHERE iCustomersID=" + std::to_string(id))),
              "in the new file");

    // Replaced under an open write transaction: the commit fails loudly and stores nothing.
    modKovrin::OpenConnection(noDebug);
    Error replaced = errorOf([&] {
        core::inWriteTransaction([&] {
            insertError("lost");
            core::state().connection = std::make_shared<db::Connection>();
        });
    });
    EXPECT_EQ(replaced.number(), -2147168242);
    EXPECT_EQ(count(inst, "vcErrorDescription='lost'"), 0);
    EXPECT_EQ(core::state().writeLevels, 0);
    EXPECT_GT(newCustomer(k, "after the replacement"), id);
}

// The queries between OpenConnection and CloseAll share one read snapshot; it ends there, so the
// next lookup or operation sees what other programs stored meanwhile, and a write inside a
// reading stretch is stored at once rather than at its end.
TEST(SharedConnection, ReadsShareOneMomentUntilCloseAllAndLeaveNoSnapshotBehind) {
    Installation inst;
    Kovrin k;
    const int32_t id = newCustomer(k, "before");
    auto rename = [&](const std::string& name) {
        inst.exec("UPDATE Customers SET vcBusinessName='" + name + "' WHERE iCustomersID=" + std::to_string(id));
    };
    auto name = [&] {
        return CStr(core::query("SELECT vcBusinessName FROM Customers WHERE iCustomersID=" + std::to_string(id)).Fields(0));
    };
    EXPECT_EQ(k.GetCustomerByID(id)->BusinessName(), "before");
    rename("between");
    EXPECT_EQ(k.GetCustomerByID(id)->BusinessName(), "between");  // a leftover snapshot would say "before"

    {
        std::lock_guard operation(core::state().lock);  // one operation, as a public call holds it
        modKovrin::OpenConnection(noDebug);
        EXPECT_EQ(name(), "between");
        rename("during");
        EXPECT_EQ(name(), "between");  // one moment until CloseAll
        insertError("written inside");
        EXPECT_EQ(count(inst, "vcErrorDescription='written inside'"), 1);  // stored, not held back
        EXPECT_EQ(name(), "during");                                        // and the snapshot renewed
        rename("later");
        modKovrin::CloseAll();
        // Another program's work waited for after CloseAll (the front-end's balances) is seen.
        modKovrin::OpenConnection(noDebug);
        EXPECT_EQ(name(), "later");
        rename("last");
        // An error skipping CloseAll: the operation's end still lets the snapshot go.
    }
    EXPECT_FALSE(core::state().readHeld);
    EXPECT_EQ(k.GetCustomerByID(id)->BusinessName(), "last");
}
