#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/runtime/Error.h>

#include <atomic>
#include <set>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Installation.h"
#include "support/Checks.h"
#include "support/Processes.h"
#include "support/StatementLog.h"

using namespace kovrin;
using kovrin::test::Installation;
using testing::HasSubstr;

using kovrin::test::errorOf;
using kovrin::test::StatementLog;

namespace {

// A customer with every text given.
int32_t createFull(Kovrin& k, const std::string& name, const std::string& foreignKey,
                   const std::string& currency = "NIS", int32_t bankId = 0, int32_t listNum = 0,
                   std::optional<int32_t> number = std::nullopt) {
    return k.CreateCustomer(name, "515151515", "Dana", "Levi", "Herzl 1", "", "Haifa", "3100000", "04-1234567", "",
                            "04-7654321", "dana@example.co.il", "first customer", Currency::parse("100.5"), "123456",
                            "610", bankId, listNum, Currency::parse("250"), currency, foreignKey, PaymentTerms::Net, 30,
                            number, "x1", "x2");
}

const std::string InsertHead =
    "INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה,   vcAddress1, vcAddress2, vcCity, "
    "vcPostalCode,  vcContactFirstName, vcContactLastName,  vcPhone1, vcPhone2, vcFax1, iCustomersTypesID, vcEMail, "
    "vcCreditCard, iExpMonth, iExpYear, vcComments, curOpenBalance,  vcAccountNumber,vcBranch,iBanksID, iListNum, "
    "curCharge, vcCurrencySymbol,iPaymentTermsID, iPaymentDays,  vcForeignKey, vcExtra1, vcExtra2, iBusinessID)  VALUES(";

}  // namespace

TEST(CustomerStore, CreateWritesTheExactStatementAndReturnsTheNewKey) {
    Installation inst(Installation::Data::Empty);
    Kovrin k;
    k.BusinessID(4);
    StatementLog log;
    int32_t id = createFull(k, "O'Brien & Sons", "C-1", "USD", 0, 0);
    EXPECT_TRUE(log.contains("SELECT Max(iCustomerNumber) FROM Customers WHERE iBusinessID = 4"));
    EXPECT_TRUE(log.contains(InsertHead +
                             "1,'O''Brien & Sons','515151515', 'Herzl 1',NULL,'Haifa','3100000', 'Dana','Levi', "
                             "'04-1234567', NULL, '04-7654321', 1, 'dana@example.co.il',NULL,0, 0, 'first customer',"
                             "100.5,'123456','610',NULL,0,250,'$',1,30,'C-1','x1','x2',4)"))
        << testing::PrintToString(log.sql);
    EXPECT_TRUE(log.contains("SELECT @@IDENTITY"));
    EXPECT_EQ(CLng(inst.scalar("SELECT iCustomersID FROM Customers WHERE vcForeignKey='C-1'")), id);
    EXPECT_TRUE(inst.scalar("SELECT vcAddress2 FROM Customers WHERE iCustomersID=" + std::to_string(id)).isNull());
    EXPECT_TRUE(inst.scalar("SELECT iBanksID FROM Customers WHERE iCustomersID=" + std::to_string(id)).isNull());
    EXPECT_EQ(CLng(inst.scalar("SELECT iListNum FROM Customers WHERE iCustomersID=" + std::to_string(id))), 0);

    auto c = k.GetCustomerByID(id);
    EXPECT_EQ(c->BusinessName(), "O'Brien & Sons");
    EXPECT_EQ(c->ChargeCurrency(), "USD");
    EXPECT_EQ(c->Charge().toString(), "250");
    EXPECT_EQ(c->CustomersNumber(), 1);
    EXPECT_EQ(c->PriceListNum(), 0);
    EXPECT_EQ(c->Extra2(), "x2");
    EXPECT_TRUE(c->IsChanged());
    EXPECT_EQ(c->PaymentTerms(), static_cast<PaymentTerms>(0));  // never read back

    // The next number follows; a number given is used as it stands, even when taken.
    EXPECT_EQ(k.GetCustomerByID(createFull(k, "Second", "C-2"))->CustomersNumber(), 2);
    EXPECT_EQ(k.GetCustomerByID(createFull(k, "Again", "C-3", "NIS", 0, 0, 1))->CustomersNumber(), 1);
}

