#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Kovrin.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "api/core/DebugLog.h"
#include "platform/xml/Dom.h"
#include "support/Checks.h"
#include "support/Installation.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

// An invoice with every header column set, as the bookkeeping product stores it.
void storeInvoice(const Installation& inst, int key, int number, const char* name, const char* vat,
                  const char* grandTotal, const char* due) {
    inst.exec(std::string("INSERT INTO UsysInvoices (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, "
                          "vcBusinessName, vcAddress1, vcAddress2, vcCity, vcPostalCode, vcContactDetails, vcPhone1, "
                          "vcFax1, vcComments, vcDetails, curTotal1, fltRebatePrcnt, curRebateAmount, blnRebateRound, "
                          "curRebateRoundAmount, curTotalBeforeVat, curVat, curGrandTotal, blnChargeVat, iTrxCodesID, "
                          "datDueDate, vcCustomerOsekMorshe, iStatusID, iReceiptNumber) VALUES (") +
              std::to_string(key) + ", 1, " + std::to_string(number) + ", '2008-03-15 00:00:00', 4, '" + name +
              "', 'A1', NULL, 'Tel Aviv', '6473903', 'Michael', '03-5612345', '03-5612346', 'c<1>', 'd', 117.5, 0, "
              "0, 1, -0.5, 117, " + vat + ", " + grandTotal + ", 1, 1, " + due + ", '512987652', 0, NULL)");
}

}  // namespace

TEST(InvoiceXml, TwoLinesInTheirOrder) {
    Installation inst;
    storeInvoice(inst, 5, 1001, "Levi & O''Neill", "17", "134", "'2008-04-14 00:00:00'");
    inst.exec("INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty, "
              "curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate) VALUES "
              "(1, 5, 1, 'Bread & butter', 1, 2, 50.25, 100.5, '₪', 1), (1, 5, 1, 'Support', 0, 1.5, 4, 23.7, '$', 3.95)");
    Kovrin k;
    k.DebugMode(true);
    const std::string expected =
        "<Kovrin>\r\n"
        "<Document type=\"Invoice\"><CustomersID>4</CustomersID><BusinessName>Levi &amp; O'Neill</BusinessName>"
        "<Address1>A1</Address1><Address2></Address2><City>Tel Aviv</City><PostalCode>6473903</PostalCode>"
        "<ContactDetails>Michael</ContactDetails><Phone1>03-5612345</Phone1><CustomerOsekMorshe>512987652"
        "</CustomerOsekMorshe><Fax>03-5612346</Fax><TrxCodesID>1</TrxCodesID><DocDate>2008-03-15T00:00:00</DocDate>"
        "<DocComments>c&lt;1&gt;</DocComments><DocDetails>d</DocDetails><Total1>117.5</Total1>"
        "<RebatePercent>0</RebatePercent><RebateAmount>0</RebateAmount><RoundTotal>True</RoundTotal>"
        "<RebateRoundAmount>-0.5</RebateRoundAmount><TotalBeforeVat>117</TotalBeforeVat><ChargeVAT>True</ChargeVAT>"
        "<VAT>14.53</VAT><VATAmount>17</VATAmount><GrandTotal>134</GrandTotal><StatusID>0</StatusID>"
        "<ReceiptNumbers></ReceiptNumbers><DueDate>2008-04-14T00:00:00</DueDate><LineItems>"
        "<LineItem number=\"1\"><ItemDescription>Bread &amp; butter</ItemDescription><ItemQuantity>2</ItemQuantity>"
        "<UnitPrice>50.25</UnitPrice><Currency>NIS</Currency><CurrencyRate>1</CurrencyRate>"
        "<ExtendedPrice>100.5</ExtendedPrice><ChargeVAT>True</ChargeVAT></LineItem>"
        "<LineItem number=\"2\"><ItemDescription>Support</ItemDescription><ItemQuantity>1.5</ItemQuantity>"
        "<UnitPrice>4</UnitPrice><Currency>USD</Currency><CurrencyRate>3.95</CurrencyRate>"
        "<ExtendedPrice>23.7</ExtendedPrice><ChargeVAT>False</ChargeVAT></LineItem></LineItems></Document>\r\n"
        "</Kovrin>\r\n";
    const std::string text = CStr(k.GetInvoicesByQueryXML(1001));
    EXPECT_EQ(text, expected);
    xml::Document doc;
    EXPECT_TRUE(doc.loadXML(text));
    EXPECT_EQ(doc.selectSingleNode("//BusinessName").text(), "Levi & O'Neill");

    // The debug log has the number on entry and the whole text on exit.
    std::ifstream in(core::debugLogFileName(), std::ios::binary);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find("\tKovrin.GetInvoicesByQueryXML\tiInvoiceNumber\t1001"), std::string::npos) << log.str();
    EXPECT_NE(log.str().find("\tKovrin.GetInvoicesByQueryXML\tXML returned\t" + expected), std::string::npos);
}

