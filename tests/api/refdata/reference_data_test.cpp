#include <KovrinAPI/Item.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/PriceList.h>
#include <KovrinAPI/TrxCode.h>
#include <KovrinAPI/Utils.h>
#include <KovrinAPI/runtime/Error.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Installation.h"
#include "api/core/DebugLog.h"
#include "support/Checks.h"
#include "support/StatementLog.h"

using namespace kovrin;
using kovrin::test::Installation;
using testing::ElementsAre;

using kovrin::test::errorOf;
using kovrin::test::StatementLog;

namespace {

// The (procedure, label, value) of every entry of a debug log, in order.
std::vector<std::string> logEntries(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> entries;
    std::string text = all.str();
    for (std::size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
        std::string line = text.substr(pos, end - pos);
        if (line.empty() || line[0] == '-') continue;
        entries.push_back(line.substr(line.find('\t') + 1));  // without the time stamp
    }
    return entries;
}

template <class T>
std::shared_ptr<T> at(const Variant& list, long i) {
    return list.array()(i).objectAs<T>();
}

}  // namespace

TEST(TrxCodes, RecordsAndXmlOfTheCurrentBusinessOnly) {
    Installation inst;
    inst.exec("INSERT INTO TrxCodes (iBusinessID, iTrxCode, vcTrxCodeDescription, iPLCodesID) VALUES (2, 77, 'other', 1)");
    Kovrin k;
    StatementLog log;

    Variant codes = k.GetTrxCodes();
    EXPECT_THAT(log.take(), ElementsAre("SELECT * FROM TrxCodes WHERE iBusinessID=1"));
    ASSERT_TRUE(codes.isArray());
    ASSERT_EQ(codes.array().ubound(), 4);
    auto first = at<TrxCode>(codes, 0);
    EXPECT_EQ(first->TrxCodeNumber(), 1);
    EXPECT_EQ(first->TrxCodeDescription(), "מכירות");
    EXPECT_EQ(first->PLCodesID(), 1);
    EXPECT_EQ(first->TrxCodesID(), CLng(inst.scalar("SELECT iTrxCodesID FROM TrxCodes WHERE iBusinessID=1 AND iTrxCode=1")));
    auto last = at<TrxCode>(codes, 4);
    EXPECT_EQ(last->TrxCodeNumber(), 10);
    EXPECT_EQ(last->PLCodesID(), 2);

    k.BusinessID(2);
    log.take();
    std::string xml = k.GetTrxCodesXML();
    EXPECT_THAT(log.take(), ElementsAre("SELECT * FROM TrxCodes WHERE iBusinessID=2"));
    std::string id = CStr(inst.scalar("SELECT iTrxCodesID FROM TrxCodes WHERE iBusinessID=2"));
    EXPECT_EQ(xml, "<Kovrin>\r\n<TrxCodes><TrxCode><iTrxCodesID>" + id +
                       "</iTrxCodesID><TrxCodeNumber>77</TrxCodeNumber><TrxCodeDescription>other</TrxCodeDescription>"
                       "<PLCodesID>1</PLCodesID></TrxCode></TrxCodes>\r\n</Kovrin>\r\n");
    codes = k.GetTrxCodes();
    ASSERT_EQ(codes.array().ubound(), 0);
    EXPECT_EQ(at<TrxCode>(codes, 0)->TrxCodeNumber(), 77);

    // A business without codes: an array without elements, and the empty root in XML.
    k.BusinessID(3);
    codes = k.GetTrxCodes();
    ASSERT_TRUE(codes.isArray());
    EXPECT_EQ(codes.array().ubound(), -1);
    EXPECT_EQ(k.GetTrxCodesXML(), "<Kovrin>\r\n<TrxCodes/>\r\n</Kovrin>\r\n");
}