TEST(CustomerStore, CutsWhereTheStoreSaysAndNowhereElse) {
    Installation inst(Installation::Data::Empty);
    Kovrin k;
    const std::string name60 = std::string(30, 'n') + std::string("שלום").append(std::string(26, 'x'));  // 60 characters
    const std::string osek12 = "123456789012";
    std::string name50 = std::string(30, 'n') + "שלום" + std::string(16, 'x');
    int32_t id = k.CreateCustomer(name60, osek12, std::string(30, 'f'), std::string(30, 'l'), std::string(300, 'a'), "",
                                  std::string(30, 'c'), "", std::string(70, '1'), "", "", std::string(60, 'e'), "",
                                  Currency(), "", "", 3, 2, Currency(), "NIS", std::string(60, 'k'));
    auto c = k.GetCustomerByID(id);
    EXPECT_EQ(c->BusinessName(), name50);
    EXPECT_EQ(c->OsekMorshe(), "123456789");
    EXPECT_EQ(c->Address1(), std::string(255, 'a'));
    EXPECT_EQ(c->City(), std::string(25, 'c'));
    EXPECT_EQ(c->ContactFirstName(), std::string(25, 'f'));
    EXPECT_EQ(c->Phone1(), std::string(70, '1'));  // no cut
    EXPECT_EQ(c->EMail(), std::string(50, 'e'));
    EXPECT_EQ(c->ForeignKey(), std::string(50, 'k'));
    EXPECT_EQ(c->BankID(), 3);
    EXPECT_EQ(c->PriceListNum(), 2);

    // Updates keep the whole licensed-dealer number and cut the name to 50.
    k.UpdateCustomerByForeignKey(name60, osek12, "F", "L", "  " + std::string(50, 'k') + " ", std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "EUR");
    c = k.GetCustomerByID(id);
    EXPECT_EQ(c->BusinessName(), name50);
    EXPECT_EQ(c->OsekMorshe(), osek12);
    EXPECT_EQ(c->Address1(), "");  // left out: written as NULL
    EXPECT_EQ(c->BankID(), 0);
    EXPECT_TRUE(inst.scalar("SELECT iListNum FROM Customers").isNull());  // 0 on update is NULL
    EXPECT_EQ(c->ChargeCurrency(), "EUR");
}

