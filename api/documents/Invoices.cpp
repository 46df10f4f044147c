// Invoice creation: standard, Iska (debit), credit (zikui) invoices and the invoice half of an
// invoice-receipt. The totals are computed from the lines, then header and lines are written as
// one write transaction, so a document is stored whole or not at all, and the number read at its
// start cannot be taken by another writer before the commit.
#include <cmath>

#include <KovrinAPI/Customer.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/Utils.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "DocumentSupport.h"
#include "Documents.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"
#include "api/customers/CustomerStore.h"

namespace kovrin::modKovrinBase {

using modUtils::BoolToLong;
using modUtils::SqlDate;
using modUtils::SqlStr;

namespace {

// The kind of an invoice (1, 6, 7, 9); nullptr for any other number.
const documents::DocumentKind* invoiceKind(int32_t kind) {
    const documents::DocumentKind* k = documents::findKind(kind);
    return k && k->isInvoice() ? k : nullptr;
}

constexpr int32_t StandardInvoice = static_cast<int32_t>(InvoiceTypes::INVOICE_TYPE_STD);
constexpr int32_t CreditInvoice = documents::number(ObjectType::INVOICE_ZIKUI);

Currency toCurrency(double value) { return Currency::fromDouble(value); }
Currency absolute(Currency c) { return c < Currency() ? -c : c; }

}  // namespace

int32_t CreateInvoiceBase(int32_t kind, int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                          double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                          bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                          int32_t& iInvoiceType, Variant& varLineItems, Date& datDueDate, bool& DebugMode) {
    return passOn("modKovrinBase.CreateInvoiceBase", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("modKovrinBase.CreateInvoiceBase", "");
        line(20);
        const documents::DocumentKind* document = invoiceKind(kind);
        if (!document) raiseError(7283, "Unknow ObjectNum: " + std::to_string(kind));
        // The caller's variables receive the applied values only once the document is stored, so a
        // failed call can be repeated with the same variables (a VAT of 17 would otherwise come
        // back as 0.17 and be divided again).
        double rebatePercent = fltRebatePercent;
        Currency rebateAmount = curRebateAmount;
        bool roundTotal = blnRoundTotal;
        double vat = fltVAT;
        line(30);
        modKovrin::OpenConnection(DebugMode);
        try {
            const int32_t number = core::inWriteTransaction([&] {
                line(40);
                const int32_t number = nextNumber(*document, DebugMode);
                line(50);
                // An unknown key gives an empty record: the invoice then carries empty customer texts.
                const auto customer = modKovrin::GetCustomerByID(iCustomersID, DebugMode);
                line(60);
                if (blnChargeVAT && vat == 0) vat = CDbl(Variant(Utils().GetVatRate(datInvoiceDate, DebugMode)));
                line(70);
                vat = blnChargeVAT ? vat / 100 : 0;
                line(80);
                // Lines: a standard invoice charges VAT on every line; lines without a description
                // count here although they get no row.
                const std::vector<std::shared_ptr<LineItem>> items = lineItems(varLineItems);
                Currency taxable, untaxed, lineVat;
                for (const auto& item : items) {
                    const Currency amount = toCurrency(item->UnitPrice().toDouble() * item->ItemQuantity() * item->CurrencyRate());
                    if (iInvoiceType == StandardInvoice) item->ChargeVAT(true);
                    if (item->ChargeVAT()) {
                        taxable += amount;
                        lineVat += toCurrency(amount.toDouble() * vat);
                    } else {
                        untaxed += amount;
                    }
                }
                Currency total = taxable + untaxed;
                line(90);
                // Rebate: an amount given wins over a percentage; only standard invoices have one.
                if (kind == CreditInvoice) rebateAmount = absolute(rebateAmount);
                if (iInvoiceType != StandardInvoice) {
                    rebateAmount = Currency();
                    rebatePercent = 0;
                }
                if (rebateAmount != Currency()) {
                    if (total == Currency()) raiseError(err::DivisionByZero);
                    rebatePercent = rebateAmount.toDouble() / total.toDouble() * 100;
                    total -= rebateAmount;
                } else if (rebatePercent != 0) {
                    rebateAmount = toCurrency(total.toDouble() * rebatePercent / 100);
                    total -= rebateAmount;
                }
                line(100);
                // Rounding takes the total including VAT down to a whole amount.
                if (iInvoiceType != StandardInvoice) roundTotal = false;
                Currency rounding;
                if (roundTotal) {
                    const Currency gross = toCurrency(total.toDouble() * (vat + 1));
                    rounding = toCurrency(modUtils::Frac(gross) / (vat + 1));
                    if (kind == CreditInvoice) rounding = -absolute(rounding);
                    total -= rounding;
                }
                line(110);
                const Currency vatAmount = iInvoiceType == StandardInvoice ? toCurrency(total.toDouble() * vat) : lineVat;
                line(120);
                core::execute(
                    std::string("INSERT INTO ") + document->header + " (iBusinessID, iInvoiceNumber, datxdate, " +
                    "iCustomersID, vcBusinessName, vcAddress1, vcAddress2, vcCity, vcPostalCode, " +
                    "vcContactDetails, vcPhone1, vcPhone2, vcFax1, " + "vcComments, vcDetails, " +
                    "curTotal1, fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount " +
                    ", curTotalBeforeVat, curTotalNoVat" + ", curVat, curGrandTotal, blnChargeVat " +
                    ", iTrxCodesID, iInvoiceType, datDueDate, vcCustomerOsekMorshe) " + "VALUES(" +
                    core::businessIdText() + "," + std::to_string(number) + "," + SqlDate(datInvoiceDate) + "," +
                    std::to_string(iCustomersID) + "," + SqlStr(text::left(customer->BusinessName(), 50), 0) + "," +
                    SqlStr(text::left(customer->Address1(), 255), 0) + "," +
                    SqlStr(text::left(customer->Address2(), 255), 0) + "," + SqlStr(customer->City(), 0) + "," +
                    SqlStr(customer->PostalCode(), 0) + "," +
                    SqlStr(text::left(customer->ContactFirstName() + " " + customer->ContactLastName(), 30), 0) + "," +
                    SqlStr(customer->Phone1(), 0) + ", " + SqlStr(customer->Phone2(), 0) + "," +
                    SqlStr(customer->Fax(), 0) + ", " + SqlStr(text::left(strComments, 255), 0) + ", " +
                    SqlStr(text::left(strInvoiceDetails, 255), 0) + "," + taxable.toString() + "," +
                    toText(rebatePercent) + ", " + rebateAmount.toString() + "," +
                    std::to_string(BoolToLong(roundTotal)) + ", " + rounding.toString() + "," + total.toString() +
                    "," + untaxed.toString() + "," + vatAmount.toString() + "," + (total + vatAmount).toString() + "," +
                    std::to_string(BoolToLong(blnChargeVAT)) + "," + std::to_string(iTrxCodesID) + ", " +
                    std::to_string(iInvoiceType) + "," + SqlDate(datDueDate) + "," + SqlStr(customer->OsekMorshe(), 0) +
                    ")");
                line(130);
                for (const auto& item : items) {
                    if (item->ItemDescription().empty()) continue;
                    CreateInvoiceLine(kind, item->ItemsID(), number, item->ItemDescription(),
                                      item->ChargeVAT() || iInvoiceType == StandardInvoice, item->UnitPrice(),
                                      item->ItemQuantity(), item->ItemCurrency(), item->CurrencyRate(), vat, DebugMode);
                }
                line(140);
                return number;
            });
            modKovrin::CloseAll();
            fltRebatePercent = rebatePercent;
            curRebateAmount = rebateAmount;
            blnRoundTotal = roundTotal;
            fltVAT = vat;
            return number;
        } catch (...) {
            modKovrin::CloseAll();  // after the rollback
            throw;
        }
    });
}

