#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/InvoiceKabala.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/ReceiptLineItem.h>

#include <gtest/gtest.h>

#include <functional>

#include "../documents/DocumentTests.h"
#include "support/Checks.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

const Date Mar15 = Date::fromCalendar(2008, 3, 15);

std::string lineText(const Variant& lines) {
    std::string s;
    const VariantArray& a = lines.array();
    for (long i = 0; i <= a.ubound(); ++i) {
        auto l = std::dynamic_pointer_cast<LineItem>(a(i).object());
        s += l->ItemDescription() + "|" + l->UnitPrice().toString() + "|" + CStr(Variant(l->ItemQuantity())) + "|" +
             l->ItemCurrency() + "|" + CStr(Variant(l->CurrencyRate())) + "|" + (l->ChargeVAT() ? "T" : "F") + "|" +
             std::to_string(l->ItemsID()) + ";";
    }
    return s;
}

}  // namespace

TEST(Retrieval, InvoicesReadBackAsStored) {
    Installation inst;
    Kovrin k;
    EXPECT_EQ(k.GetInvoices().array().ubound(), -1);  // a business without invoices
    EXPECT_EQ(k.GetInvoicesKabala().array().ubound(), -1);

    double percent = 10, vat = 17;
    Currency rebate;
    bool round = false;
    const Date due = Date::fromCalendar(2008, 4, 14);
    k.CreateInvoice(2, Mar15, "note", percent, rebate, round, vat, true, "details", 1, InvoiceTypes::INVOICE_TYPE_STD,
                    lines({{"100", 2}, {"10", 1.5, 3.95, false, "USD", "Dollars"}}), due);
    percent = 0;
    rebate = Currency();
    k.CreateInvoice(4, Mar15, "", percent, rebate, round, vat, false, "", 1, InvoiceTypes::INVOICE_TYPE_STD, Variant());

    auto inv = k.GetInvoiceByNumber(1001);
    EXPECT_EQ(inv->iInvoiceNumber(), 1001);
    EXPECT_EQ(inv->iCustomersID(), 2);
    EXPECT_EQ(inv->vcBusinessName(), "Blue Horizon Tech Ltd");
    EXPECT_EQ(inv->vcOsekMorshe(), "515678902");
    EXPECT_EQ(inv->vcAddress1() + "|" + inv->vcCity() + "|" + inv->vcPhone1() + "|" + inv->vcComments() + "|" +
                  inv->vcDetails() + "|" + inv->vcPhone2(),
              "7 Menachem Begin Rd|Tel Aviv|03-6091234|note|details|");
    EXPECT_EQ(inv->datxDate(), Mar15);
    EXPECT_EQ(inv->datDueDate(), due);
    EXPECT_TRUE(inv->blnChargeVAT());
    EXPECT_EQ(inv->curTotal1(), "259.25");
    EXPECT_EQ(inv->fltRebatePrcnt(), 10);
    EXPECT_EQ(inv->curRebateAmount(), Currency::parse("25.925"));
    EXPECT_EQ(inv->curVAT(), Currency::fromDouble(233.325 * 0.17));
    EXPECT_EQ(inv->curGrandTotal(), inv->curTotalBeforeVat() + inv->curVAT());
    EXPECT_EQ(inv->iTrxCodesID(), 1);
    EXPECT_EQ(lineText(inv->varInvoiceLines()), "Item|100|2|NIS|1|T|1;Dollars|10|1.5|USD|3.95|T|1;");

    // Nulls read as 0, the zero date and the empty text; a rounding down stays negative.
    inst.exec("UPDATE UsysInvoices SET datDueDate=NULL, curVat=NULL, vcCity=NULL, curRebateRoundAmount=-0.4, "
              "curTotal1=1234.5, iReceiptNumber='2001, 2002' WHERE iInvoiceNumber=1001");
    inst.exec("UPDATE InvoiceLines SET vcCurrencySymbol=NULL, blnChargeVAT=NULL WHERE vcItemDescription='Dollars'");
    inv = k.GetInvoiceByNumber(1001);
    EXPECT_EQ(inv->datDueDate(), Date());
    EXPECT_EQ(inv->curVAT(), Currency());
    EXPECT_EQ(inv->vcCity(), "");
    EXPECT_EQ(inv->curRebateRoundAmount(), Currency::parse("-0.4"));
    EXPECT_EQ(inv->curTotal1(), "1234.5");
    EXPECT_EQ(inv->strReceiptNumbers(), "2001, 2002");
    EXPECT_EQ(lineText(inv->varInvoiceLines()), "Item|100|2|NIS|1|T|1;Dollars|10|1.5|NIS|3.95|F|1;");

    // The list: ascending numbers, an invoice without lines has an empty line array.
    const VariantArray all = k.GetInvoices().array();
    ASSERT_EQ(all.ubound(), 1);
    auto second = std::dynamic_pointer_cast<Invoice>(all(1).object());
    EXPECT_EQ(std::dynamic_pointer_cast<Invoice>(all(0).object())->iInvoiceNumber(), 1001);
    EXPECT_EQ(second->iInvoiceNumber(), 1002);
    EXPECT_EQ(second->vcBusinessName(), "Levi & O'Neill Partners");
    EXPECT_EQ(second->varInvoiceLines().array().ubound(), -1);
}