TEST(CustomerStore, UpdatesWriteTheExactStatements) {
    Installation inst(Installation::Data::Empty);
    Kovrin k;
    k.BusinessID(2);
    int32_t id = createFull(k, "Before", "FK-9");
    StatementLog log;
    Variant result = k.UpdateCustomerByForeignKey("After", "999", "Avi", "Cohen", " FK-9 ", "Street 2", "", "Tel Aviv",
                                                  "61000", "03-1", "", "", "a@b.c", "777", "12", 0, 0,
                                                  Currency::parse("12.5"), "GBP");
    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(log.sql.back(),
              "UPDATE Customers SET   vcBusinessName ='After', vcעוסקמורשה='999', vcAddress1='Street 2', vcAddress2=NULL, "
              "vcCity='Tel Aviv', vcPostalCode='61000', vcContactFirstName='Avi', vcContactLastName= 'Cohen', "
              "vcPhone1='03-1', vcPhone2=NULL, vcFax1=NULL, iCustomersTypesID=1, vcEMail='a@b.c', vcAccountNumber='777' "
              ",vcBranch='12' ,iBanksID=NULL, iListNum=NULL, curCharge=12.5, vcCurrencySymbol='£' WHERE "
              "vcForeignKey='FK-9' AND iBusinessID=2");
    auto c = k.GetCustomerByForeignKey("FK-9");
    EXPECT_EQ(c->BusinessName(), "After");
    EXPECT_EQ(c->ChargeCurrency(), "GBP");
    EXPECT_EQ(c->CustomersNumber(), 1);  // number, comments, balance untouched
    EXPECT_EQ(CStr(inst.scalar("SELECT vcComments FROM Customers")), "first customer");

    c->ForeignKey("  FK-10 ");
    c->EMail(" " + std::string(60, 'm'));  // cut at the column's 50, as create cuts it
    c->Address1("  Herzl 5  ");
    k.UpdateCustomer(c);
    EXPECT_EQ(log.sql.back(),
              "UPDATE Customers SET   vcBusinessName ='After', vcעוסקמורשה='999', vcAddress1='Herzl 5', vcAddress2=NULL, "
              "vcCity='Tel Aviv', vcPostalCode='61000', vcContactFirstName='Avi', vcContactLastName= 'Cohen', "
              "vcPhone1='03-1', vcPhone2=NULL, vcFax1=NULL, iCustomersTypesID=1, vcEMail='" + std::string(50, 'm') +
                  "', vcAccountNumber='777' ,vcBranch='12' ,iBanksID=NULL, iListNum=NULL, curCharge=12.5, "
                  "vcCurrencySymbol='£', vcForeignKey='FK-10' WHERE iCustomersID=" + std::to_string(id) +
                  " AND iBusinessID=2");
    EXPECT_EQ(k.GetCustomerByForeignKey("FK-10")->CustomersID(), id);

    // An unknown key changes nothing and says nothing.
    EXPECT_NO_THROW(k.UpdateCustomerByForeignKey("X", "", "", "", "nobody", std::nullopt, std::nullopt, std::nullopt,
                                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                                 "NIS"));
    EXPECT_EQ(CLng(inst.scalar("SELECT COUNT(*) FROM Customers WHERE vcBusinessName='X'")), 0);
}

TEST(CustomerStore, UnknownCurrencyFailsBeforeAnythingIsWritten) {
    Installation inst(Installation::Data::Empty);
    Kovrin k;
    k.DebugMode(true);
    Error e = errorOf([&] { createFull(k, "Nobody", "N-1", ""); });
    EXPECT_EQ(e.number(), 5436);
    EXPECT_EQ(e.description(), "Unknown currency: ");
    EXPECT_THAT(e.source(), testing::StartsWith("Kovrin.CreateCustomer[50]\\modKovrin.CreateCustomer[40]\\"
                                                "modUtils.CurrencyNameToSymbol["));
    EXPECT_EQ(CLng(inst.scalar("SELECT COUNT(*) FROM Customers")), 0);

    createFull(k, "Somebody", "S-1");
    e = errorOf([&] {
        k.UpdateCustomerByForeignKey("Changed", "", "", "", "S-1");  // no currency given: refused
    });
    EXPECT_EQ(e.number(), 5436);
    EXPECT_EQ(CStr(inst.scalar("SELECT vcBusinessName FROM Customers")), "Somebody");
}