void CreateInvoiceLine(int32_t kind, int32_t ItemsID, int32_t InvoiceNumber, std::string ItemDescription,
                       bool ChargeVAT, Currency UnitPrice, double ItemQuantity, std::string Currency_,
                       double CurrencyRate, double VAT, bool& DebugMode) {
    passOn("modKovrinBase.CreateInvoiceLine", [&](Line& line) {
        int32_t headerKey = 0;
        try {
            line(10);
            if (DebugMode) modUtils::LogDebug("modKovrinBase.CreateInvoiceLine", "");
            line(20);
            const documents::DocumentKind* document = invoiceKind(kind);
            if (!document) raiseError(7284, "Unknow ObjectNum: " + std::to_string(kind));
            line(30);
            headerKey = documentKey(std::string("SELECT ") + document->key + " FROM " + document->header + " WHERE " +
                                    document->numberColumn + "=" + std::to_string(InvoiceNumber) +
                                    " AND iBusinessID=" + core::businessIdText());
            line(40);
            if (Currency_.empty()) {
                Currency_ = "NIS";
                CurrencyRate = 1;
            }
            line(50);
            const std::string symbol = modUtils::CurrencyNameToSymbol(Variant(Currency_));
            line(60);
            if (kind == CreditInvoice) ItemQuantity = -std::fabs(ItemQuantity);  // credit lines are stored negative
            line(70);
            const double extended = UnitPrice.toDouble() * ItemQuantity * CurrencyRate;
            const Currency lineVat = toCurrency(extended * VAT);
            line(80);
            core::execute(std::string("INSERT INTO ") + document->goods +
                          " (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty, "
                          "curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate, curLineVat) " +
                          " VALUES(" + core::businessIdText() + "," + std::to_string(headerKey) + "," +
                          std::to_string(ItemsID) + ", " + SqlStr(ItemDescription, 0) + "," + (ChargeVAT ? "-1" : "0") +
                          "," + toText(ItemQuantity) + "," + UnitPrice.toString() + "," + toText(extended) + "," +
                          SqlStr(symbol, 0) + "," + toText(CurrencyRate) + "," + lineVat.toString() + ")");
        } catch (...) {
            const Error e = currentAsError();
            throw Error(e.number(),
                        e.description() + ", Invoice ID: " + std::to_string(headerKey) + ", Item: " + ItemDescription,
                        e.source());
        }
    });
}

}  // namespace kovrin::modKovrinBase

