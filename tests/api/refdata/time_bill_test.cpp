#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/TimeBillItem.h>
#include <KovrinAPI/runtime/Error.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Installation.h"
#include "support/Checks.h"
#include "support/StatementLog.h"

using namespace kovrin;
using kovrin::test::Installation;
using testing::ElementsAre;
using testing::StartsWith;

using kovrin::test::errorOf;
using kovrin::test::StatementLog;

namespace {

const std::string InsertHead =
    "INSERT INTO TimeBills (iCustomersID, datStart,   datEnd, fltHours, curRate, vcCurrencySymbol, nvcDescription, "
    "nvcAppointmentID, iInvoiceTypeLink, iInvoiceNumber, iBusinessID)  VALUES(";

Date at(int hour, int minute, int second = 0) { return Date::fromCalendar(2024, 5, 1, hour, minute, second); }

int64_t count(const Installation& inst, const std::string& where) {
    return CLng(inst.scalar("SELECT COUNT(*) FROM TimeBills WHERE " + where));
}

// "rate symbol" of a stored bill.
std::string rateOf(const Installation& inst, int32_t id) {
    const std::string where = " FROM TimeBills WHERE iTimeBillsID=" + std::to_string(id);
    return CCur(inst.scalar("SELECT curRate" + where)).toString() + " " +
           CStr(inst.scalar("SELECT vcCurrencySymbol" + where));
}

}  // namespace

TEST(TimeBills, SameAppointmentReplacesItsBillInTheCurrentBusinessOnly) {
    Installation inst;
    Kovrin k;
    k.BusinessID(2);
    int32_t other = k.CreateTimeBill(7, at(8, 0), at(9, 0), "business 2", "APT-1", "", Currency(100), "NIS");
    k.BusinessID(1);

    StatementLog log;
    int32_t first = k.CreateTimeBill(3, at(9, 0), at(10, 30), "Setup O'Neill", "APT-1", "123", Currency::parse("250.5"),
                                     "USD");
    EXPECT_THAT(log.take(),
                ElementsAre("DELETE FROM TimeBills WHERE nvcAppointmentID='APT-1' AND iBusinessID=1",
                            InsertHead + "3,#05/01/2024 09:00#, #05/01/2024 10:30#,1.5,250.5, '$','Setup O''Neill','APT-1', 1, "
                                         "'123',1)",
                            "SELECT @@IDENTITY"));
    EXPECT_GT(first, other);
    EXPECT_EQ(CStr(inst.scalar("SELECT vcCurrencySymbol FROM TimeBills WHERE iTimeBillsID=" + std::to_string(first))), "$");
    EXPECT_EQ(CStr(inst.scalar("SELECT iInvoiceNumber FROM TimeBills WHERE iTimeBillsID=" + std::to_string(first))), "123");
    EXPECT_EQ(CDbl(inst.scalar("SELECT fltHours FROM TimeBills WHERE iTimeBillsID=" + std::to_string(first))), 1.5);
    EXPECT_EQ(CDate(inst.scalar("SELECT datEnd FROM TimeBills WHERE iTimeBillsID=" + std::to_string(first))), at(10, 30));

    // Again for the same appointment: one row, the later one, under a new key.
    int32_t second = k.CreateTimeBill(3, at(11, 0), at(11, 0), "second", "APT-1", "", Currency(80), "NIS");
    EXPECT_NE(second, first);
    EXPECT_EQ(count(inst, "iBusinessID=1 AND nvcAppointmentID='APT-1'"), 1);
    EXPECT_EQ(CStr(inst.scalar("SELECT nvcDescription FROM TimeBills WHERE iTimeBillsID=" + std::to_string(second))), "second");
    EXPECT_EQ(CDbl(inst.scalar("SELECT fltHours FROM TimeBills WHERE iTimeBillsID=" + std::to_string(second))), 0);
    EXPECT_TRUE(inst.scalar("SELECT iInvoiceNumber FROM TimeBills WHERE iTimeBillsID=" + std::to_string(second)).isNull());

    // Business 2's bill of the same appointment was neither deleted nor changed.
    EXPECT_EQ(CStr(inst.scalar("SELECT nvcDescription FROM TimeBills WHERE iTimeBillsID=" + std::to_string(other))),
              "business 2");
    EXPECT_EQ(count(inst, "iBusinessID=2"), 1);

    // The key returned is the one of the row just written, even when another business has larger keys.
    k.BusinessID(2);
    int32_t later = k.CreateTimeBill(7, at(8, 0), at(9, 0), "", "APT-9", "", Currency(1), "NIS");
    k.BusinessID(1);
    int32_t third = k.CreateTimeBill(3, at(9, 0), at(9, 20), "third", "APT-3", "", Currency(1), "NIS");
    EXPECT_GT(third, later);
    EXPECT_EQ(CStr(inst.scalar("SELECT nvcAppointmentID FROM TimeBills WHERE iTimeBillsID=" + std::to_string(third))), "APT-3");
}