TEST(CustomerStore, ListsAndLookupsKeepTheirKindsAndTheirBusiness) {
    Installation inst(Installation::Data::Empty);
    Kovrin k;
    EXPECT_TRUE(k.GetCustomers().isEmpty());
    EXPECT_TRUE(k.GetSuppliers().isEmpty());
    for (const char* fk : {"A", "B", "C"}) createFull(k, fk, fk);
    inst.exec("UPDATE Customers SET iCustomersTypesID=4 WHERE vcForeignKey='C'");
    k.BusinessID(2);
    createFull(k, "Other business", "A");

    k.BusinessID(1);
    Variant customers = k.GetCustomers();
    ASSERT_TRUE(customers.isArray());
    EXPECT_EQ(customers.array().ubound(), 1);
    Variant suppliers = k.GetSuppliers();
    ASSERT_EQ(suppliers.array().ubound(), 0);
    EXPECT_EQ(suppliers.array()(0).objectAs<Customer>()->ForeignKey(), "C");
    EXPECT_EQ(k.GetCustomerByForeignKey(" A ")->BusinessName(), "A");

    Error e = errorOf([&] { k.GetCustomerByForeignKey(" missing "); });
    EXPECT_EQ(e.number(), 8255);
    EXPECT_EQ(e.description(), "Customer not found. Foreign Key:  missing , BusinessID: 1");
    EXPECT_EQ(e.source(), "Kovrin.GetCustomerByForeignKey[50]\\modKovrin.GetCustomerByForeignKey[40]\\");

    auto none = k.GetCustomerByID(987654);
    EXPECT_EQ(none->CustomersID(), 0);
    EXPECT_FALSE(none->IsChanged());
    EXPECT_EQ(none->ChargeCurrency(), "NIS");

    // A customer of business 2 is neither seen nor changed from business 1.
    int32_t otherId = CLng(inst.scalar("SELECT iCustomersID FROM Customers WHERE iBusinessID=2"));
    EXPECT_EQ(k.GetCustomerByID(otherId)->CustomersID(), 0);
    k.UpdateCustomerByForeignKey("Hijacked", "", "", "", "A", std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, std::nullopt, "NIS");
    EXPECT_EQ(CStr(inst.scalar("SELECT vcBusinessName FROM Customers WHERE iBusinessID=2")), "Other business");

    // Reading rows with Nulls: texts empty, numbers 0, a Null charge 0 and a Null symbol NIS.
    inst.exec("INSERT INTO Customers (iCustomerNumber, iCustomersTypesID, iBusinessID) VALUES (9, 1, 1)");
    customers = k.GetCustomers();
    auto bare = customers.array()(2).objectAs<Customer>();
    EXPECT_EQ(bare->BusinessName(), "");
    EXPECT_EQ(bare->BankID(), 0);
    EXPECT_EQ(bare->Charge().toString(), "0");
    EXPECT_EQ(bare->ChargeCurrency(), "NIS");
}

TEST(CustomerStore, ConcurrentCreatorsGetDistinctNumbersAndTheirOwnKeys) {
    Installation inst(Installation::Data::Empty);
    constexpr int Processes = 4, PerProcess = 250;
    test::inProcesses(Processes, PerProcess, [](Kovrin& k, int p, int i) {
        std::string fk = std::to_string(p) + "-" + std::to_string(i);
        int32_t id = k.CreateCustomer("Customer " + fk, "", "", "", "", "", "", "", "", "", "", "", "", Currency(), "",
                                      "", 0, 0, Currency(), "NIS", fk);
        if (k.GetCustomerByID(id)->ForeignKey() != fk) raiseError(3, "the key of another row: " + fk);
    });
    EXPECT_EQ(CLng(inst.scalar("SELECT COUNT(*) FROM Customers")), 1000);
    EXPECT_EQ(CLng(inst.scalar("SELECT COUNT(DISTINCT iCustomerNumber) FROM Customers")), 1000);
    EXPECT_EQ(CLng(inst.scalar("SELECT MIN(iCustomerNumber) FROM Customers")), 1);
    EXPECT_EQ(CLng(inst.scalar("SELECT MAX(iCustomerNumber) FROM Customers")), 1000);
}

TEST(CustomerStore, ThreadsOfOneProgramDoNotInterleaveOperations) {
    Installation inst(Installation::Data::Empty);
    constexpr int Threads = 4, PerThread = 40;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            try {
                Kovrin k;  // each thread its own object; the connection and settings are shared
                for (int i = 0; i < PerThread; ++i) {
                    std::string fk = "T" + std::to_string(t) + "-" + std::to_string(i);
                    int32_t id = k.CreateCustomer(fk, "", "", "", "", "", "", "", "", "", "", "", "", Currency(), "",
                                                  "", 0, 0, Currency(), "NIS", fk);
                    if (k.GetCustomerByForeignKey(fk)->CustomersID() != id) ++failures;
                    if (!k.GetCustomers().isArray()) ++failures;
                }
            } catch (const Error& e) {
                ADD_FAILURE() << e.number() << " " << e.source() << " " << e.description();
                ++failures;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(CLng(inst.scalar("SELECT COUNT(DISTINCT iCustomerNumber) FROM Customers")), Threads * PerThread);
}
