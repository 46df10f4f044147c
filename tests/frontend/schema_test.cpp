// The schema of a new bookkeeping database: every table, column and saved query the library
// uses, the declared types that decide the values it reads back, the document-number rules.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
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
using Names = std::vector<std::string>;

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Column name (lower case, as SQLite compares them) -> declared type.
std::map<std::string, std::string> columnsOf(SqliteFile& db, const std::string& table) {
    std::map<std::string, std::string> columns;
    for (auto& row : db.rows("PRAGMA table_info(\"" + table + "\")")) columns[lower(row[1])] = row[2];
    return columns;
}

Names operator+(Names a, const Names& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class NewDatabase : public ::testing::Test {
protected:
    void SetUp() override { createDatabase(path); }
    TempDir dir;
    std::string path = dir.file("books.sqlite");
};

TEST_F(NewDatabase, IsSoundEmptyAndMarkedWithItsVersion) {
    // Nothing of the build is left beside the file.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files.push_back(entry.path().filename());
    EXPECT_THAT(files, ::testing::ElementsAre("books.sqlite"));

    SqliteFile db(path);
    EXPECT_EQ(db.value("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(db.value("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(db.value("PRAGMA application_id"), std::to_string(ApplicationId));
    EXPECT_EQ(db.value("PRAGMA user_version"), std::to_string(currentSchemaVersion()));
    EXPECT_EQ(currentSchemaVersion(), 4);
    EXPECT_EQ(schemaVersion(path), 4);

    // Without sample data every table is empty but the allocation thresholds, which are the law's
    // and come with the schema; every saved query runs.
    for (const auto& table : db.objects("table")) {
        if (table == "AllocationThresholds") continue;
        EXPECT_EQ(db.value("SELECT COUNT(*) FROM \"" + table + "\""), "0") << table;
    }
    EXPECT_EQ(db.rows("SELECT curThreshold, datStartDate FROM AllocationThresholds ORDER BY datStartDate"),
              (std::vector<std::vector<std::string>>{{"25000", "2024-05-05 00:00:00"},
                                                     {"20000", "2025-01-01 00:00:00"},
                                                     {"10000", "2026-01-01 00:00:00"},
                                                     {"5000", "2026-06-01 00:00:00"}}));
    for (const auto& view : db.objects("view"))
        EXPECT_NO_THROW(db.rows("SELECT * FROM \"" + view + "\"")) << view;
}

TEST_F(NewDatabase, HasEveryTableAndColumnTheLibraryReadsOrWrites) {
    const Names invoiceHeader = {
        "iInvoicesID", "iBusinessID", "iInvoiceNumber", "datxDate", "iCustomersID", "vcBusinessName",
        "vcAddress1", "vcAddress2", "vcCity", "vcPostalCode", "vcContactDetails", "vcPhone1", "vcPhone2",
        "vcFax1", "vcComments", "vcDetails", "curTotal1", "fltRebatePrcnt", "curRebateAmount",
        "blnRebateRound", "curRebateRoundAmount", "curTotalBeforeVat", "curTotalNoVat", "curVat",
        "curGrandTotal", "blnChargeVat", "iTrxCodesID", "iInvoiceType", "datDueDate",
        "vcCustomerOsekMorshe", "iStatusID", "iCasesID", "iReceiptNumber"};
    const Names invoiceLine = {"iBusinessID", "iInvoicesID", "iItemsID", "vcItemDescription", "blnChargeVAT",
                               "iItemQty", "curUnitPrice", "curExtendedPrice", "vcCurrencySymbol", "curRate",
                               "curLineVat"};
    const Names receiptHeader = {
        "iReceiptsID", "iBusinessID", "iReceiptNumber", "datxDate", "iInvoiceNumber", "curTotal", "curTax",
        "curNetPmt", "vcDetails", "iCustomersID", "vcBusinessName", "vcAddress1", "vcAddress2", "vcCity",
        "vcPostalCode", "vcContactDetails", "vcPhone1", "vcPhone2", "vcFax1", "vcCurrencySymbol", "curRate",
        "vcCustomerOsekMorshe", "iTrxCodesID"};
    const Names paymentLine = {"iBusinessID", "iReceiptsID", "iPaymentTypesID", "vcAccountNumber", "vcDetails3",
                               "vcDetails2", "vcDetails1", "vcDetails4", "curAmount"};
    const Names balance = {"iBusinessID", "iCustomersID", "iCustomerNumber", "vcBusinessName", "curBalance"};
    const Names invoiceNumber = {"iBusinessID", "iInvoiceNum"};
    const Names receiptNumber = {"iBusinessID", "iReceiptNum"};

    const std::map<std::string, Names> expected = {
        {"BusinessDetails", {"iBusinessID", "vcBusinessName", "vcמספרעוסקמורשה"}},
        {"Errors", {"vcErrorDescription", "iBusinessID"}},
        {"Customers",
         {"iCustomersID", "iCustomerNumber", "vcBusinessName", "vcעוסקמורשה", "vcAddress1", "vcAddress2", "vcCity",
          "vcPostalCode", "vcContactFirstName", "vcContactLastName", "vcPhone1", "vcPhone2", "vcFax1", "vcEMail",
          "vcEmail", "iCustomersTypesID", "vcCreditCard", "iExpMonth", "iExpYear", "vcComments", "curOpenBalance",
          "vcAccountNumber", "vcBranch", "iBanksID", "iListNum", "curCharge", "vcCurrencySymbol", "iPaymentTermsID",
          "iPaymentDays", "vcForeignKey", "vcExtra1", "vcExtra2", "iBusinessID"}},
        {"tblCustomerBalance", balance},
        {"tblCustomerBalanceIska", balance},
        {"qryComputeCustomerBalance", {"iCustomersID", "curBalance"}},
        {"qryComputeCustomerBalanceHiyuv", {"iCustomersID", "curBalance"}},
        {"UsysInvoices", invoiceHeader + Names{"vcAllocationNumber"}},
        {"InvoiceHiyuv", invoiceHeader},
        {"InvoicesKabala", invoiceHeader + Names{"curTotal", "curTax", "curNetPmt", "vcAllocationNumber"}},
        {"InvoicesZikui", invoiceHeader},
        {"InvoiceLines", invoiceLine},
        {"InvoiceHiyuvLines", invoiceLine},
        {"InvoiceKabalaLines", invoiceLine},
        {"InvoiceZikuiLines", invoiceLine},
        {"UsysReceipts", receiptHeader},
        {"Refunds", receiptHeader},
        {"ReceiptLines", paymentLine},
        {"RefundLines", paymentLine},
        {"InvoiceKabalaReceiptLines", paymentLine},
        {"apiGetNextNumberInvoice", invoiceNumber},
        {"apiGetNextNumberInvoiceHiyuv", invoiceNumber},
        {"apiGetNextNumberInvoiceKabala", invoiceNumber},
        {"apiGetNextNumberInvoiceZikui", invoiceNumber},
        {"apiGetNextNumberReceipt", receiptNumber},
        {"apiGetNextNumberRefund", receiptNumber},
        {"apiGetStartNumberInvoice", invoiceNumber},
        {"apiGetStartNumberInvoiceHiyuv", invoiceNumber},
        {"apiGetStartNumberInvoiceKabala", invoiceNumber},
        {"apiGetStartNumberInvoiceZikui", invoiceNumber},
        {"apiGetStartNumberReceipt", receiptNumber},
        {"apiGetStartNumberRefund", receiptNumber},
        {"TrxCodes", {"iBusinessID", "iTrxCodesID", "iTrxCode", "vcTrxCodeDescription", "iPLCodesID"}},
        {"Lists", {"iBusinessID", "iListsID", "iListNum", "fltProfit", "vcComments"}},
        {"Items", {"iBusinessID", "iItemsID", "vcCatalogNumber", "vcItemDescription", "vcItemName"}},
        {"Banks", {"iBanksID", "vcBankName"}},
        {"Payment_types", {"iPaymentTypesID", "vcPaymentTypeName"}},
        {"Currencies", {"vcCode", "curRate"}},
        {"VATRates", {"fltVATRate", "datStartDate"}},
        {"AllocationThresholds", {"curThreshold", "datStartDate"}},
        {"sysSystemParameters", {"iBusinessID", "vcParameterName", "vcParameterValue"}},
        {"TimeBills",
         {"iTimeBillsID", "iCustomersID", "datStart", "datEnd", "fltHours", "curRate", "vcCurrencySymbol",
          "nvcDescription", "nvcAppointmentID", "iInvoiceTypeLink", "iInvoiceNumber", "iBusinessID"}},
    };

    SqliteFile db(path);
    for (const auto& [table, names] : expected) {
        const auto columns = columnsOf(db, table);
        EXPECT_FALSE(columns.empty()) << "no table or view " << table;
        for (const auto& name : names) EXPECT_TRUE(columns.count(lower(name))) << table << "." << name;
    }
}

// The declared type decides which value type the database layer hands back, so every column's
// type follows its name: cur money, dat date, flt double, bln flag, vc/nvc text, i whole number.
TEST_F(NewDatabase, DeclaresEachColumnWithTheTypeItsNameGives) {
    // Whole-number names that hold text (lists of document numbers) or a quantity (a double).
    const std::map<std::string, std::string> exceptions = {
        {"UsysReceipts.iInvoiceNumber", "text"}, {"Refunds.iInvoiceNumber", "text"},
        {"TimeBills.iInvoiceNumber", "text"},    {"UsysInvoices.iReceiptNumber", "text"},
        {"InvoiceHiyuv.iReceiptNumber", "text"}, {"InvoicesKabala.iReceiptNumber", "text"},
        {"InvoicesZikui.iReceiptNumber", "text"}, {"InvoiceLines.iItemQty", "flt"},
        {"InvoiceHiyuvLines.iItemQty", "flt"},   {"InvoiceKabalaLines.iItemQty", "flt"},
        {"InvoiceZikuiLines.iItemQty", "flt"}};
    auto kindOf = [](const std::string& declared) -> std::string {
        if (declared == "CURRENCY") return "cur";
        if (declared == "DATETIME") return "dat";
        if (declared == "DOUBLE") return "flt";
        if (declared == "BOOLEAN") return "bln";
        if (declared == "INTEGER") return "i";
        if (declared == "SMALLINT") return "i16";
        if (declared == "TEXT" || declared.starts_with("VARCHAR(")) return "text";
        return "unknown " + declared;
    };
    auto kindFromName = [](const std::string& name) -> std::string {
        for (const char* prefix : {"cur", "dat", "flt", "bln"})
            if (name.starts_with(prefix)) return prefix;
        if (name.starts_with("vc") || name.starts_with("nvc")) return "text";
        if (name == "iStatusID") return "i16";
        if (name.size() > 1 && name[0] == 'i' && std::isupper(static_cast<unsigned char>(name[1]))) return "i";
        return "unnamed";
    };

    SqliteFile db(path);
    for (const auto& table : db.objects("table")) {
        for (auto& row : db.rows("PRAGMA table_info(\"" + table + "\")")) {
            const std::string& name = row[1];
            const auto exception = exceptions.find(table + "." + name);
            const std::string wanted = exception != exceptions.end() ? exception->second : kindFromName(name);
            EXPECT_EQ(kindOf(row[2]), wanted) << table << "." << name << " declared " << row[2];
        }
    }
}

struct DocumentKind {
    std::string kind, table, numberColumn, queryColumn;
};
const std::vector<DocumentKind> documentKinds = {
    {"Invoice", "UsysInvoices", "iInvoiceNumber", "iInvoiceNum"},
    {"InvoiceHiyuv", "InvoiceHiyuv", "iInvoiceNumber", "iInvoiceNum"},
    {"InvoiceKabala", "InvoicesKabala", "iInvoiceNumber", "iInvoiceNum"},
    {"InvoiceZikui", "InvoicesZikui", "iInvoiceNumber", "iInvoiceNum"},
    {"Receipt", "UsysReceipts", "iReceiptNumber", "iReceiptNum"},
    {"Refund", "Refunds", "iReceiptNumber", "iReceiptNum"},
};

std::string insertDocument(const DocumentKind& k, int business, int number) {
    return "INSERT INTO " + k.table + " (iBusinessID, " + k.numberColumn + ") VALUES (" + std::to_string(business) +
           ", " + std::to_string(number) + ")";
}

TEST_F(NewDatabase, RefusesASecondDocumentNumberWithinOneBusinessOnly) {
    SqliteFile db(path);
    for (const auto& k : documentKinds) {
        SCOPED_TRACE(k.table);
        EXPECT_EQ(db.tryRun(insertDocument(k, 1, 1001)), SQLITE_OK);
        EXPECT_EQ(db.tryRun(insertDocument(k, 1, 1001)) & 0xff, SQLITE_CONSTRAINT);
        EXPECT_EQ(db.tryRun(insertDocument(k, 2, 1001)), SQLITE_OK);
        EXPECT_EQ(db.value("SELECT COUNT(*) FROM " + k.table), "2");
    }
}

TEST_F(NewDatabase, NextNumberIsTheLargestOfTheBusinessPlusOne) {
    SqliteFile db(path);
    for (const auto& k : documentKinds) {
        SCOPED_TRACE(k.kind);
        const std::string query = "SELECT " + k.queryColumn + " FROM apiGetNextNumber" + k.kind + " WHERE iBusinessID=";
        EXPECT_EQ(db.value(query + "1"), std::nullopt);

        db.run(insertDocument(k, 1, 7) + "; " + insertDocument(k, 1, 3) + "; " + insertDocument(k, 2, 100));
        EXPECT_EQ(db.value(query + "1"), "8");
        EXPECT_EQ(db.value(query + "2"), "101");
        EXPECT_EQ(db.value(query + "3"), std::nullopt);
    }
}

// The next and start numbers are index lookups: their work is the same among 3,000 documents of
// the business as among 3 (a query walking the business's documents would take thousands of steps).
TEST_F(NewDatabase, NumberQueriesCostTheSameAtAnySize) {
    SqliteFile db(path);
    db.run("INSERT INTO BusinessDetails (iBusinessID) VALUES (1), (2)");
    for (const auto& k : documentKinds) {
        SCOPED_TRACE(k.kind);
        const std::string next = "SELECT " + k.queryColumn + " FROM apiGetNextNumber" + k.kind + " WHERE iBusinessID=1";
        const std::string start = "SELECT " + k.queryColumn + " FROM apiGetStartNumber" + k.kind + " WHERE iBusinessID=1";
        auto fill = [&](int from, int to) {
            db.run("BEGIN");
            for (int n = from; n <= to; ++n) db.run(insertDocument(k, 1 + n % 2, n));
            db.run("COMMIT");
        };
        fill(1, 6);
        const long fewNext = db.vmSteps(next), fewStart = db.vmSteps(start);
        fill(7, 6000);
        EXPECT_EQ(db.value(next), "6001");
        EXPECT_LE(db.vmSteps(next), fewNext + 2);
        EXPECT_LE(db.vmSteps(start), fewStart + 2);
        EXPECT_LT(db.vmSteps(next), 100);
    }
}

TEST_F(NewDatabase, StartNumbersAreKeptPerBusinessAndKind) {
    SqliteFile db(path);
    db.run("INSERT INTO BusinessDetails (iBusinessID) VALUES (1), (2)");
    for (std::size_t i = 0; i < documentKinds.size(); ++i)
        db.run("INSERT INTO DocumentStartNumbers VALUES (1, '" + documentKinds[i].kind + "', " +
               std::to_string(100 * (i + 1)) + ")");
    db.run("INSERT INTO DocumentStartNumbers VALUES (2, 'Receipt', 5000)");

    for (std::size_t i = 0; i < documentKinds.size(); ++i) {
        const auto& k = documentKinds[i];
        SCOPED_TRACE(k.kind);
        const std::string query = "SELECT " + k.queryColumn + " FROM apiGetStartNumber" + k.kind + " WHERE iBusinessID=";
        EXPECT_EQ(db.value(query + "1"), std::to_string(100 * (i + 1)));
        // A business without its own start number starts at 1; an unknown business has none.
        EXPECT_EQ(db.value(query + "2"), k.kind == "Receipt" ? "5000" : "1");
        EXPECT_EQ(db.value(query + "9"), std::nullopt);
    }

    // One start number per business and kind, a known kind, above zero.
    EXPECT_EQ(db.tryRun("INSERT INTO DocumentStartNumbers VALUES (1, 'Invoice', 7)") & 0xff, SQLITE_CONSTRAINT);
    EXPECT_EQ(db.tryRun("INSERT INTO DocumentStartNumbers VALUES (2, 'Order', 7)") & 0xff, SQLITE_CONSTRAINT);
    EXPECT_EQ(db.tryRun("INSERT INTO DocumentStartNumbers VALUES (2, 'Invoice', 0)") & 0xff, SQLITE_CONSTRAINT);
}

TEST_F(NewDatabase, BalanceQueriesCountEveryDocumentOfTheCustomer) {
    SqliteFile db(path);
    db.run(R"(
        INSERT INTO Customers (iCustomersID, iBusinessID, curOpenBalance) VALUES (1, 1, 100), (2, 1, NULL);
        INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, iCustomersID, curGrandTotal) VALUES (1, 1, 1, 117);
        INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, iCustomersID, curGrandTotal, iStatusID)
            VALUES (1, 2, 1, 500, 3);
        INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, iCustomersID, curGrandTotal) VALUES (2, 1, 1, 999);
        INSERT INTO InvoicesZikui (iBusinessID, iInvoiceNumber, iCustomersID, curGrandTotal)
            VALUES (1, 1, 1, -23.4), (1, 2, 1, 10);
        INSERT INTO InvoicesKabala (iBusinessID, iInvoiceNumber, iCustomersID, curGrandTotal, curTotal)
            VALUES (1, 1, 1, 234, 200);
        INSERT INTO UsysReceipts (iBusinessID, iReceiptNumber, iCustomersID, curTotal) VALUES (1, 1, 1, 50);
        INSERT INTO Refunds (iBusinessID, iReceiptNumber, iCustomersID, curTotal) VALUES (1, 1, 1, -20);
        INSERT INTO InvoiceHiyuv (iBusinessID, iInvoiceNumber, iCustomersID, curGrandTotal) VALUES (1, 1, 1, 300);
    )");
    // 100 + 117 (the cancelled and the other business's invoices not counted) - 33.4 credit
    // + 34 unpaid on the invoice-receipt - 50 received + 20 refunded.
    EXPECT_EQ(db.value("SELECT curBalance FROM qryComputeCustomerBalance WHERE iCustomersID=1"), "187.6");
    EXPECT_EQ(db.value("SELECT curBalance FROM qryComputeCustomerBalanceHiyuv WHERE iCustomersID=1"), "487.6");
    // A customer without documents or opening balance still has a row, with 0.
    EXPECT_EQ(db.value("SELECT curBalance FROM qryComputeCustomerBalance WHERE iCustomersID=2"), "0.0");
}

}  // namespace
}  // namespace kovrin::frontend
