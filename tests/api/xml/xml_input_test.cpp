#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/InvoiceKabala.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <functional>

#include <gtest/gtest.h>

#include "../documents/DocumentTests.h"
#include "platform/xml/Dom.h"
#include "support/Checks.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

const char* const Line1 =
    "<LineItems><LineItem number=\"1\"><ItemDescription>Bread</ItemDescription><UnitPrice>100</UnitPrice>"
    "<ItemQuantity>2</ItemQuantity><CurrencyRate>1</CurrencyRate></LineItem></LineItems>";
const char* const Header =
    "<DocDate>2008-03-15T10:30:00.250</DocDate><DocComments>c &amp; c</DocComments><DocDetails>d</DocDetails>"
    "<TrxCodesID>1</TrxCodesID><RebatePercent>10</RebatePercent><RebateAmount>0</RebateAmount>"
    "<RoundTotal>False</RoundTotal><VAT>17</VAT><ChargeVAT>True</ChargeVAT><InvoiceType>1</InvoiceType>";
const char* const Payments =
    "<ReceiptLineItems><ReceiptLineItem><PaymentTypesID>2</PaymentTypesID><Amount>100</Amount><Bank>12</Bank>"
    "<Branch>0782</Branch><Check>77</Check><CheckDate>2008-04-01T00:00:00</CheckDate><AccountNumber>9</AccountNumber>"
    "</ReceiptLineItem><ReceiptLineItem><Amount>50</Amount><PaymentTypesID>1</PaymentTypesID></ReceiptLineItem>"
    "</ReceiptLineItems>";

std::string doc(const std::string& inner) { return "<Kovrin><Document type=\"Invoice\">" + inner + "</Document></Kovrin>"; }

const Date Mar15 = Date::fromCalendar(2008, 3, 15, 10, 30);

}  // namespace

TEST(XmlInput, EveryKindIsStoredAsTheArgumentsWouldStoreIt) {
    Installation inst;
    Kovrin k;
    // The smallest invoice: today, at today's rate, VAT charged, type 1.
    EXPECT_EQ(k.CreateInvoiceXML(doc("<CustomerID>2</CustomerID><TrxCodesID>1</TrxCodesID>" + std::string(Line1))), 1001);
    auto inv = k.GetInvoiceByNumber(1001);
    EXPECT_EQ(inv->datxDate(), Date::today());
    EXPECT_EQ(inv->curVAT(), Currency(36));
    EXPECT_EQ(inv->vcBusinessName(), "Blue Horizon Tech Ltd");

    // Every field given, and the same invoice made from arguments: the two stored rows agree.
    EXPECT_EQ(k.CreateInvoiceXML(doc("<CustomerID>2</CustomerID>" + std::string(Header) + Line1)), 1002);
    double percent = 10, vat = 17;
    Currency rebate;
    bool round = false;
    EXPECT_EQ(k.CreateInvoice(2, Mar15, "c & c", percent, rebate, round, vat, true, "d", 1,
                              InvoiceTypes::INVOICE_TYPE_STD, lines({{"100", 2, 1, false, "", "Bread"}})),
              1003);
    const std::string cols = "datxDate, iCustomersID, vcComments, vcDetails, curTotal1, fltRebatePrcnt, curRebateAmount, "
                             "curTotalBeforeVat, curVat, curGrandTotal, blnChargeVat, iInvoiceType";
    EXPECT_EQ(rowsText(inst, "SELECT " + cols + " FROM UsysInvoices WHERE iInvoiceNumber=1002"),
              rowsText(inst, "SELECT " + cols + " FROM UsysInvoices WHERE iInvoiceNumber=1003"));
    EXPECT_EQ(rowsText(inst, "SELECT vcItemDescription, iItemQty, curUnitPrice, vcCurrencySymbol, curRate, iItemsID "
                             "FROM InvoiceLines l JOIN UsysInvoices h USING (iInvoicesID) WHERE iInvoiceNumber>1001"),
              "Bread|2|100|₪|1|1;Bread|2|100|₪|1|7");

    // The XML output of the invoice carries the values stored from the XML input.
    xml::Document out;
    ASSERT_TRUE(out.loadXML(CStr(k.GetInvoicesByQueryXML(1002))));
    EXPECT_EQ(out.selectSingleNode("//DocComments").text(), "c & c");
    EXPECT_EQ(out.selectSingleNode("//DocDate").text(), "2008-03-15T10:30:00");
    EXPECT_EQ(out.selectSingleNode("//VAT").text(), "17");
    EXPECT_EQ(out.selectSingleNode("//GrandTotal").text(), "210.6");
    EXPECT_EQ(out.selectSingleNode("//LineItem/UnitPrice").text(), "100");

    // A credit invoice, an invoice-receipt, a receipt and a refund; the customer by foreign key.
    EXPECT_EQ(k.CreateInvoiceZikuiXML(doc("<CustomerID>0</CustomerID><CustomerForeignKey>CUST-003</CustomerForeignKey>" +
                                          std::string(Header) + Line1)),
              9001);
    EXPECT_EQ(rowsText(inst, "SELECT iCustomersID, curGrandTotal FROM InvoicesZikui"), "3|210.6");
    EXPECT_EQ(rowsText(inst, "SELECT iItemQty FROM InvoiceZikuiLines"), "-2");

    EXPECT_EQ(k.CreateInvoiceKabalaXML(doc("<CustomerID>1</CustomerID>" + std::string(Header) +
                                           "<Total>1</Total><Tax>5</Tax><NetPmt>1</NetPmt>" + Line1 + Payments)),
              7001);
    auto kab = k.GetInvoiceKabalaByNumber(7001);
    EXPECT_EQ(kab->curTotal(), "155");
    EXPECT_EQ(kab->curTax(), Currency(5));
    EXPECT_EQ(kab->varInvoiceLines().array().ubound(), 0);
    EXPECT_EQ(rowsText(inst, "SELECT iPaymentTypesID, curAmount, vcDetails2, vcDetails3, vcDetails1, vcAccountNumber "
                             "FROM InvoiceKabalaReceiptLines ORDER BY 1 DESC"),
              "2|100|12|782|77|9;1|50|NULL|NULL|NULL|NULL");

    const std::string receipt = "<Kovrin><CustomerID>1</CustomerID><DocDate>2008-03-15T10:30:00</DocDate><Tax>3</Tax>"
                                "<Details>r</Details><InvoiceNumbers>1001</InvoiceNumbers><Rate>abc</Rate>" +
                                std::string(Payments) + "</Kovrin>";
    EXPECT_EQ(k.CreateReceiptXML(receipt), 2001);
    EXPECT_EQ(k.CreateRefundXML(receipt), 13001);
    EXPECT_EQ(rowsText(inst, "SELECT datxDate, curTotal, curTax, vcDetails, vcCurrencySymbol, curRate FROM UsysReceipts"),
              Mar15.generalDate() + "|153|3|r|₪|1");
    EXPECT_EQ(rowsText(inst, "SELECT curTotal, vcDetails FROM Refunds"), "-150|r");
    EXPECT_EQ(rowsText(inst, "SELECT curAmount, vcDetails3 FROM RefundLines"), "-100|782;-50|NULL");
}