TEST(TimeBills, EmptyAppointmentIsStoredAsNullAndDeletesNothing) {
    Installation inst;
    Kovrin k;
    StatementLog log;
    int32_t a = k.CreateTimeBill(1, at(9, 0), at(9, 20), "", "", "", Currency(0), "NIS");
    int32_t b = k.CreateTimeBill(1, at(9, 0), at(9, 20), "", "", "", Currency(0), "NIS");
    std::vector<std::string> sql = log.take();
    ASSERT_EQ(sql.size(), 4u) << testing::PrintToString(sql);
    EXPECT_EQ(sql[0], InsertHead + "1,#05/01/2024 09:00#, #05/01/2024 09:20#,0.333333333333333,0, '₪',NULL,NULL, 1, NULL,1)");
    EXPECT_EQ(sql[1], "SELECT @@IDENTITY");
    EXPECT_EQ(sql[2], sql[0]);
    EXPECT_EQ(sql[3], sql[1]);
    EXPECT_NE(a, b);
    EXPECT_EQ(count(inst, "nvcAppointmentID IS NULL AND iBusinessID=1"), 2);
}

TEST(TimeBills, HoursCountTheMinuteBoundariesCrossed) {
    Installation inst;
    Kovrin k;
    StatementLog log;
    auto hoursText = [&](Date start, Date end) {
        log.take();
        k.CreateTimeBill(1, start, end, "", "", "", Currency(0), "NIS");
        const std::string& insert = log.sql.at(0);
        std::size_t pos = insert.find("#,", insert.find("#, #") + 4) + 2;
        return insert.substr(pos, insert.find(',', pos) - pos);
    };
    EXPECT_EQ(hoursText(at(9, 0), at(10, 30)), "1.5");
    EXPECT_EQ(hoursText(at(9, 0, 59), at(9, 1, 0)), "0.0166666666666667");  // one boundary in one second
    EXPECT_EQ(hoursText(at(9, 0, 0), at(9, 0, 59)), "0");
    EXPECT_EQ(hoursText(at(10, 30), at(9, 0)), "-1.5");
    EXPECT_EQ(hoursText(Date::fromCalendar(2024, 5, 1, 23, 30), Date::fromCalendar(2024, 5, 2, 0, 15)), "0.75");
    EXPECT_EQ(hoursText(Date::fromCalendar(1899, 12, 29, 23, 0), Date::fromCalendar(1899, 12, 30, 1, 0)), "2");
}