namespace kovrin::modKovrin {

namespace {
constexpr int32_t TaxInvoice = documents::number(ObjectType::Invoice);
constexpr int32_t IskaInvoice = documents::number(ObjectType::HIYUV);
constexpr int32_t CreditInvoice = documents::number(ObjectType::INVOICE_ZIKUI);
}  // namespace

int32_t CreateInvoice(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments, double& fltRebatePercent,
                      Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT, bool& blnChargeVAT,
                      std::string& strInvoiceDetails, int32_t& iTrxCodesID, int32_t& iInvoiceType, Variant& varLineItems,
                      Date& datDueDate, bool& DebugMode) {
    return passOn("modKovrin.CreateInvoice", [&](Line& line) {
        line(10);
        return modKovrinBase::CreateInvoiceBase(TaxInvoice, iCustomersID, datInvoiceDate, strComments,
                                                fltRebatePercent, curRebateAmount, blnRoundTotal, fltVAT, blnChargeVAT,
                                                strInvoiceDetails, iTrxCodesID, iInvoiceType, varLineItems, datDueDate,
                                                DebugMode);
    });
}

int32_t CreateInvoiceHiyuv(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                           double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                           bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                           int32_t& iInvoiceType, Variant& varLineItems, Date& datDueDate, bool& DebugMode) {
    return passOn("modKovrin.CreateInvoiceHiyuv", [&](Line& line) {
        line(10);
        return modKovrinBase::CreateInvoiceBase(IskaInvoice, iCustomersID, datInvoiceDate, strComments,
                                                fltRebatePercent, curRebateAmount, blnRoundTotal, fltVAT, blnChargeVAT,
                                                strInvoiceDetails, iTrxCodesID, iInvoiceType, varLineItems, datDueDate,
                                                DebugMode);
    });
}

int32_t CreateInvoiceZikui(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                           double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                           bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                           int32_t& iInvoiceType, Variant& varLineItems, bool& DebugMode) {
    return passOn("modKovrin.CreateInvoiceZikui", [&](Line& line) {
        line(10);
        Date due = Date::today();
        line(20);
        return modKovrinBase::CreateInvoiceBase(CreditInvoice, iCustomersID, datInvoiceDate, strComments,
                                                fltRebatePercent, curRebateAmount, blnRoundTotal, fltVAT, blnChargeVAT,
                                                strInvoiceDetails, iTrxCodesID, iInvoiceType, varLineItems, due,
                                                DebugMode);
    });
}

}  // namespace kovrin::modKovrin
