#include <set>
#include <string>

#include <gtest/gtest.h>

#include "api/documents/DocumentKinds.h"
#include "support/Installation.h"

using namespace kovrin;
using kovrin::documents::DocumentKind;
using kovrin::test::Installation;

namespace {

// What each kind is, written out as the library's users and the bookkeeping database know it.
struct Expected {
    ObjectType type;
    const char *header, *goods, *payments, *procedure, *next, *start, *column;
    const char *print, *printEnglish, *display, *fileWord;
    int32_t notPrintable;
};

const Expected expected[] = {
    {ObjectType::Invoice, "UsysInvoices", "InvoiceLines", nullptr,
     "modKovrin.GetNextInvoiceNum",
     "SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoice WHERE iBusinessID=", "iInvoiceNum", "apiPrintInvoice",
     "apiPrintInvoiceEng", "apiDisplayInvoice", "Invoice", 0},
    {ObjectType::RECEIPT, "UsysReceipts", nullptr, "ReceiptLines",
     "modKovrinBase.GetNextReceiptNum",
     "SELECT iReceiptNum FROM apiGetNextNumberReceipt WHERE iBusinessID=",
     "SELECT iReceiptNum FROM apiGetStartNumberReceipt WHERE iBusinessID=", "iReceiptNum", "apiPrintReceipt",
     "apiPrintReceiptEng", "apiDisplayReceipt", "Receipt", 0},
    {ObjectType::EXPENSES, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, 6461},
    {ObjectType::HIYUV, "InvoiceHiyuv", "InvoiceHiyuvLines", nullptr,
     "modKovrin.GetNextInvoiceHiyuvNum",
     "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceHiyuv  WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceHiyuv WHERE iBusinessID=", "iInvoiceNum",
     "apiPrintInvoiceHiyuv", nullptr, "apiDisplayInvoiceHiyuv", "Invoice Proforma", 0},
    {ObjectType::INVOICE_KABALA, "InvoicesKabala", "InvoiceKabalaLines", "InvoiceKabalaReceiptLines",
     "modKovrin.GetNextInvoiceKabalaNum",
     "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceKabala WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceKabala WHERE iBusinessID=", "iInvoiceNum",
     "apiPrintInvoiceKabala", nullptr, "apiDisplayInvoiceKabala", "InvoiceKabala", 0},
    {ObjectType::INVOICE_ZIKUI, "InvoicesZikui", "InvoiceZikuiLines", nullptr,
     "modKovrin.GetNextInvoiceZikuiNum",
     "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceZikui WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceZikui WHERE iBusinessID=", "iInvoiceNum",
     "apiPrintInvoiceZikui", nullptr, "apiDisplayInvoiceZikui", "InvoiceZikui", 0},
    {ObjectType::REFUND, "Refunds", nullptr, "RefundLines",
     "modKovrinBase.GetNextRefundNum",
     "SELECT iReceiptNum FROM apiGetNextNumberRefund WHERE iBusinessID=",
     "SELECT iReceiptNum FROM apiGetStartNumberRefund WHERE iBusinessID=", "iReceiptNum", "apiPrintRefund", nullptr,
     "apiDisplayRefund", "Refund", 0},
    {ObjectType::ORDER_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, 6462},
    {ObjectType::SHIPPING, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, 6464},
    {ObjectType::PROPOSAL, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, 6463},
};

std::string text(const char* s) { return s ? s : "(none)"; }

}  // namespace

// Every ObjectType value has one row, with the texts the library, mail and the front-end rely
// on; every table, column and query a stored kind names is there in a new database and answers;
// and no two kinds share a macro (the front-end takes the first row a macro matches).
TEST(DocumentKinds, EveryKindAsTheSystemAndTheDatabaseDefineIt) {
    EXPECT_EQ(std::size(documents::Kinds), std::size(expected));
    for (int32_t number : {0, 4, 5, 8, 10, 11, 12, 17, -1}) EXPECT_EQ(documents::findKind(number), nullptr) << number;

    Installation inst;
    // A business of its own, without documents or start numbers.
    inst.exec("INSERT INTO BusinessDetails (iBusinessID, vcBusinessName, vcמספרעוסקמורשה) VALUES (7, 'Kinds', '1')");
    std::set<std::string> macros;
    for (const Expected& e : expected) {
        const DocumentKind* k = documents::findKind(static_cast<int32_t>(e.type));
        ASSERT_NE(k, nullptr) << static_cast<int32_t>(e.type);
        SCOPED_TRACE(k->name);
        EXPECT_EQ(&documents::kindOf(e.type), k);
        EXPECT_EQ(k->number(), static_cast<int32_t>(e.type));
        EXPECT_EQ(text(k->header), text(e.header));
        EXPECT_EQ(text(k->goods), text(e.goods));
        EXPECT_EQ(text(k->payments), text(e.payments));
        EXPECT_EQ(text(k->numberingProcedure), text(e.procedure));
        EXPECT_EQ(text(k->nextNumberSql), text(e.next));
        EXPECT_EQ(text(k->startNumberSql), text(e.start));
        EXPECT_EQ(text(k->numberQueryColumn), text(e.column));
        EXPECT_EQ(text(k->printMacro), text(e.print));
        EXPECT_EQ(text(k->printMacroEnglish), text(e.printEnglish));
        EXPECT_EQ(text(k->displayMacro), text(e.display));
        EXPECT_EQ(text(k->fileWord), text(e.fileWord));
        EXPECT_EQ(k->notPrintableError, e.notPrintable);
        EXPECT_EQ(k->isInvoice(), e.goods != nullptr);
        // A kind either prints and is kept, or is only named.
        EXPECT_EQ(k->stored(), e.notPrintable == 0);
        for (const char* m : {k->printMacro, k->printMacroEnglish, k->displayMacro})
            if (m) {
                EXPECT_TRUE(macros.insert(m).second) << m;
            }
        if (!k->stored()) continue;

        EXPECT_NE(k->hebrewTitle, nullptr);
        EXPECT_NE(k->englishTitle, nullptr);
        // The columns the library reads and writes by the table's names.
        EXPECT_NO_THROW(inst.scalar(std::string("SELECT iBusinessID, ") + k->key + ", " + k->numberColumn + " FROM " +
                                    k->header + " WHERE 0=1"));
        if (k->goods) {
            EXPECT_NO_THROW(inst.scalar(std::string("SELECT iBusinessID, iInvoicesID, ") + k->goodsKey + " FROM " +
                                        k->goods + " WHERE 0=1"));
        }
        if (k->payments) {
            EXPECT_NO_THROW(inst.scalar(std::string("SELECT iBusinessID, iReceiptsID, ") + k->paymentsKey + " FROM " +
                                        k->payments + " WHERE 0=1"));
        }
        // A business without documents: no next number, so the start number counts (1 without a
        // start number of its own). Once one is stored, the next number follows it.
        const Variant next = inst.scalar(std::string(k->nextNumberSql) + "7");
        EXPECT_TRUE(next.isEmpty() || next.isNull());
        EXPECT_EQ(CLng(inst.scalar(std::string(k->startNumberSql) + "7")), 1);
        inst.exec(std::string("INSERT INTO ") + k->header + " (iBusinessID, " + k->numberColumn + ") VALUES (7, 41)");
        EXPECT_EQ(CLng(inst.scalar(std::string(k->nextNumberSql) + "7")), 42);
    }
}
