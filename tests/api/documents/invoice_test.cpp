#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DocumentTests.h"
#include "api/core/Connection.h"
#include "api/documents/Documents.h"
#include "support/Checks.h"
#include "support/StatementLog.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

const Date Jan15 = Date::fromCalendar(2026, 1, 15, 10, 30);
constexpr auto STD = InvoiceTypes::INVOICE_TYPE_STD;
constexpr auto W = InvoiceTypes::INVOICE_TYPE_W;

std::string joined(std::initializer_list<Variant> values) {
    std::string s;
    for (const auto& v : values) s += (s.empty() ? "" : "|") + CStr(v);
    return s;
}

const char* const Totals =
    "curTotal1, fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount, curTotalBeforeVat, "
    "curTotalNoVat, curVat, curGrandTotal";

}  // namespace

TEST(Invoices, ComputeTotalsRebateRoundingAndVat) {
    Installation inst;
    Kovrin k;
    struct Row {
        const char* name;
        int kind;  // 1 invoice, 6 Iska, 9 credit
        InvoiceTypes type;
        std::vector<L> items;
        double percent;
        const char* amount;
        bool round;
        double vat;
        bool chargeVat;
        const char* stored;  // the header's totals, as Totals lists them
        const char* caller;  // fltVAT, fltRebatePercent, curRebateAmount, blnRoundTotal afterwards
        int lineRows;
    } rows[] = {
        {"plain", 1, STD, {{"100", 1}, {"50", 2}}, 0, "0", false, 17, true, "200|0|0|False|0|200|0|34|234", "0.17|0|0|False", 2},
        {"percent", 1, STD, {{"100", 1}, {"50", 2}}, 10, "0", false, 17, true, "200|10|20|False|0|180|0|30.6|210.6", "0.17|10|20|False", 2},
        {"amount wins", 1, STD, {{"100", 1}, {"50", 2}}, 5, "20", false, 17, true, "200|10|20|False|0|180|0|30.6|210.6", "0.17|10|20|False", 2},
        {"rounded", 1, STD, {{"100.40", 1}}, 0, "0", true, 17, true, "100.4|0|0|True|0.4|100|0|17|117", "0.17|0|0|True", 1},
        {"type W", 1, W, {{"100", 1, 1, true}, {"50", 1}}, 10, "5", true, 17, true, "100|0|0|False|0|150|50|17|167", "0.17|0|0|False", 2},
        {"no VAT", 1, STD, {{"100", 1}}, 0, "0", false, 17, false, "100|0|0|False|0|100|0|0|100", "0|0|0|False", 1},
        {"VAT of the date", 1, STD, {{"100", 1}}, 0, "0", false, 0, true, "100|0|0|False|0|100|0|18|118", "0.18|0|0|False", 1},
        {"dollars", 1, STD, {{"10", 2, 3.95, false, "USD"}}, 0, "0", false, 17, true, "79|0|0|False|0|79|0|13.43|92.43", "0.17|0|0|False", 1},
        {"no description", 1, STD, {{"100", 1, 1, false, "NIS", ""}, {"50", 1}}, 0, "0", false, 17, true, "150|0|0|False|0|150|0|25.5|175.5", "0.17|0|0|False", 1},
        {"no lines", 1, STD, {}, 0, "0", false, 17, true, "0|0|0|False|0|0|0|0|0", "0.17|0|0|False", 0},
        {"Iska", 6, STD, {{"100", 1}, {"50", 2}}, 0, "0", false, 17, true, "200|0|0|False|0|200|0|34|234", "0.17|0|0|False", 2},
        {"credit rounded", 9, STD, {{"100.40", -1}}, 0, "0", true, 17, true, "-100.4|0|0|True|-0.4|-100|0|-17|-117", "0.17|0|0|True", 1},
        {"credit rebate", 9, STD, {{"100", 2}}, 0, "-20", false, 17, true, "200|10|20|False|0|180|0|30.6|210.6", "0.17|10|20|False", 1},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.name);
        double percent = r.percent, vat = r.vat;
        Currency amount = Currency::parse(r.amount);
        bool round = r.round;
        Variant items = lines(r.items);
        int32_t number = 0;
        std::string table = "UsysInvoices", lineTable = "InvoiceLines";
        if (r.kind == 1) {
            number = k.CreateInvoice(4, Jan15, "", percent, amount, round, vat, r.chargeVat, "", 1, r.type, items);
        } else if (r.kind == 6) {
            table = "InvoiceHiyuv", lineTable = "InvoiceHiyuvLines";
            number = k.CreateInvoiceIska(4, Jan15, "", percent, amount, round, vat, r.chargeVat, "", 1, r.type, items);
        } else {
            table = "InvoicesZikui", lineTable = "InvoiceZikuiLines";
            number = k.CreateInvoiceZikui(4, Jan15, "", percent, amount, round, vat, r.chargeVat, "", 1,
                                          static_cast<int32_t>(r.type), items);
        }
        const std::string where = " FROM " + table + " WHERE iBusinessID=1 AND iInvoiceNumber=" + std::to_string(number);
        EXPECT_EQ(rowsText(inst, std::string("SELECT ") + Totals + where), r.stored);
        EXPECT_EQ(joined({vat, percent, amount, round}), r.caller);
        EXPECT_EQ(CLng(inst.scalar("SELECT COUNT(*) FROM " + lineTable + " WHERE iInvoicesID=(SELECT iInvoicesID" + where + ")")),
                  r.lineRows);
        for (long i = 0; r.type == STD && i <= items.array().ubound(); ++i)
            EXPECT_TRUE(items.array()(i).objectAs<LineItem>()->ChargeVAT());
    }
    // Each kind numbers on its own from its start number.
    EXPECT_EQ(rowsText(inst, "SELECT MIN(iInvoiceNumber), MAX(iInvoiceNumber) FROM UsysInvoices"), "1001|1010");
    EXPECT_EQ(rowsText(inst, "SELECT iInvoiceNumber FROM InvoiceHiyuv"), "6001");
    EXPECT_EQ(rowsText(inst, "SELECT iInvoiceNumber, datDueDate FROM InvoicesZikui"),
              "9001|" + Date::today().generalDate() + ";9002|" + Date::today().generalDate());
}

