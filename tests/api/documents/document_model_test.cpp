#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/InvoiceKabala.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/ReceiptLineItem.h>

#include <gtest/gtest.h>

#include "api/documents/Documents.h"
#include "api/core/Connection.h"
#include "support/Installation.h"
#include "support/StatementLog.h"

using namespace kovrin;
using kovrin::test::Installation;
using kovrin::test::StatementLog;

TEST(DocumentModel, LineExtendedPriceAndVariantLineProperties) {
    LineItem line;
    EXPECT_EQ(line.ItemsID(), 1);
    EXPECT_EQ(line.ItemCurrency(), "NIS");
    line.UnitPrice(Currency(10));
    line.ItemQuantity(3);
    EXPECT_EQ(line.ExtendedPrice(), Currency());  // rate 0 until set
    line.CurrencyRate(1);
    EXPECT_EQ(line.ExtendedPrice().toString(), "30");
    line.UnitPrice(Currency::parse("0.3333"));
    EXPECT_EQ(line.ExtendedPrice().toString(), "0.9999");
    line.CurrencyRate(3.95);
    line.UnitPrice(Currency::parse("12.5"));
    EXPECT_EQ(line.ExtendedPrice().toString(), "148.125");

    // Assigning stores a copy of the array; the records in it stay shared. The set form stores
    // the object itself.
    auto item = std::make_shared<LineItem>();
    VariantArray lines(1);
    lines(0) = Variant(item);
    Invoice invoice;
    EXPECT_TRUE(invoice.varInvoiceLines().isEmpty());
    Variant given(lines);
    invoice.varInvoiceLines(given);
    given.array()(0) = Variant();
    EXPECT_EQ(invoice.varInvoiceLines().array()(0).objectAs<LineItem>(), item);
    InvoiceKabala kabala;
    kabala.setVarReceiptLines(item);
    EXPECT_EQ(kabala.varReceiptLines().objectAs<LineItem>(), item);
    kabala.varInvoiceLines(Variant(lines));
    EXPECT_EQ(kabala.varInvoiceLines().array().ubound(), 0);
}

TEST(DocumentModel, NumbersComeFromTheNextOrTheStartQuery) {
    Installation inst;  // sample data: invoices start at 1001, receipts at 2001, ...
    Kovrin k;
    bool debug = false;
    auto number = [&](int32_t (*next)(bool&)) {
        modKovrin::OpenConnection(debug);
        int32_t n = next(debug);
        modKovrin::CloseAll();
        return n;
    };
    StatementLog log;
    EXPECT_EQ(number(modKovrin::GetNextInvoiceNum), 1001);
    EXPECT_EQ(log.take(), (std::vector<std::string>{
                              "SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=1",
                              "SELECT iInvoiceNum FROM apiGetStartNumberInvoice WHERE iBusinessID=1"}));
    EXPECT_EQ(number(modKovrin::GetNextInvoiceHiyuvNum), 6001);
    EXPECT_EQ(log.take().front(), "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceHiyuv  WHERE iBusinessID=1");
    EXPECT_EQ(number(modKovrin::GetNextInvoiceKabalaNum), 7001);
    EXPECT_EQ(number(modKovrin::GetNextInvoiceZikuiNum), 9001);
    EXPECT_EQ(number(modKovrinBase::GetNextReceiptNum), 2001);
    EXPECT_EQ(number(modKovrinBase::GetNextRefundNum), 13001);
    EXPECT_EQ(log.take().back(), "SELECT iReceiptNum FROM apiGetStartNumberRefund WHERE iBusinessID=1");

    // A business with documents continues from its largest number, even below the start number.
    inst.exec("INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber) VALUES (1, 17)");
    log.take();
    EXPECT_EQ(number(modKovrin::GetNextInvoiceNum), 18);
    EXPECT_EQ(log.take().size(), 1u);

    // The receipt code is the business's code 2, and 0 in a business without one.
    auto trxCode = [&] {
        modKovrin::OpenConnection(debug);
        int32_t id = modKovrinBase::GetReceiptTrxCodes(ObjectType::RECEIPT, debug);
        modKovrin::CloseAll();
        return id;
    };
    const int32_t code2 = CLng(inst.scalar("SELECT iTrxCodesID FROM TrxCodes WHERE iTrxCode=2 AND iBusinessID=1"));
    log.take();
    EXPECT_EQ(trxCode(), code2);
    EXPECT_EQ(log.take(), std::vector<std::string>{"SELECT * FROM TrxCodes WHERE iTrxCode=2 AND iBusinessID=1"});
    inst.exec("INSERT INTO BusinessDetails (iBusinessID, vcBusinessName) VALUES (2, 'Second')");
    k.BusinessID(2);
    EXPECT_EQ(trxCode(), 0);
    EXPECT_EQ(number(modKovrin::GetNextInvoiceNum), 1);  // no start number: 1
}
