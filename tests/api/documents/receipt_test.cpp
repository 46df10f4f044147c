#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/ReceiptLineItem.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DocumentTests.h"
#include "api/core/Connection.h"
#include "api/documents/Documents.h"
#include "support/Checks.h"
#include "support/StatementLog.h"

using namespace kovrin;
using namespace kovrin::test;
using testing::HasSubstr;

namespace {
const Date Jan15 = Date::fromCalendar(2026, 1, 15, 10, 30);
const Date Feb1 = Date::fromCalendar(2026, 2, 1);
}  // namespace

TEST(Receipts, StoreRecomputedTotalsAndCleanedPaymentLines) {
    Installation inst;
    Kovrin k;
    const std::string trx = CStr(inst.scalar("SELECT iTrxCodesID FROM TrxCodes WHERE iTrxCode=2"));
    Currency total(999), net(888);
    StatementLog log;
    EXPECT_EQ(k.CreateReceipt(1, Jan15, total, Currency(10), net, "", "1001,1002",
                              payments({{"100", "782", 12, Feb1}, {"50", "000"}, {"0"}})),
              2001);
    const std::vector<std::string> sent = log.take();
    EXPECT_EQ(total, Currency(160));
    EXPECT_EQ(net, Currency(150));
    const std::string key = CStr(inst.scalar("SELECT iReceiptsID FROM UsysReceipts"));
    const std::string lineHead =
        "INSERT INTO ReceiptLines (iBusinessID, iReceiptsID, iPaymentTypesID, vcAccountNumber, vcDetails3, vcDetails2, "
        "vcDetails1, vcDetails4, curAmount)  VALUES(1," + key + ",2, '12345',";
    EXPECT_EQ(sent, (std::vector<std::string>{
        "SELECT iReceiptNum FROM apiGetNextNumberReceipt WHERE iBusinessID=1",
        "SELECT iReceiptNum FROM apiGetStartNumberReceipt WHERE iBusinessID=1",
        "SELECT * FROM TrxCodes WHERE iTrxCode=2 AND iBusinessID=1",
        "SELECT * FROM Customers WHERE iCustomersID=1 AND iBusinessID=1",
        "INSERT INTO UsysReceipts (iBusinessID, iReceiptNumber, datxDate, iInvoiceNumber, curTotal, curTax, curNetPmt, "
        "vcDetails, iCustomersID, vcBusinessName, vcAddress1, vcAddress2, vcCity, vcPostalCode,  vcContactDetails, "
        "vcPhone1, vcPhone2, vcFax1, vcCurrencySymbol, curRate, vcCustomerOsekMorshe, iTrxCodesID)  VALUES(1,2001, "
        "#01/15/2026 10:30#, '1001,1002',999, 10, 888, NULL, 1,'מאפיית הגליל בע\"מ', 'רחוב הרצל 12','קומה 2','חיפה',"
        "'3303112','יוסי לוי','04-8521234', '052-3456789','04-8521235','₪',1, '513456780'," + trx + ")",
        "SELECT iReceiptsID FROM UsysReceipts WHERE iReceiptNumber=2001 AND iBusinessID=1",
        lineHead + "'782','12','C0',#02/01/2026 00:00#,100)",
        "SELECT iReceiptsID FROM UsysReceipts WHERE iReceiptNumber=2001 AND iBusinessID=1",
        lineHead + "NULL,NULL,'C1',NULL,50)",
        "UPDATE UsysReceipts SET curTotal=160, curTax=10, curNetPmt=150 WHERE iReceiptNumber=2001 AND iBusinessID= 1"}));
    EXPECT_EQ(rowsText(inst, "SELECT curTotal, curTax, curNetPmt FROM UsysReceipts"), "160|10|150");

    // Read back: the branch stays empty, a missing cheque date is the zero date.
    auto c = std::make_shared<db::Connection>();
    c->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + inst.databasePath() + ";Mode=Read|Write";
    c->Open();
    db::Recordset rs;
    rs.ActiveConnection(c);
    rs.Source = "SELECT * FROM ReceiptLines ORDER BY iReceiptLinesID";
    rs.Open();
    auto first = modKovrin::PopulateReceiptLine(rs);
    EXPECT_EQ(first->Bank(), 12);
    EXPECT_EQ(first->Branch(), "");
    EXPECT_EQ(first->CheckDate(), Feb1);
    EXPECT_EQ(first->Amount(), Currency(100));
    EXPECT_EQ(first->AccountNumber() + first->Check() + std::to_string(first->PaymentTypesID()), "12345C02");
    rs.MoveNext();
    auto second = modKovrin::PopulateReceiptLine(rs);
    EXPECT_EQ(second->CheckDate(), Date());
    EXPECT_EQ(second->Bank(), 0);
    rs.MoveNext();
    EXPECT_EQ(modKovrin::PopulateReceiptLine(rs), nullptr);
    rs.Close();
    c->Close();

    // Dollars keep their rate, shekels always have rate 1; without payments the total is the tax.
    k.CreateReceipt(1, Jan15, total, Currency(0), net, "", "", payments({{"10"}}), "USD", Currency::parse("3.95"));
    k.CreateReceipt(1, Jan15, total, Currency(7), net, "", "", Variant(), "NIS", Currency(5));
    EXPECT_EQ(total, Currency(7));
    EXPECT_EQ(rowsText(inst, "SELECT iReceiptNumber, vcCurrencySymbol, curRate, curTotal, curNetPmt FROM UsysReceipts "
                             "WHERE iReceiptNumber > 2001"),
              "2002|$|3.95|10|10;2003|₪|1|7|0");
}