TEST(TrxCodes, NullColumns) {
    Installation inst(Installation::Data::Empty);
    inst.exec("INSERT INTO TrxCodes (iBusinessID, iTrxCode, vcTrxCodeDescription, iPLCodesID) VALUES (1, 5, NULL, 1)");
    Kovrin k;
    // A Null text is the empty text in the record, but the XML cannot hold it.
    EXPECT_EQ(at<TrxCode>(k.GetTrxCodes(), 0)->TrxCodeDescription(), "");
    Error e = errorOf([&] { k.GetTrxCodesXML(); });
    EXPECT_EQ(e.number(), 94);
    EXPECT_EQ(e.source(), "Kovrin.GetTrxCodesXML[50]\\modKovrin.GetTrxCodesXML[50]\\");

    inst.exec("UPDATE TrxCodes SET vcTrxCodeDescription='x', iPLCodesID=NULL");
    e = errorOf([&] { k.GetTrxCodes(); });
    EXPECT_EQ(e.number(), 94);
    EXPECT_EQ(e.description(), "Invalid use of Null");
    EXPECT_EQ(e.source(), "Kovrin.GetTrxCodes[50]\\modKovrin.GetTrxCodes[50]\\");
    EXPECT_EQ(errorOf([&] { k.GetTrxCodesXML(); }).number(), 94);
}

TEST(PriceListsAndItems, RecordsOrEmpty) {
    Installation inst;
    inst.exec("INSERT INTO Lists (iBusinessID, iListNum, fltProfit, vcComments) VALUES (2, 9, 1.25, NULL)");
    inst.exec("INSERT INTO Items (iBusinessID, vcCatalogNumber, vcItemDescription, vcItemName) VALUES (2, NULL, 'd', NULL)");
    Kovrin k;
    StatementLog log;
    Variant lists = k.GetPriceLists();
    Variant items = k.GetItems();
    EXPECT_THAT(log.take(), ElementsAre("SELECT * FROM Lists WHERE iBusinessID=1", "SELECT * FROM Items WHERE iBusinessID=1"));

    ASSERT_EQ(lists.array().ubound(), 2);
    auto export_ = at<PriceList>(lists, 2);
    EXPECT_EQ(export_->ListNum(), 3);
    EXPECT_EQ(export_->ProfitPercent(), 22.5);
    EXPECT_EQ(export_->Comments(), "Export price list");
    EXPECT_EQ(export_->ListID(), CLng(inst.scalar("SELECT iListsID FROM Lists WHERE iListNum=3")));
    ASSERT_EQ(items.array().ubound(), 4);
    auto laptop = at<Item>(items, 2);
    EXPECT_EQ(laptop->CatalogNumber(), "HW-310");
    EXPECT_EQ(laptop->ItemDescription(), "מחשב נייד 14\" כולל אחריות לשנה");
    EXPECT_EQ(laptop->ItemName(), "מחשב נייד");
    EXPECT_EQ(laptop->ItemsID(), CLng(inst.scalar("SELECT iItemsID FROM Items WHERE vcCatalogNumber='HW-310'")));

    // Business 2: only its own rows, Null texts read as empty texts.
    k.BusinessID(2);
    lists = k.GetPriceLists();
    ASSERT_EQ(lists.array().ubound(), 0);
    EXPECT_EQ(at<PriceList>(lists, 0)->Comments(), "");
    items = k.GetItems();
    ASSERT_EQ(items.array().ubound(), 0);
    EXPECT_EQ(at<Item>(items, 0)->ItemDescription(), "d");
    EXPECT_EQ(at<Item>(items, 0)->CatalogNumber(), "");
    EXPECT_EQ(at<Item>(items, 0)->ItemName(), "");

    // Null numbers fail; a business without rows gets Empty (not an empty array).
    inst.exec("UPDATE Lists SET fltProfit=NULL WHERE iBusinessID=2");
    Error e = errorOf([&] { k.GetPriceLists(); });
    EXPECT_EQ(e.number(), 94);
    EXPECT_EQ(e.source(), "Kovrin.GetPriceLists[50]\\modKovrin.GetPriceLists[50]\\");
    k.BusinessID(3);
    EXPECT_TRUE(k.GetPriceLists().isEmpty());
    EXPECT_TRUE(k.GetItems().isEmpty());
}

