// Reading invoices and invoice-receipts of the current business back as records.
#include <vector>

#include <KovrinAPI/ReceiptLineItem.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "DocumentKinds.h"
#include "DocumentRead.h"
#include "Documents.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"

namespace kovrin::modKovrin {

namespace {

using core::textOf;

constexpr const documents::DocumentKind& invoices = documents::kindOf(ObjectType::Invoice);
constexpr const documents::DocumentKind& kabala = documents::kindOf(ObjectType::INVOICE_KABALA);

// The value rules of the header and line columns.
Variant nz0(const db::Recordset& rs, const char* column) { return modUtils::MyNz(rs.Fields(column), Variant(0)); }
Currency curOf(const db::Recordset& rs, const char* column) { return CCur(nz0(rs, column)); }
double dblOf(const db::Recordset& rs, const char* column) { return CDbl(nz0(rs, column)); }
int32_t lngOf(const db::Recordset& rs, const char* column) { return CLng(nz0(rs, column)); }
Date dateOf(const db::Recordset& rs, const char* column) {
    const Variant v = rs.Fields(column);
    return v.isNull() ? Date() : CDate(v);
}
std::string curText(const db::Recordset& rs, const char* column) { return curOf(rs, column).toString(); }
std::string text(const db::Recordset& rs, const char* column) { return textOf(rs.Fields(column)); }

// Every record the reader makes of the query's rows, as a zero-based array (no elements when there
// is no row). The array is sized from the row count, so a row beyond it fails with 9.
template <class Reader>
Variant arrayOf(const std::string& sql, Reader read) {
    db::Recordset rs = core::query(sql);
    VariantArray list(rs.Eof() ? 0 : static_cast<std::size_t>(rs.RecordCount()));
    for (long i = 0; !rs.Eof(); ++i) {
        list(i) = Variant(read(rs));
        rs.MoveNext();
    }
    rs.Close();
    return Variant(std::move(list));
}

// One header by number.
template <class Reader>
auto documentByNumber(const char* procedure, const documents::DocumentKind& kind, int32_t number,
                      const std::string& notFound, bool& DebugMode, Reader read) {
    return passOn(procedure, [&](Line& line) {
        line(10);
        OpenConnection(DebugMode);
        line(20);
        db::Recordset rs = core::query(std::string("SELECT * FROM ") + kind.header + " WHERE " + kind.numberColumn +
                                       "=" + std::to_string(number) + " AND iBusinessID=" + core::businessIdText());
        line(30);
        if (rs.Eof()) raiseError(8257, notFound + std::to_string(number) + ", BusinessID: " + core::businessIdText());
        line(40);
        auto record = read(rs);
        rs.Close();
        CloseAll();
        return record;
    });
}

}  // namespace

std::shared_ptr<Invoice> GetInvoiceByNumber(int32_t iInvoiceNumber, bool& DebugMode) {
    return documentByNumber("modKovrin.GetInvoiceByNumber", invoices, iInvoiceNumber,
                            "Invoice not found. Invoice Number: ", DebugMode, PopulateInvoice);
}

std::shared_ptr<InvoiceKabala> GetInvoiceKabalaByNumber(int32_t iInvoiceKabalaNumber, bool& DebugMode) {
    return documentByNumber("modKovrin.GetInvoiceKabalaByNumber", kabala, iInvoiceKabalaNumber,
                            "Invoice/Kabala not found. Invoice/Kabala Number: ", DebugMode, PopulateInvoiceKabala);
}

namespace {

// The header columns both kinds share, in the groups the readers number.
template <class Record>
void sharedAmounts(Record& r, const db::Recordset& rs) {
    r.blnChargeVAT(CBool(rs.Fields("blnChargeVat")));
    r.blnRebateRound(CBool(rs.Fields("blnRebateRound")));
    r.curGrandTotal(curOf(rs, "curGrandTotal"));
    r.curRebateAmount(curOf(rs, "curRebateAmount"));
    r.curRebateRoundAmount(curOf(rs, "curRebateRoundAmount"));
    r.curTotal1(curText(rs, "curTotal1"));
    r.curTotalBeforeVat(curOf(rs, "curTotalBeforeVat"));
    r.curVAT(curOf(rs, "curVat"));
}

template <class Record>
void sharedNumbers(Record& r, const db::Recordset& rs) {
    r.datxDate(dateOf(rs, "datxDate"));
    r.fltRebatePrcnt(dblOf(rs, "fltRebatePrcnt"));
    r.iCasesID(lngOf(rs, "iCasesID"));
    r.iCustomersID(lngOf(rs, "iCustomersID"));
    r.iStatusID(CInt(nz0(rs, "iStatusID")));
    r.iTrxCodesID(lngOf(rs, "iTrxCodesID"));
}

template <class Record>
void sharedTexts(Record& r, const db::Recordset& rs) {
    r.vcAddress1(text(rs, "vcAddress1"));
    r.vcAddress2(text(rs, "vcAddress2"));
    r.vcBusinessName(text(rs, "vcBusinessName"));
    r.vcCity(text(rs, "vcCity"));
    r.vcComments(text(rs, "vcComments"));
    r.vcContactDetails(text(rs, "vcContactDetails"));
    r.vcDetails(text(rs, "vcDetails"));
    r.vcFax1(text(rs, "vcFax1"));
    r.vcPhone1(text(rs, "vcPhone1"));
    r.vcPostalCode(text(rs, "vcPostalCode"));
    r.vcOsekMorshe(text(rs, "vcCustomerOsekMorshe"));
    r.AllocationNumber(text(rs, "vcAllocationNumber"));
}

// The header columns of each kind; the lines are read by the caller.
std::shared_ptr<Invoice> invoiceHeader(const db::Recordset& rs, Line& line) {
    line(10);
    auto r = std::make_shared<Invoice>();
    sharedAmounts(*r, rs);
    r->curTotalNoVat(curOf(rs, "curTotalNoVat"));
    line(20);
    sharedNumbers(*r, rs);
    r->datDueDate(dateOf(rs, "datDueDate"));
    r->iInvoiceNumber(lngOf(rs, "iInvoiceNumber"));
    r->strReceiptNumbers(text(rs, "iReceiptNumber"));
    line(30);
    sharedTexts(*r, rs);
    return r;
}

std::shared_ptr<InvoiceKabala> invoiceKabalaHeader(const db::Recordset& rs, Line& line) {
    line(10);
    auto r = std::make_shared<InvoiceKabala>();
    sharedAmounts(*r, rs);
    r->curTotal(curText(rs, "curTotal"));
    r->curTax(curOf(rs, "curTax"));
    r->curNetPmt(curOf(rs, "curNetPmt"));
    line(20);
    sharedNumbers(*r, rs);
    r->iInvoiceKabalaNumber(lngOf(rs, "iInvoiceNumber"));
    line(30);
    sharedTexts(*r, rs);
    return r;
}

const std::string InvoiceLinesOrder = std::string(" ORDER BY ") + invoices.goodsKey;
const std::string KabalaLinesOrder = std::string(" ORDER BY ") + kabala.goodsKey;
const std::string PaymentLinesOrder = std::string(" ORDER BY ") + kabala.paymentsKey;

}  // namespace

std::shared_ptr<Invoice> PopulateInvoice(const db::Recordset& rs) {
    return passOn("modKovrin.PopulateInvoice", [&](Line& line) {
        auto r = invoiceHeader(rs, line);
        line(40);
        r->varInvoiceLines(arrayOf(std::string("SELECT * FROM ") + invoices.goods + " WHERE iInvoicesID=" +
                                       text(rs, invoices.key) + InvoiceLinesOrder,
                                   PopulateLineItem));
        return r;
    });
}

std::shared_ptr<InvoiceKabala> PopulateInvoiceKabala(const db::Recordset& rs) {
    return passOn("modKovrin.PopulateInvoiceKabala", [&](Line& line) {
        auto r = invoiceKabalaHeader(rs, line);
        line(40);
        const std::string key = text(rs, kabala.key);
        r->varInvoiceLines(arrayOf(std::string("SELECT * FROM ") + kabala.goods + " WHERE iInvoicesID=" + key +
                                       " AND iBusinessID=" + core::businessIdText() + KabalaLinesOrder,
                                   PopulateLineItem));
        line(50);
        r->varReceiptLines(arrayOf(std::string("SELECT * FROM ") + kabala.payments + " WHERE iReceiptsID=" + key +
                                       " AND iBusinessID=" + core::businessIdText() + PaymentLinesOrder,
                                   PopulateReceiptLine));
        return r;
    });
}

// One query for the headers, then one per document for its lines (two for an invoice-receipt),
// each in a recordset of its own while the headers are walked.
Variant GetInvoices(bool& DebugMode) {
    return passOn("modKovrin.GetInvoices", [&](Line& line) {
        line(10);
        OpenConnection(DebugMode);
        line(20);
        Variant result = arrayOf(std::string("SELECT * FROM ") + invoices.header + " WHERE iBusinessID=" +
                                     core::businessIdText() + " ORDER BY " + invoices.numberColumn + " ASC",
                                 PopulateInvoice);
        line(30);
        CloseAll();
        return result;
    });
}

Variant GetInvoicesKabala(bool& DebugMode) {
    return passOn("modKovrin.GetInvoicesKabala", [&](Line& line) {
        line(10);
        OpenConnection(DebugMode);
        line(20);
        Variant result = arrayOf(std::string("SELECT * FROM ") + kabala.header + " WHERE iBusinessID=" +
                                     core::businessIdText() + " ORDER BY " + kabala.numberColumn + " ASC",
                                 PopulateInvoiceKabala);
        line(30);
        CloseAll();
        return result;
    });
}

std::shared_ptr<LineItem> PopulateLineItem(const db::Recordset& rs) {
    return passOn("modKovrin.PopulateLineItem", [&](Line& line) -> std::shared_ptr<LineItem> {
        line(10);
        if (rs.Eof()) return nullptr;
        line(20);
        auto item = std::make_shared<LineItem>();
        const Variant vat = rs.Fields("blnChargeVAT");
        item->ChargeVAT(vat.isNull() ? false : CBool(vat));
        item->CurrencyRate(curOf(rs, "curRate").toDouble());
        item->ItemCurrency(modUtils::CurrencySymbolToName(Variant(text(rs, "vcCurrencySymbol"))));
        item->ItemDescription(text(rs, "vcItemDescription"));
        item->ItemQuantity(dblOf(rs, "iItemQty"));
        item->UnitPrice(curOf(rs, "curUnitPrice"));
        return item;
    });
}

}  // namespace kovrin::modKovrin