TEST(Invoices, WriteTheExactHeaderAndLineStatements) {
    Installation inst;
    Kovrin k;
    double percent = 0, vat = 17;
    Currency amount;
    bool round = false;
    StatementLog log;
    int32_t number = k.CreateInvoice(4, Jan15, "c'1", percent, amount, round, vat, true, "d", 1, STD,
                                     lines({{"100", 1}, {"50", 2, 1, false, ""}}));
    EXPECT_EQ(number, 1001);
    const std::vector<std::string> sent = log.take();
    const std::string key = CStr(inst.scalar("SELECT iInvoicesID FROM UsysInvoices"));
    const std::string lineHead =
        "INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty, "
        "curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate, curLineVat)  VALUES(1," + key;
    // The number is read first, inside the transaction that stores the document.
    EXPECT_EQ(sent, (std::vector<std::string>{
        "SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=1",
        "SELECT iInvoiceNum FROM apiGetStartNumberInvoice WHERE iBusinessID=1",
        "SELECT * FROM Customers WHERE iCustomersID=4 AND iBusinessID=1",
        "INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, datxdate, iCustomersID, vcBusinessName, vcAddress1, "
        "vcAddress2, vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcPhone2, vcFax1, vcComments, vcDetails, "
        "curTotal1, fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount , curTotalBeforeVat, "
        "curTotalNoVat, curVat, curGrandTotal, blnChargeVat , iTrxCodesID, iInvoiceType, datDueDate, "
        "vcCustomerOsekMorshe) VALUES(1,1001,#01/15/2026 10:30#,4,'Levi & O''Neill Partners','3 Ha''Arba''a St',NULL,"
        "'Tel Aviv','6473903','Michael O''Neill','03-5612345', NULL,'03-5612346', 'c''1', 'd',200,0, 0,0, 0,200,0,34,"
        "234,1,1, 1,NULL,'512987652')",
        "SELECT iInvoicesID FROM UsysInvoices WHERE iInvoiceNumber=1001 AND iBusinessID=1",
        lineHead + ",7, 'Item',-1,1,100,100,'₪',1,17)",
        "SELECT iInvoicesID FROM UsysInvoices WHERE iInvoiceNumber=1001 AND iBusinessID=1",
        lineHead + ",8, 'Item',-1,2,50,100,'₪',1,17)"}));
    EXPECT_EQ(rowsText(inst, "SELECT blnChargeVAT, curLineVat FROM InvoiceLines"), "True|17;True|17");
    if (!Installation::onServer()) {  // a server's yes/no columns are whole numbers by their type
        EXPECT_EQ(CStr(inst.scalar("SELECT typeof(blnChargeVAT) || blnChargeVAT FROM InvoiceLines")), "integer-1");
    }

    // A credit line is stored with a negative quantity, its extended price and VAT following; a W
    // line keeps its own flag but its VAT is reckoned at the document's rate; the line's extended
    // price is written unrounded.
    log.take();
    percent = 0, vat = 17;
    k.CreateInvoiceZikui(0, Jan15, "", percent, amount, round, vat, true, "", 1, 2,
                         lines({{"0.3333", 1.5, 3.95, false, "USD"}}));
    EXPECT_THAT(log.sql, testing::Contains(testing::EndsWith(",7, 'Item',0,-1.5,0.3333,-1.9748025,'$',3.95,-0.3357)")));
    EXPECT_THAT(log.sql, testing::Contains(testing::HasSubstr(",NULL,NULL,NULL,NULL,NULL,' ',NULL, NULL,NULL, NULL, NULL,")));
}