TEST(BanksAndPaymentTypes, TwoColumnArrays) {
    Installation inst;
    Kovrin k;
    k.BusinessID(2);  // shared tables: the business does not matter
    StatementLog log;
    Variant banks = k.GetBanks();
    Variant types = Utils().GetPaymentTypes(false);
    EXPECT_THAT(log.take(), ElementsAre("SELECT * FROM Banks", "SELECT * FROM Payment_types"));

    const VariantArray& b = banks.array();
    ASSERT_EQ(b.dimensions(), 2);
    EXPECT_EQ(b.ubound(1), 9);
    EXPECT_EQ(b.ubound(2), 1);
    EXPECT_EQ(b(2, 0), Variant(int32_t{10}));
    EXPECT_EQ(b(2, 1), Variant("בנק לאומי"));
    const VariantArray& t = types.array();
    EXPECT_EQ(t.ubound(1), 4);
    EXPECT_EQ(t(4, 0), Variant(int32_t{5}));
    EXPECT_EQ(t(4, 1), Variant("הוראת קבע"));

    inst.exec("DELETE FROM Banks");
    inst.exec("INSERT INTO Banks (iBanksID, vcBankName) VALUES (1, 'One'), (2, NULL), (3, 'Three')");
    banks = k.GetBanks();
    EXPECT_EQ(banks.array().ubound(1), 2);
    EXPECT_EQ(banks.array().ubound(2), 1);
    EXPECT_EQ(banks.array()(1, 1), Variant(""));

    // An empty table gives an array without elements.
    inst.exec("DELETE FROM Banks");
    inst.exec("DELETE FROM Payment_types");
    for (Variant v : {k.GetBanks(), k.GetPaymentTypes()}) {
        ASSERT_TRUE(v.isArray());
        EXPECT_EQ(v.array().ubound(), -1);
    }
}

TEST(ExchangeRates, TextFormAndSingleRates) {
    Installation inst;
    Kovrin k;
    StatementLog log;
    EXPECT_EQ(k.GetExchangeRates(), "|NIS;1|USD;3.65|EUR;3.95|GBP;4.65");
    EXPECT_EQ(k.GetExchangeRate("USD"), Currency::parse("3.65"));
    EXPECT_EQ(k.GetExchangeRate("XYZ"), Currency());
    EXPECT_EQ(k.GetExchangeRate(""), Currency());
    EXPECT_EQ(k.GetExchangeRate("O'K"), Currency());
    EXPECT_THAT(log.take(), ElementsAre("SELECT * FROM Currencies", "SELECT * FROM Currencies WHERE vcCode='USD'",
                                        "SELECT * FROM Currencies WHERE vcCode='XYZ'",
                                        "SELECT * FROM Currencies WHERE vcCode=NULL",
                                        "SELECT * FROM Currencies WHERE vcCode='O''K'"));

    // A currency without a rate: nothing after its code, and a rate of 0.
    inst.exec("UPDATE Currencies SET curRate=NULL WHERE vcCode='EUR'");
    // The list has no ORDER BY: a file gives key order, a server its storage order, where a changed
    // row comes last.
    EXPECT_EQ(k.GetExchangeRates(), Installation::onServer() ? "|NIS;1|USD;3.65|GBP;4.65|EUR;" : "|NIS;1|USD;3.65|EUR;|GBP;4.65");
    EXPECT_EQ(k.GetExchangeRate("EUR"), Currency());

    inst.exec("DELETE FROM Currencies");
    EXPECT_EQ(k.GetExchangeRates(), "");
}

TEST(VatRate, PeriodInForceOnTheDate) {
    Installation inst;
    Kovrin k;
    StatementLog log;
    Date start = Date::fromCalendar(2013, 6, 2);
    EXPECT_EQ(k.GetVatRate(start), 18);
    EXPECT_EQ(start, Date::fromCalendar(2013, 6, 2));
    Date before = Date::fromCalendar(2013, 6, 1, 23, 59);
    EXPECT_EQ(k.GetVatRate(before), 17);
    Date halfRate = Date::fromCalendar(2006, 1, 1);
    EXPECT_EQ(k.GetVatRate(halfRate), 16.5);
    EXPECT_THAT(log.take(),
                ElementsAre("SELECT TOP 1 fltVATRate FROM VATRates WHERE  #06/02/2013 00:00# >= datStartDate ORDER BY datStartDate DESC",
                            "SELECT TOP 1 fltVATRate FROM VATRates WHERE  #06/01/2013 23:59# >= datStartDate ORDER BY datStartDate DESC",
                            "SELECT TOP 1 fltVATRate FROM VATRates WHERE  #01/01/2006 00:00# >= datStartDate ORDER BY datStartDate DESC"));
    EXPECT_EQ(Utils().GetVatRate(halfRate, false), "16.5");

    // No date: today, written into the caller's variable.
    Date none;
    double today = k.GetVatRate(none);
    EXPECT_EQ(none, Date::today());
    EXPECT_EQ(today, CDbl(inst.scalar("SELECT fltVATRate FROM VATRates WHERE datStartDate <= #" + Date::today().shortDate().substr(3, 3) +
                                      Date::today().shortDate().substr(0, 3) + Date::today().shortDate().substr(6) + "# "
                                      "ORDER BY datStartDate DESC LIMIT 1")));
    EXPECT_EQ(k.GetVatRate(), today);

    // Before the first period there is no rate: the empty text, which is not a number.
    Date early = Date::fromCalendar(2000, 1, 1);
    EXPECT_EQ(Utils().GetVatRate(early, false), "");
    EXPECT_EQ(Utils().GetVatRate(Date(), false), "");  // a zero date compares with NULL
    Error e = errorOf([&] { k.GetVatRate(early); });
    EXPECT_EQ(e.number(), 13);
    EXPECT_EQ(e.source(), "Kovrin.GetVatRate[50]\\");
}