TEST(TimeBills, RateAndCurrencyComeFromTheCustomerOnlyWhenLeftOut) {
    Installation inst;
    Kovrin k;
    const int32_t dollarCustomer = CLng(inst.scalar("SELECT iCustomersID FROM Customers WHERE vcForeignKey='CUST-002'"));
    StatementLog log;

    // Both given: the customer is not read, and a given 0 rate stays 0.
    int32_t id = k.CreateTimeBill(dollarCustomer, at(9, 0), at(10, 0), "", "", "", Currency(0), "NIS");
    for (const std::string& s : log.take()) EXPECT_THAT(s, testing::Not(testing::HasSubstr("FROM Customers")));
    EXPECT_EQ(rateOf(inst, id), "0 ₪");

    log.take();
    id = k.CreateTimeBill(dollarCustomer, at(9, 0), at(10, 0), "", "", "");
    EXPECT_EQ(log.take().at(0), "SELECT * FROM Customers WHERE iCustomersID=" + std::to_string(dollarCustomer) +
                                    " AND iBusinessID=1");
    EXPECT_EQ(rateOf(inst, id), "350 $");
    id = k.CreateTimeBill(dollarCustomer, at(9, 0), at(10, 0), "", "", "", Currency(99));
    EXPECT_EQ(rateOf(inst, id), "99 $");
    id = k.CreateTimeBill(dollarCustomer, at(9, 0), at(10, 0), "", "", "", std::nullopt, "EUR");
    EXPECT_EQ(rateOf(inst, id), "350 €");

    // A customer that does not exist (or of another business) gives 0 and NIS.
    k.BusinessID(2);
    id = k.CreateTimeBill(dollarCustomer, at(9, 0), at(10, 0), "", "", "");
    EXPECT_EQ(rateOf(inst, id), "0 ₪");

    // A given empty currency is not a missing one: it is unknown.
    EXPECT_EQ(errorOf([&] { k.CreateTimeBill(dollarCustomer, at(9, 0), at(10, 0), "", "", "", Currency(1), ""); }).number(),
              5436);
}

TEST(TimeBills, NothingIsLostWhenTheNewBillCannotBeWritten) {
    Installation inst;
    Kovrin k;
    int32_t kept = k.CreateTimeBill(1, at(9, 0), at(10, 0), "kept", "APT-1", "", Currency(10), "NIS");
    StatementLog log;

    // An unknown currency fails before any statement, so the earlier bill stays.
    Error e = errorOf([&] { k.CreateTimeBill(1, at(9, 0), at(10, 0), "new", "APT-1", "", Currency(10), "XYZ"); });
    EXPECT_EQ(e.number(), 5436);
    EXPECT_EQ(e.description(), "Unknown currency: XYZ");
    EXPECT_THAT(e.source(), StartsWith("Kovrin.CreateTimeBill[50]\\modKovrin.CreateTimeBill[40]\\modUtils.CurrencyNameToSymbol["));
    EXPECT_TRUE(log.take().empty());

    // An insert that fails takes the delete back with it.
    inst.refuseInserts("TimeBills", "NEW.nvcDescription = 'refused'", "refused");
    e = errorOf([&] { k.CreateTimeBill(1, at(9, 0), at(10, 0), "refused", "APT-1", "", Currency(10), "NIS"); });
    EXPECT_THAT(e.source(), StartsWith("Kovrin.CreateTimeBill[50]\\modKovrin.CreateTimeBill[60]\\"));
    EXPECT_EQ(count(inst, "nvcAppointmentID='APT-1'"), 1);
    EXPECT_EQ(CStr(inst.scalar("SELECT nvcDescription FROM TimeBills WHERE iTimeBillsID=" + std::to_string(kept))), "kept");

    // The library is usable afterwards.
    int32_t replaced = k.CreateTimeBill(1, at(9, 0), at(10, 0), "replaced", "APT-1", "", Currency(10), "NIS");
    EXPECT_EQ(count(inst, "nvcAppointmentID='APT-1'"), 1);
    EXPECT_EQ(CStr(inst.scalar("SELECT nvcDescription FROM TimeBills WHERE iTimeBillsID=" + std::to_string(replaced))),
              "replaced");
}

TEST(TimeBillItem, InvoiceNumberIsKeptAsText) {
    TimeBillItem item;
    Error e = errorOf([&] { item.InvoiceNumber(); });
    EXPECT_EQ(e.number(), 13);
    EXPECT_EQ(e.description(), "Type mismatch");
    item.InvoiceNumber(42);
    EXPECT_EQ(item.InvoiceNumber(), 42);
}
