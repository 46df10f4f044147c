// What a document kind is, in one table: the tables that keep it, the statements that number it,
// the front-end's macros that print and show it, and the names it is shown and filed under. The
// library, mail and the front-end program all read it. Header only, so the front-end program,
// which does not link the library, reads the same table.
#pragma once

#include <cstdint>

#include <KovrinAPI/Enums.h>

namespace kovrin::documents {

struct DocumentKind {
    ObjectType type;
    const char* name;      // in messages, logs and print jobs: "Invoice", "InvoiceIska", ...
    const char* fileWord;  // the word of a printed PDF's file name ("Invoice 1052.pdf"); nullptr when not printed

    // Where the documents are kept; nullptr for the kinds that are only named.
    const char* header;
    const char* key;           // the header's row key, which the lines refer to
    const char* numberColumn;  // the document number, per kind and business
    const char* goods;         // the goods lines, or nullptr
    const char* goodsKey;      // their row key (the order they were stored in)
    const char* payments;      // the payment lines, or nullptr; their iReceiptsID holds the header's key
    const char* paymentsKey;

    // Numbering: the next-number statement, and the start-number statement for a business that
    // has none of the kind yet; each is followed by the business number and gives numberQueryColumn.
    const char* numberingProcedure;
    const char* nextNumberSql;
    const char* startNumberSql;
    const char* numberQueryColumn;

    // The front-end's macros; printMacroEnglish is nullptr where the kind prints in Hebrew only.
    const char* printMacro;
    const char* printMacroEnglish;
    const char* displayMacro;
    const char* hebrewTitle;
    const char* englishTitle;

    // A kind that can be named but not printed: the error mailing it raises, with the text
    // "Can not print and send object type " + name + ".". 0 for the kinds that print.
    int32_t notPrintableError;

    constexpr bool stored() const { return header != nullptr; }
    constexpr bool isInvoice() const { return goods != nullptr; }  // invoices of every kind, invoice-receipts too
    constexpr int32_t number() const { return static_cast<int32_t>(type); }
};

// Every ObjectType value, in the order of the enumeration.
inline constexpr DocumentKind Kinds[] = {
    {ObjectType::Invoice, "Invoice", "Invoice",
     "UsysInvoices", "iInvoicesID", "iInvoiceNumber", "InvoiceLines", "iInvoiceLinesID", nullptr, nullptr,
     "modKovrin.GetNextInvoiceNum", "SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoice WHERE iBusinessID=", "iInvoiceNum",
     "apiPrintInvoice", "apiPrintInvoiceEng", "apiDisplayInvoice", "חשבונית מס", "Tax Invoice", 0},
    {ObjectType::RECEIPT, "Receipt", "Receipt",
     "UsysReceipts", "iReceiptsID", "iReceiptNumber", nullptr, nullptr, "ReceiptLines", "iReceiptLinesID",
     "modKovrinBase.GetNextReceiptNum", "SELECT iReceiptNum FROM apiGetNextNumberReceipt WHERE iBusinessID=",
     "SELECT iReceiptNum FROM apiGetStartNumberReceipt WHERE iBusinessID=", "iReceiptNum",
     "apiPrintReceipt", "apiPrintReceiptEng", "apiDisplayReceipt", "קבלה", "Receipt", 0},
    {ObjectType::EXPENSES, "Expenses", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 6461},
    // Iska invoices are kept as debit ("Hiyuv") documents.
    {ObjectType::HIYUV, "InvoiceIska", "Invoice Proforma",
     "InvoiceHiyuv", "iInvoicesID", "iInvoiceNumber", "InvoiceHiyuvLines", "iInvoiceHiyuvLinesID", nullptr, nullptr,
     "modKovrin.GetNextInvoiceHiyuvNum", "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceHiyuv  WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceHiyuv WHERE iBusinessID=", "iInvoiceNum",
     "apiPrintInvoiceHiyuv", nullptr, "apiDisplayInvoiceHiyuv", "חשבון עסקה", "Proforma Invoice", 0},
    {ObjectType::INVOICE_KABALA, "InvoiceKabala", "InvoiceKabala",
     "InvoicesKabala", "iInvoicesID", "iInvoiceNumber", "InvoiceKabalaLines", "iInvoiceKabalaLinesID",
     "InvoiceKabalaReceiptLines", "iInvoiceKabalaReceiptLinesID",
     "modKovrin.GetNextInvoiceKabalaNum", "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceKabala WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceKabala WHERE iBusinessID=", "iInvoiceNum",
     "apiPrintInvoiceKabala", nullptr, "apiDisplayInvoiceKabala", "חשבונית מס קבלה", "Tax Invoice Receipt", 0},
    {ObjectType::INVOICE_ZIKUI, "InvoiceZikui", "InvoiceZikui",
     "InvoicesZikui", "iInvoicesID", "iInvoiceNumber", "InvoiceZikuiLines", "iInvoiceZikuiLinesID", nullptr, nullptr,
     "modKovrin.GetNextInvoiceZikuiNum", "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceZikui WHERE iBusinessID=",
     "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceZikui WHERE iBusinessID=", "iInvoiceNum",
     "apiPrintInvoiceZikui", nullptr, "apiDisplayInvoiceZikui", "חשבונית זיכוי", "Credit Invoice", 0},
    {ObjectType::REFUND, "Refund", "Refund",
     "Refunds", "iReceiptsID", "iReceiptNumber", nullptr, nullptr, "RefundLines", "iRefundLinesID",
     "modKovrinBase.GetNextRefundNum", "SELECT iReceiptNum FROM apiGetNextNumberRefund WHERE iBusinessID=",
     "SELECT iReceiptNum FROM apiGetStartNumberRefund WHERE iBusinessID=", "iReceiptNum",
     "apiPrintRefund", nullptr, "apiDisplayRefund", "החזר כספי", "Refund", 0},
    {ObjectType::ORDER_, "Order", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 6462},
    {ObjectType::SHIPPING, "Shipping", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 6464},
    {ObjectType::PROPOSAL, "Proposal", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 6463},
};

// The number of an ObjectType value, as the procedures that take a kind are given it.
constexpr int32_t number(ObjectType type) { return static_cast<int32_t>(type); }

// The kind of an ObjectType number, or nullptr for a number that names none.
constexpr const DocumentKind* findKind(int32_t type) {
    for (const DocumentKind& k : Kinds)
        if (k.number() == type) return &k;
    return nullptr;
}

// Every ObjectType value has its row.
constexpr const DocumentKind& kindOf(ObjectType type) { return *findKind(static_cast<int32_t>(type)); }

}  // namespace kovrin::documents