TEST(Invoices, AFailedInvoiceLeavesNothingAndTheErrorNamesItsPath) {
    Installation inst;
    Kovrin k;
    double percent = 0, vat = 17;
    Currency amount;
    bool round = false;
    const std::string before = documentTables(inst);

    // An unknown currency on the third line: header and the two lines before it are rolled back.
    k.DebugMode(true);
    const int32_t headerKey = inst.nextKey("UsysInvoices", "iInvoicesID");
    Error e = errorOf([&] {
        k.CreateInvoice(1, Jan15, "", percent, amount, round, vat, true, "", 1, STD,
                        lines({{"1", 1}, {"2", 1}, {"3", 1, 1, false, "XYZ", "Third"}}));
    });
    EXPECT_EQ(e.number(), 5436);
    EXPECT_EQ(e.description(), "Unknown currency: XYZ, Invoice ID: " +
                                   std::to_string(headerKey) +
                                   ", Item: Third");
    EXPECT_THAT(e.source(), testing::StartsWith("Kovrin.CreateInvoice[50]\\modKovrin.CreateInvoice[10]\\"
                                                "modKovrinBase.CreateInvoiceBase[130]\\modKovrinBase.CreateInvoiceLine[50]\\"
                                                "modUtils.CurrencyNameToSymbol["));
    EXPECT_EQ(vat, 17);  // the caller can repeat the call as it was
    k.DebugMode(false);
    std::ifstream logFile(inst.dir().file("kovrinapi3.2.74.txt"));
    const std::string logText((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    EXPECT_THAT(logText, testing::HasSubstr("\tError\tError 5436 in " + e.source() + ": " + e.description()));
    EXPECT_EQ(documentTables(inst), before);

    // The database refusing a line (a trigger here) rolls back the whole invoice too; the next
    // invoice then gets the number the failed one would have had.
    inst.refuseInserts("InvoiceLines", "NEW.curUnitPrice = 13", "line refused");
    e = errorOf([&] {
        k.CreateInvoice(1, Jan15, "", percent, amount, round, vat, true, "", 1, STD, lines({{"1", 1}, {"13", 1}}));
    });
    EXPECT_THAT(e.description(), testing::HasSubstr("line refused"));
    EXPECT_THAT(e.source(), testing::StartsWith("Kovrin.CreateInvoice[50]\\"));
    EXPECT_EQ(documentTables(inst), before);
    EXPECT_EQ(k.CreateInvoice(1, Jan15, "", percent, amount, round, vat, true, "", 1, STD, lines({{"1", 1}})), 1001);

    // A line that is not a LineItem, a rebate amount on nothing, an unknown kind.
    VariantArray wrong(1);
    wrong(0) = Variant(3);
    vat = 17;
    EXPECT_EQ(errorOf([&] { k.CreateInvoice(1, Jan15, "", percent, amount, round, vat, true, "", 1, STD, Variant(wrong)); }).number(), 13);
    amount = Currency(5);
    EXPECT_EQ(errorOf([&] { k.CreateInvoice(1, Jan15, "", percent, amount, round, vat, true, "", 1, STD, Variant()); }).number(), 11);
    bool debug = false;
    int32_t id = 1, trx = 1, type = 1;
    std::string text;
    Date date = Jan15;
    Variant none;
    e = errorOf([&] {
        modKovrinBase::CreateInvoiceBase(3, id, date, text, percent, amount, round, vat, debug, text, trx, type, none, date, debug);
    });
    EXPECT_EQ(e.number(), 7283);
    EXPECT_EQ(e.description(), "Unknow ObjectNum: 3");
    EXPECT_EQ(e.source(), "modKovrinBase.CreateInvoiceBase[20]\\");
    e = errorOf([&] { modKovrinBase::CreateInvoiceLine(2, 1, 1, "X", true, Currency(1), 1, "NIS", 1, 0.17, debug); });
    EXPECT_EQ(e.number(), 7284);
    EXPECT_EQ(e.description(), "Unknow ObjectNum: 2, Invoice ID: 0, Item: X");
}
