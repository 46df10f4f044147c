#include "Documents.h"

#include <algorithm>

#include <ctime>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

namespace kovrin::frontend::app {
std::string shortDate(const std::string& stored) {
    if (stored.size() < 10 || stored[4] != '-' || stored[7] != '-') return stored;
    return stored.substr(8, 2) + "/" + stored.substr(5, 2) + "/" + stored.substr(0, 4);
}

Document loadDocument(Store& store, const DocumentKind& kind, int business, long number) {
    const auto header = store.first(fmt::format("SELECT * FROM {} WHERE iBusinessID = ? AND {} = ?", kind.header,
                                                kind.numberColumn),
                                    {int64_t{business}, int64_t{number}});
    if (!header)
        throw Error(errors::DocumentNotFound, fmt::format("There is no {} number {} in business {} of {}", kind.name,
                                                          number, business, store.name()));
    const Row& h = *header;
    Document d;
    d.kind = &kind;
    d.business = business;
    d.number = number;
    if (auto b = store.first("SELECT vcBusinessName, vcמספרעוסקמורשה AS vcNumber FROM BusinessDetails WHERE iBusinessID = ?",
                             {int64_t{business}})) {
        d.businessName = b->text("vcBusinessName");
        d.businessNumber = b->text("vcNumber");
    }
    d.date = shortDate(h.text("datxDate"));
    d.customerName = h.text("vcBusinessName");
    d.customerNumber = h.text("vcCustomerOsekMorshe");
    d.address1 = h.text("vcAddress1");
    d.address2 = h.text("vcAddress2");
    d.city = h.text("vcCity");
    d.postalCode = h.text("vcPostalCode");
    d.contact = h.text("vcContactDetails");
    d.phone1 = h.text("vcPhone1");
    d.phone2 = h.text("vcPhone2");
    d.fax = h.text("vcFax1");
    d.details = h.text("vcDetails");
    // Only the header tables of tax invoices have the column.
    if (h.has("vcAllocationNumber"))
        d.allocationNumber = h.text("vcAllocationNumber");

    const bool invoice = kind.goods != nullptr;
    if (invoice) {
        d.dueDate = shortDate(h.text("datDueDate"));
        d.cancelled = h.integer("iStatusID") == 3;
        d.comments = h.text("vcComments");
        d.total1 = h.number("curTotal1");
        d.rebatePercent = h.number("fltRebatePrcnt");
        d.rebate = h.number("curRebateAmount");
        d.rounded = h.integer("blnRebateRound") != 0;
        d.roundAmount = h.number("curRebateRoundAmount");
        d.totalBeforeVat = h.number("curTotalBeforeVat");
        d.totalNoVat = h.number("curTotalNoVat");
        d.vat = h.number("curVat");
        d.grandTotal = h.number("curGrandTotal");
        d.chargeVat = h.integer("blnChargeVat") != 0;
        // The rate in force on the document's date, as the document was computed with it.
        // A document without a date takes today's rate.
        const std::string dated =
            h.value("datxDate").value_or(fmt::format("{:%Y-%m-%d %H:%M:%S}", fmt::gmtime(std::time(nullptr))));
        if (auto rate = store.first("SELECT fltVATRate FROM VATRates WHERE datStartDate <= ? ORDER BY datStartDate DESC LIMIT 1",
                                    {dated}))
            d.vatRate = rate->number("fltVATRate");
        for (const Row& r : store.query(fmt::format("SELECT * FROM {} WHERE iInvoicesID = ? ORDER BY 1", kind.goods),
                                        {h.integer("iInvoicesID")}))
            d.lines.push_back({r.text("vcItemDescription"), r.number("iItemQty"), r.number("curUnitPrice"),
                               r.number("curExtendedPrice"), r.number("curRate"), r.text("vcCurrencySymbol"),
                               r.integer("blnChargeVAT") != 0});
    }
    if (kind.payments) {
        if (!invoice) d.paidInvoices = h.text("iInvoiceNumber");
        d.paymentTotal = h.number("curTotal");
        d.taxWithheld = h.number("curTax");
        d.netPayment = h.number("curNetPmt");
        const auto sql = fmt::format(
            "SELECT p.*, t.vcPaymentTypeName, b.vcBankName FROM {} p "
            "LEFT JOIN Payment_types t ON t.iPaymentTypesID = p.iPaymentTypesID "
            "LEFT JOIN Banks b ON CAST(b.iBanksID AS TEXT) = p.vcDetails2 "
            "WHERE p.iReceiptsID = ? ORDER BY 1",
            kind.payments);
        for (const Row& r : store.query(sql, {h.integer(kind.key)})) {
            PaymentLine p;
            p.paymentType = r.text("vcPaymentTypeName");
            p.bank = r.value("vcBankName").value_or(r.text("vcDetails2"));
            p.branch = r.text("vcDetails3");
            p.account = r.text("vcAccountNumber");
            p.cheque = r.text("vcDetails1");
            p.chequeDate = shortDate(r.text("vcDetails4"));
            p.amount = r.number("curAmount");
            d.payments.push_back(std::move(p));
        }
    }
    return d;
}

}  // namespace kovrin::frontend::app