TEST(InvoiceXml, NoLinesNoDatesAndTheVatRate) {
    Installation inst;
    struct {
        const char* vat;
        const char* grandTotal;
        const char* rate;
    } rows[] = {{"17", "117", "17"}, {"0", "100", "0"}, {"16.5", "116.5", "16.5"}, {"20", "20", ""}};
    int number = 1001;
    for (const auto& r : rows) storeInvoice(inst, number, number, "N", r.vat, r.grandTotal, "NULL"), ++number;
    Kovrin k;
    number = 1001;
    for (const auto& r : rows) {
        const std::string text = CStr(k.GetInvoicesByQueryXML(number++));
        EXPECT_NE(text.find(std::string("<VAT>") + r.rate + "</VAT>"), std::string::npos) << r.vat;
        EXPECT_NE(text.find("<DueDate></DueDate><LineItems/></Document>\r\n</Kovrin>\r\n"), std::string::npos) << text;
    }
}

TEST(CustomerXml, EveryCustomerInColumnOrder) {
    Installation inst;
    Kovrin k;
    const std::string levi =
        "<Customer><CustomersID>4</CustomersID><CustomerNumber>4</CustomerNumber>"
        "<BusinessName>Levi &amp; O'Neill Partners</BusinessName><OsekMorshe>512987652</OsekMorshe>"
        "<Address1>3 Ha'Arba'a St</Address1><Address2></Address2><City>Tel Aviv</City><PostalCode>6473903</PostalCode>"
        "<ContactFirstName>Michael</ContactFirstName><ContactLastName>O'Neill</ContactLastName>"
        "<Phone1>03-5612345</Phone1><Phone2></Phone2><Fax>03-5612346</Fax><Email>accounts@levi-oneill.example</Email>"
        "<Comments>Name with an ampersand and apostrophes</Comments><OpenBalance>0</OpenBalance>"
        "<ForeignKey>CUST-004</ForeignKey><BankAccountNumber></BankAccountNumber><BankBranch></BankBranch>"
        "<BanksID></BanksID><PriceListNum>2</PriceListNum><Charge>0</Charge><ChargeCurrencyName>EUR</ChargeCurrencyName>"
        "<PaymentTerms>1</PaymentTerms><PaymentDays>60</PaymentDays><Extra1></Extra1><Extra2></Extra2></Customer>";
    EXPECT_EQ(k.GetCustomerByForeignKeyXML(" CUST-004 "), "<Kovrin>\r\n" + levi + "\r\n</Kovrin>\r\n");

    const std::string all = k.GetCustomersXML();
    xml::Document doc;
    ASSERT_TRUE(doc.loadXML(all));
    EXPECT_EQ(doc.getElementsByTagName("Customer").size(), 4u);  // the supplier is left out
    EXPECT_NE(all.find("\r\n" + levi + "\r\n"), std::string::npos);
    EXPECT_NE(all.find("<OpenBalance>-250.5</OpenBalance>"), std::string::npos);

    const Error e = errorOf([&] { k.GetCustomerByForeignKeyXML("NOPE"); });
    EXPECT_EQ(e.number(), 8255);
    EXPECT_EQ(e.description(), "Customer not found. Foreign Key: NOPE, BusinessID: 1");

    // A row without a currency (written by another program) reads as shekels, in the XML as in the
    // record, instead of failing on the Null.
    inst.exec("UPDATE Customers SET vcCurrencySymbol = NULL WHERE vcForeignKey = 'CUST-004'");
    const std::string noCurrency = k.GetCustomerByForeignKeyXML("CUST-004");
    EXPECT_NE(noCurrency.find("<Charge>0</Charge><ChargeCurrencyName>NIS</ChargeCurrencyName>"), std::string::npos)
        << noCurrency;
    EXPECT_EQ(k.GetCustomerByForeignKey("CUST-004")->ChargeCurrency(), "NIS");
    EXPECT_NE(k.GetCustomersXML().find("<ChargeCurrencyName>NIS</ChargeCurrencyName>"), std::string::npos);

    inst.exec("DELETE FROM Customers");
    EXPECT_EQ(k.GetCustomersXML(), "<Kovrin>\r\n</Kovrin>\r\n");
}
