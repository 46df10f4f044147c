#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/clsRegistry.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Checks.h"
#include "support/FakeFrontEnd.h"
#include "support/FastClock.h"
#include "support/Installation.h"
#include "support/StatementLog.h"

namespace kovrin {
namespace {

using test::errorOf;
using ::testing::HasSubstr;

struct BalanceTest : ::testing::Test {
    test::Installation inst;
    test::FakeFrontEnd frontEnd;
    Kovrin k;
    clsRegistry reg;
    const std::string stamp = "CustomerBalanceLastDateComputed";

    void setComputedTo(const std::string& date) {
        inst.exec("UPDATE sysSystemParameters SET vcParameterValue='" + date +
                  "' WHERE vcParameterName='qryCustomerBalanceDate'");
    }
};

TEST_F(BalanceTest, OneCustomersBalanceFromTheBalanceQueries) {
    inst.exec("UPDATE Customers SET curOpenBalance=1250.5 WHERE iCustomersID=1");
    inst.exec("INSERT INTO InvoiceHiyuv (iBusinessID, iInvoiceNumber, iCustomersID, curGrandTotal) VALUES (1, 1, 1, 100.25)");
    test::StatementLog statements;
    EXPECT_DOUBLE_EQ(k.GetCustomerBalanceByID(1), 1250.5);
    EXPECT_DOUBLE_EQ(k.GetCustomerBalanceByID(1, true), 1350.75);
    EXPECT_EQ(statements.take(),
              (std::vector<std::string>{"SELECT curBalance FROM qryComputeCustomerBalance WHERE iCustomersID=1",
                                        "SELECT curBalance FROM qryComputeCustomerBalanceHiyuv WHERE iCustomersID=1"}));
    auto e = errorOf([&] { k.GetCustomerBalanceByID(999); });
    EXPECT_EQ(e.number(), 3021);
    EXPECT_THAT(e.source(), ::testing::StartsWith("Kovrin.GetCustomerBalanceByID[50]\\modKovrin.GetCustomerBalanceByID[30]\\"
                                                  "modAccess.GetAccessValue[40]\\"));
    EXPECT_EQ(k.GetCustomerBalanceByForeignKey("CUST-001"), -1);
    EXPECT_EQ(k.GetCustomerBalanceByForeignKey("", true), -1);
}

TEST_F(BalanceTest, ReportOfTheBalanceTablesWithoutRefreshWhenComputedToTheDate) {
    inst.exec("UPDATE tblCustomerBalance SET vcBusinessName='A & B <Ltd>', curBalance=-300.5 WHERE iCustomersID=2");
    inst.exec("UPDATE tblCustomerBalanceIska SET curBalance=77 WHERE iCustomersID=2");
    setComputedTo("05/03/2026");
    test::StatementLog statements;
    const std::string report = k.GetCustomersBalance(Date::fromCalendar(2026, 3, 5, 18, 30));
    EXPECT_FALSE(frontEnd.startedWithin(std::chrono::milliseconds(300)));
    EXPECT_TRUE(statements.contains("SELECT * from tblCustomerBalance WHERE iBusinessID=1 ORDER BY vcBusinessName;"));
    // Ordered by name, so "A & B" comes first.
    EXPECT_THAT(report, ::testing::StartsWith(
                            "<Kovrin>\r\n<ToDate>05/03/2026</ToDate>\r\n<IncludesIska>False</IncludesIska>\r\n"
                            "<Customers>\r\n<Customer><CustomersID>2</CustomersID><CustomerNumber>2</CustomerNumber>"
                            "<BusinessName>A &amp; B &lt;Ltd&gt;</BusinessName><Balance>-300.5</Balance></Customer>\r\n"
                            "<Customer>"));
    EXPECT_THAT(report, ::testing::EndsWith("</Customer>\r\n</Customers>\r\n</Kovrin>\r\n"));
    const std::string iska = k.GetCustomersBalance(Date::fromCalendar(2026, 3, 5), true);
    EXPECT_THAT(iska, HasSubstr("<IncludesIska>True</IncludesIska>"));
    EXPECT_THAT(iska, HasSubstr("<Balance>77</Balance>"));
}

TEST_F(BalanceTest, RefreshWaitsForTheFrontEndsStamp) {
    test::FastClock clock;
    setComputedTo("01/01/2020 & co");  // free text: escaped in the report
    reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", stamp, Variant("01/01/2020 10:00:00"));
    // A generous time-out: the fast clock must not run out before the real front-end process answers.
    EXPECT_THAT(k.GetCustomersBalance(Date::fromCalendar(2026, 3, 5), false, 600),
                HasSubstr("<ToDate>01/01/2020 &amp; co</ToDate>"));
    auto call = frontEnd.next();
    EXPECT_EQ(call.cmdline, frontEnd.program() + " \"" + inst.databasePath() + "\"/x apiUpdateCustomerBalance /cmd 05/03/2026");
    EXPECT_NE(CStr(reg.GetValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", stamp)), "01/01/2020 10:00:00");

    // A front-end that never answers: 2679 at the first poll with more than 20 whole seconds gone.
    frontEnd.silent(true);
    clock.sleeps = 0;
    const int64_t start = clock.elapsed();
    k.DebugMode(true);
    auto e = errorOf([&] { k.GetCustomersBalance(Date::fromCalendar(2026, 3, 5)); });
    EXPECT_EQ(e.number(), 2679);
    EXPECT_EQ(e.description(), "Timeout after 20 seconds.");
    EXPECT_EQ(e.source(), "Kovrin.GetCustomersBalance[40]\\");
    EXPECT_EQ(clock.elapsed() - start, 21000);
    frontEnd.next();

    // Time-out 0: the first poll that sees a whole second gone.
    clock.sleeps = 0;
    EXPECT_EQ(errorOf([&] { k.GetCustomersBalance(Date::fromCalendar(2026, 3, 5), false, 0); }).description(),
              "Timeout after 0 seconds.");
    EXPECT_EQ(clock.sleeps, 1);
    frontEnd.next();

    // A stamp that was never written is not taken for an answer.
    reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", stamp, Variant(""));
    EXPECT_EQ(errorOf([&] { k.GetCustomersBalance(Date::fromCalendar(2026, 3, 5), false, 2); }).number(), 2679);
    frontEnd.next();
}

}  // namespace
}  // namespace kovrin