TEST(XmlInput, AFailureWritesNothing) {
    Installation inst;
    Kovrin k;
    const std::string before = documentTables(inst);
    using Create = int32_t (Kovrin::*)(const std::string&);
    const std::string full = std::string(Header) + Line1;
    struct {
        Create create;
        std::string xml;
        int32_t number;
        const char* source;
        const char* description;
    } cases[] = {
        {&Kovrin::CreateInvoiceXML, "<Kovrin><CustomerID>1</Kovrin>", 76, "Kovrin.CreateInvoiceXML[20]\\line: 1 pos:31",
         "Opening and ending tag mismatch: CustomerID line 1 and Kovrin"},
        {&Kovrin::CreateReceiptXML, "<Kovrin>\n<a>", 77, "Kovrin.CreateReceiptXML[50]\\Kovrin.CreateReceiptXML1[10]\\Line: 2, Position: 4",
         "Premature end of data in tag a line 2"},
        {&Kovrin::CreateInvoiceXML, doc(full), 2377, "Kovrin.CreateInvoiceXML[20]\\",
         "CustomerID and CustomerForeignKey are missing."},
        {&Kovrin::CreateRefundXML, "<Kovrin><CustomerID>0</CustomerID></Kovrin>", 2377,
         "Kovrin.CreateRefundXML[50]\\Kovrin.CreateReceiptXML1[10]\\", "CustomerID and CustomerForeignKey are missing."},
        {&Kovrin::CreateInvoiceKabalaXML, doc("<CustomerForeignKey>NOPE</CustomerForeignKey>" + full), 8255,
         "Kovrin.CreateInvoiceKabalaXML[20]\\modKovrin.GetCustomerByForeignKey[40]\\",
         "Customer not found. Foreign Key: NOPE, BusinessID: 1"},
        {&Kovrin::CreateInvoiceXML, doc("<CustomerID>1</CustomerID><TrxCodesID>1a</TrxCodesID>"), 13,
         "Kovrin.CreateInvoiceXML[20]\\", "Type mismatch"},
        {&Kovrin::CreateInvoiceZikuiXML, doc("<CustomerID>1</CustomerID><TrxCodesID>1</TrxCodesID>" + std::string(Line1)),
         13, "Kovrin.CreateInvoiceZikuiXML[20]\\", "Type mismatch"},
        {&Kovrin::CreateInvoiceZikuiXML,
         doc("<CustomerID>1</CustomerID>" + std::string(Header) + "<LineItem><UnitPrice></UnitPrice></LineItem>"), 13,
         "Kovrin.CreateInvoiceZikuiXML[20]\\", "Type mismatch"},
        {&Kovrin::CreateReceiptXML, "<Kovrin><CustomerID>1</CustomerID><ReceiptLineItem><Amount/></ReceiptLineItem></Kovrin>",
         13, "Kovrin.CreateReceiptXML[50]\\Kovrin.CreateReceiptXML1[10]\\", "Type mismatch"},
    };
    for (const auto& c : cases) {
        const Error e = errorOf([&] { (k.*c.create)(c.xml); });
        EXPECT_EQ(e.number(), c.number) << c.xml;
        EXPECT_EQ(e.source().substr(0, std::string(c.source).size()), c.source) << c.xml;
        EXPECT_EQ(e.description(), c.description) << c.xml;
    }
    EXPECT_EQ(documentTables(inst), before);
}