TEST(SystemParameter, LooksUpTheNameAsGivenInTheCurrentBusiness) {
    Installation inst;
    inst.exec("INSERT INTO sysSystemParameters (iBusinessID, vcParameterName, vcParameterValue) VALUES "
              "(1, 'Owner''s name', 'Noga'), (2, 'Owner''s name', 'Other'), (1, 'Blank', NULL)");
    Kovrin k;
    StatementLog log;
    Variant v = k.GetSystemParameter("Owner's name");
    EXPECT_THAT(log.take(), ElementsAre("SELECT vcParameterValue FROM sysSystemParameters WHERE iBusinessID=1 AND "
                                        "vcParameterName='Owner''s name'"));
    EXPECT_EQ(v.type(), VarType::String);
    EXPECT_EQ(CStr(v), "Noga");
    EXPECT_TRUE(IsDate(k.GetSystemParameter("qryCustomerBalanceDate")));
    EXPECT_EQ(CStr(k.GetSystemParameter("Unknown")), "");
    EXPECT_EQ(CStr(k.GetSystemParameter("Blank")), "");
    EXPECT_EQ(CStr(k.GetSystemParameter("x' OR '1'='1")), "");
    k.BusinessID(2);
    EXPECT_EQ(Utils().GetSystemParameter("Owner's name", false), "Other");
    EXPECT_EQ(CStr(k.GetSystemParameter("qryCustomerBalanceDate")), "");
}

TEST(ReferenceDataDebugLog, EntriesWithTheirLabels) {
    Installation inst;
    core::forgetDebugLogFileName();  // as in a freshly loaded library
    Kovrin k;
    k.DebugMode(true);
    Date d = Date::fromCalendar(2013, 6, 2);
    k.GetTrxCodes();
    k.GetPaymentTypes();
    k.GetVatRate(d);
    k.GetSystemParameter("Missing");
    k.GetExchangeRate("USD");
    const std::string conn = "modKovrin.OpenConnection\tConnectionString\tProvider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                             inst.databasePath() + ";Mode=Read|Write";
    EXPECT_THAT(logEntries(inst.dir().file("kovrinapi3.2.74.txt")),
                ElementsAre("Kovrin.GetTrxCodes\t\t", "modKovrin.GetTrxCodes\tSQL\tSELECT * FROM TrxCodes WHERE iBusinessID=1",
                            conn,
                            "clsUtils.GetPaymentTypes\t\t", "modKovrin.GetPaymentTypes\t\t", conn,
                            "Kovrin.GetVatRate\tdatDate\t02/06/2013", "clsUtils.GetVatRate\tdatDate\t02/06/2013", conn,
                            "Kovrin.GetVatRate\tGetVatRate\t18",
                            "Kovrin.GetSystemParameter\tstrParameterName\tMissing",
                            "clsUtils.GetSystemParameter\tstrParameterName\tMissing", conn,
                            "Kovrin.GetSystemParameter\tParameter Value\t",
                            "Kovrin.GetExchangeRate\tstrCurrency\tUSD", "clsUtils.GetExchangeRate\t\t", conn));
}