TEST(Receipts, RefundsAreStoredNegativeInHeaderAndLines) {
    Installation inst;
    Kovrin k;
    Currency total(999);
    StatementLog log;
    EXPECT_EQ(k.CreateRefund(2, Jan15, total, "back", payments({{"100"}, {"-50"}})), 13001);
    EXPECT_EQ(total, Currency(-150));
    EXPECT_THAT(log.sql, testing::Contains(HasSubstr("VALUES(1,13001, #01/15/2026 10:30#, NULL,-999, 0, -999, 'back', 2,")));
    EXPECT_THAT(log.sql, testing::Contains("UPDATE Refunds SET curTotal=-150, curTax=0, curNetPmt=-150 WHERE "
                                           "iReceiptNumber=13001 AND iBusinessID= 1"));
    EXPECT_EQ(rowsText(inst, "SELECT curTotal, curTax, curNetPmt, vcCurrencySymbol, curRate FROM Refunds"), "-150|0|-150|₪|1");
    EXPECT_EQ(rowsText(inst, "SELECT curAmount FROM RefundLines"), "-100;-50");
}

TEST(Receipts, InvoiceReceiptIsOneDocumentDueToday) {
    Installation inst;
    Kovrin k;
    double percent = 0, vat = 17;
    Currency rebate, total, net;
    bool round = false;
    StatementLog log;
    EXPECT_EQ(k.CreateInvoiceKabala(3, Jan15, "", percent, rebate, round, vat, true, "", 1, lines({{"100", 1}}), total,
                                    Currency(5), net, payments({{"100"}, {"17", "12"}})),
              7001);
    EXPECT_EQ(vat, 0.17);
    EXPECT_EQ(total, Currency(122));
    EXPECT_EQ(net, Currency(117));
    EXPECT_EQ(log.sql.back(), "UPDATE InvoicesKabala SET curTotal=122, curTax=5, curNetPmt=117 WHERE iInvoiceNumber=7001 "
                              "AND iBusinessID=1");
    EXPECT_EQ(rowsText(inst, "SELECT iInvoiceType, datDueDate, curGrandTotal, curTotal, curTax, curNetPmt FROM InvoicesKabala"),
              "1|" + Date::today().generalDate() + "|117|122|5|117");
    EXPECT_EQ(rowsText(inst, "SELECT COUNT(*) FROM InvoiceKabalaLines l JOIN InvoicesKabala h USING (iInvoicesID)"), "1");
    EXPECT_EQ(rowsText(inst, "SELECT r.curAmount, r.vcDetails3 FROM InvoiceKabalaReceiptLines r JOIN InvoicesKabala h "
                             "ON h.iInvoicesID = r.iReceiptsID"),
              "100|NULL;17|12");
}

TEST(Receipts, AFailedPaymentDocumentLeavesNothing) {
    Installation inst;
    Kovrin k;
    const std::string before = documentTables(inst);
    Currency total, net;

    // A branch that is not a number, on the second payment line.
    Error e = errorOf([&] { k.CreateReceipt(1, Jan15, total, Currency(0), net, "", "", payments({{"100"}, {"5", "7a"}})); });
    EXPECT_EQ(e.number(), 13);
    EXPECT_EQ(e.source(), "Kovrin.CreateReceipt[50]\\modKovrin.CreateReceipt[20]\\modKovrinBase.CreateReceiptBase[80]\\"
                          "modKovrinBase.CreateReceiptLineBase[30]\\");
    EXPECT_EQ(total, Currency());

    // A negative payment in an invoice-receipt, after the invoice half and a good payment.
    double percent = 0, vat = 17;
    Currency rebate;
    bool round = false;
    e = errorOf([&] {
        k.CreateInvoiceKabala(1, Jan15, "", percent, rebate, round, vat, true, "", 1, lines({{"100", 1}}), total,
                              Currency(0), net, payments({{"100"}, {"-17"}}));
    });
    EXPECT_EQ(e.number(), 13);
    EXPECT_EQ(e.source(), "Kovrin.CreateInvoiceKabala[50]\\modKovrin.CreateInvoiceKabala[10]\\"
                          "modKovrinBase.CreateInvoiceKabalaBase[40]\\");
    EXPECT_EQ(vat, 17);

    // The database refusing a refund line.
    inst.refuseInserts("RefundLines", "TRUE", "no refunds");
    const std::string withTrigger = documentTables(inst);
    e = errorOf([&] { k.CreateRefund(1, Jan15, total, "", payments({{"100"}})); });
    EXPECT_THAT(e.description(), HasSubstr("no refunds"));
    EXPECT_EQ(documentTables(inst), withTrigger);
    EXPECT_EQ(withTrigger, before);

    e = errorOf([] { modKovrinBase::CreateReceiptLineBase(3, 1, 1, "", "", 0, "", Date(), Currency(1)); });
    EXPECT_EQ(e.number(), 7289);
    EXPECT_EQ(e.description(), "Unknow ObjectNum: 3");
}
