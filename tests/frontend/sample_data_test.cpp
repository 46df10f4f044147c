// The sample data: a business the library can work with from its first call.
#include <ctime>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SqliteFile.h"
#include "frontend/BookkeepingDatabase.h"
#include "support/TempDir.h"

namespace kovrin::frontend {
namespace {

using test::SqliteFile;
using test::TempDir;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Ge;

class SampleDatabase : public ::testing::Test {
protected:
    static std::string created(const std::string& path) {
        createDatabase(path, {.withSampleData = true});
        return path;
    }
    std::string count(const std::string& sql) { return *db.value("SELECT COUNT(*) FROM " + sql); }

    TempDir dir;
    SqliteFile db{created(dir.file("books.sqlite"))};
};

TEST_F(SampleDatabase, HasABusinessWithCustomersASupplierAndCodes) {
    EXPECT_THAT(db.rows("SELECT iBusinessID, length(vcBusinessName) > 0, vcמספרעוסקמורשה FROM BusinessDetails"),
                ElementsAre(ElementsAre("1", "1", "514233766")));

    // Customers (type 1) with their own foreign keys and known currencies, and one supplier.
    EXPECT_THAT(std::stoi(count("Customers WHERE iBusinessID=1 AND iCustomersTypesID IN (1, 3)")), Ge(3));
    EXPECT_EQ(count("Customers WHERE iBusinessID=1 AND iCustomersTypesID IN (2, 4)"), "1");
    EXPECT_EQ(db.value("SELECT COUNT(DISTINCT vcForeignKey) = COUNT(*) FROM Customers"), "1");
    EXPECT_EQ(count("Customers WHERE vcCurrencySymbol NOT IN ('₪', '$', '€', '£')"), "0");
    EXPECT_EQ(count("Customers WHERE iListNum IS NOT NULL AND iListNum NOT IN (SELECT iListNum FROM Lists)"), "0");
    EXPECT_EQ(count("Customers WHERE iBanksID IS NOT NULL AND iBanksID NOT IN (SELECT iBanksID FROM Banks)"), "0");

    // Code 2 for receipts, sales codes marked with iPLCodesID 1.
    EXPECT_EQ(count("TrxCodes WHERE iBusinessID=1 AND iTrxCode=2"), "1");
    EXPECT_THAT(std::stoi(count("TrxCodes WHERE iBusinessID=1 AND iPLCodesID=1")), Ge(1));
    EXPECT_EQ(count("TrxCodes WHERE iTrxCode IS NULL OR iPLCodesID IS NULL OR vcTrxCodeDescription IS NULL"), "0");

    // Price lists, items (item 1 is what lines from XML refer to), banks and payment types.
    EXPECT_THAT(std::stoi(count("Lists WHERE iBusinessID=1")), Ge(2));
    EXPECT_EQ(count("Items WHERE iItemsID=1 AND iBusinessID=1"), "1");
    EXPECT_THAT(std::stoi(count("Banks")), Ge(3));
    EXPECT_THAT(std::stoi(count("Payment_types")), Ge(3));

    // A start number of its own for each of the six document kinds, and no documents.
    EXPECT_EQ(db.value("SELECT COUNT(DISTINCT iStartNumber) FROM DocumentStartNumbers WHERE iBusinessID=1"), "6");
    for (const char* table : {"UsysInvoices", "InvoiceHiyuv", "InvoicesKabala", "InvoicesZikui", "UsysReceipts",
                              "Refunds", "TimeBills", "Errors"})
        EXPECT_EQ(count(table), "0") << table;
}

TEST_F(SampleDatabase, HasCurrenciesAndTheVatHistory) {
    EXPECT_THAT(db.rows("SELECT vcCode, curRate > 0 FROM Currencies ORDER BY vcCode"),
                ElementsAre(ElementsAre("EUR", "1"), ElementsAre("GBP", "1"), ElementsAre("NIS", "1"),
                            ElementsAre("USD", "1")));
    EXPECT_EQ(db.value("SELECT curRate FROM Currencies WHERE vcCode='NIS'"), "1");

    // The rate in force on a date, asked the way the library asks it.
    auto rateOn = [&](const std::string& when) {
        return db.value("SELECT fltVATRate FROM VATRates WHERE '" + when +
                        "' >= datStartDate ORDER BY datStartDate DESC LIMIT 1");
    };
    EXPECT_EQ(rateOn("2025-06-01 00:00:00"), "18.0");
    EXPECT_EQ(rateOn("2015-10-01 00:00:00"), "17.0");
    EXPECT_EQ(rateOn("2004-02-29 23:59:00"), std::nullopt);

    // Each period holds from its first day; the day before belongs to the period before.
    const std::vector<std::pair<std::string, std::string>> history = {
        {"2004-03-01", "17.0"}, {"2005-09-01", "16.5"}, {"2006-07-01", "15.5"},
        {"2009-07-01", "16.5"}, {"2010-01-01", "16.0"}, {"2012-09-01", "17.0"},
        {"2013-06-02", "18.0"}, {"2015-10-01", "17.0"}, {"2025-01-01", "18.0"}};
    for (std::size_t i = 0; i < history.size(); ++i) {
        const auto& [start, rate] = history[i];
        EXPECT_EQ(rateOn(start + " 00:00:00"), rate) << start;
        const std::string dayBefore = *db.value("SELECT date('" + start + "', '-1 day')") + " 23:59:00";
        if (i > 0) {
            EXPECT_EQ(rateOn(dayBefore), history[i - 1].second) << dayBefore;
        }
    }
    EXPECT_EQ(count("VATRates"), std::to_string(history.size()));
}

TEST_F(SampleDatabase, HasTheBalancesComputedToday) {
    char today[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%d/%m/%Y", std::localtime(&now));
    EXPECT_EQ(db.value("SELECT vcParameterValue FROM sysSystemParameters "
                       "WHERE iBusinessID=1 AND vcParameterName='qryCustomerBalanceDate'"),
              today);

    // One row per customer (not the supplier), with what the balance query gives today.
    const auto stored = db.rows("SELECT iCustomersID, printf('%.4f', curBalance) FROM tblCustomerBalance "
                                "ORDER BY iCustomersID");
    EXPECT_EQ(std::to_string(stored.size()), count("Customers WHERE iCustomersTypesID IN (1, 3)"));
    EXPECT_EQ(stored, db.rows("SELECT b.iCustomersID, printf('%.4f', b.curBalance) FROM qryComputeCustomerBalance b "
                              "JOIN Customers c USING (iCustomersID) WHERE c.iCustomersTypesID IN (1, 3) "
                              "ORDER BY b.iCustomersID"));
    EXPECT_EQ(count("tblCustomerBalanceIska"), std::to_string(stored.size()));
    EXPECT_THAT(stored, Contains(ElementsAre("3", "-250.5000")));
}

// SQLite does not hold text to the declared length, so the sample data must.
TEST_F(SampleDatabase, TextFitsTheDeclaredLengths) {
    for (const auto& table : db.objects("table")) {
        for (auto& column : db.rows("PRAGMA table_info(\"" + table + "\")")) {
            const std::string& type = column[2];
            if (!type.starts_with("VARCHAR(")) continue;
            const int limit = std::stoi(type.substr(8));
            EXPECT_EQ(count("\"" + table + "\" WHERE length(\"" + column[1] + "\") > " + std::to_string(limit)), "0")
                << table << "." << column[1] << " longer than " << limit;
        }
    }
}

}  // namespace
}  // namespace kovrin::frontend