TEST(Retrieval, InvoiceReceiptsReadBackWithTheirPayments) {
    Installation inst;
    Kovrin k;
    double percent = 0, vat = 17;
    Currency rebate, total, net;
    bool round = false;
    k.CreateInvoiceKabala(3, Mar15, "c", percent, rebate, round, vat, true, "d", 1, lines({{"100", 1}}), total,
                          Currency(5), net, payments({{"100", "12", 10, Mar15}, {"17"}}));
    k.CreateInvoiceKabala(1, Mar15, "", percent, rebate, round, vat, true, "", 1, lines({{"50", 1}}), total,
                          Currency(0), net, Variant());

    auto r = k.GetInvoiceKabalaByNumber(7001);
    EXPECT_EQ(r->iInvoiceKabalaNumber(), 7001);
    EXPECT_EQ(r->iCustomersID(), 3);
    EXPECT_EQ(r->curTotal(), "122");
    EXPECT_EQ(r->curTax(), Currency(5));
    EXPECT_EQ(r->curNetPmt(), Currency(117));
    EXPECT_EQ(r->curGrandTotal(), Currency(117));
    EXPECT_EQ(r->curTotal1(), "100");
    EXPECT_EQ(r->datDueDate(), Date());  // not read
    EXPECT_EQ(lineText(r->varInvoiceLines()), "Item|100|1|NIS|1|T|1;");
    const VariantArray pay = r->varReceiptLines().array();
    ASSERT_EQ(pay.ubound(), 1);
    auto first = std::dynamic_pointer_cast<ReceiptLineItem>(pay(0).object());
    EXPECT_EQ(first->Amount(), Currency(100));
    EXPECT_EQ(first->Bank(), 10);
    EXPECT_EQ(first->CheckDate(), Mar15);
    EXPECT_EQ(std::dynamic_pointer_cast<ReceiptLineItem>(pay(1).object())->Amount(), Currency(17));

    const VariantArray all = k.GetInvoicesKabala().array();
    ASSERT_EQ(all.ubound(), 1);
    auto second = std::dynamic_pointer_cast<InvoiceKabala>(all(1).object());
    EXPECT_EQ(second->iInvoiceKabalaNumber(), 7002);
    EXPECT_EQ(second->varReceiptLines().array().ubound(), -1);
    EXPECT_EQ(second->varInvoiceLines().array().ubound(), 0);
}

TEST(Retrieval, ANumberOfAnotherBusinessIsNotFound) {
    Installation inst;
    Kovrin k;
    double percent = 0, vat = 17;
    Currency rebate, total, net;
    bool round = false;
    k.CreateInvoice(1, Mar15, "", percent, rebate, round, vat, true, "", 1, InvoiceTypes::INVOICE_TYPE_STD, Variant());
    k.CreateInvoiceKabala(1, Mar15, "", percent, rebate, round, vat, true, "", 1, Variant(), total, Currency(0), net,
                          Variant());
    inst.exec("INSERT INTO BusinessDetails (iBusinessID, vcBusinessName) VALUES (2, 'Other')");
    k.BusinessID(2);
    struct {
        std::function<void()> call;
        const char* source;
        const char* description;
    } cases[] = {
        {[&] { k.GetInvoiceByNumber(1001); }, "Kovrin.GetInvoiceByNumber[50]\\modKovrin.GetInvoiceByNumber[30]\\",
         "Invoice not found. Invoice Number: 1001, BusinessID: 2"},
        {[&] { k.GetInvoiceKabalaByNumber(7001); },
         "Kovrin.GetInvoiceKabalaByNumber[50]\\modKovrin.GetInvoiceKabalaByNumber[30]\\",
         "Invoice/Kabala not found. Invoice/Kabala Number: 7001, BusinessID: 2"},
        {[&] { k.GetInvoicesByQueryXML(1001); },
         "Kovrin.GetInvoicesByQueryXML[50]\\modKovrin.GetInvoicesByQueryXML[30]\\",
         "Invoice not found. Invoice Number: 1001, BusinessID: 2"},
    };
    for (const auto& c : cases) {
        const Error e = errorOf(c.call);
        EXPECT_EQ(e.number(), 8257);
        EXPECT_EQ(e.source(), c.source);
        EXPECT_EQ(e.description(), c.description);
    }
    EXPECT_EQ(k.GetInvoices().array().ubound(), -1);
}
