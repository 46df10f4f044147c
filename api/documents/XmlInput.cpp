// Documents handed over as XML text: the fields and lines read into the values the creation
// procedures take. Nothing here writes; the caller creates the document afterwards in one
// transaction, so a text that fails to read leaves the database untouched.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/ReceiptLineItem.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "Allocation.h"
#include "DocumentRead.h"
#include "api/core/modUtils.h"
#include "api/customers/CustomerStore.h"
#include "platform/xml/Dom.h"

namespace kovrin::xmlInput {

namespace {

using modUtils::GetNode;
using modUtils::GetNode2;

constexpr int32_t CustomerMissing = 2377;

// The text loaded, or the parser's error with the position as its source.
xml::Document load(const std::string& strXML, bool receiptForm) {
    xml::Document doc;
    if (!doc.loadXML(strXML)) {
        const xml::ParseError& e = doc.parseError();
        const std::string at = receiptForm
                                   ? "Line: " + std::to_string(e.line) + ", Position: " + std::to_string(e.linepos)
                                   : "line: " + std::to_string(e.line) + " pos:" + std::to_string(e.linepos);
        throw Error(e.errorCode, e.reason, at);
    }
    return doc;
}

// The customer key: CustomerID, or when that is 0 (or not given) the customer with the
// CustomerForeignKey (8255 when the business has none); 2377 when neither is given.
int32_t customer(const xml::Document& doc, const CustomerByForeignKey& byForeignKey) {
    const std::string id = CStr(GetNode(doc, "CustomerID"));
    const int32_t key = id.empty() ? 0 : CLng(Variant(id));
    if (key != 0) return key;
    const std::string foreignKey = CStr(GetNode(doc, "CustomerForeignKey"));
    if (foreignKey.empty()) raiseError(CustomerMissing, "CustomerID and CustomerForeignKey are missing.");
    return byForeignKey(foreignKey);
}

// "0" in front, so that absent or empty text reads as 0.
int32_t wholeOrZero(const Variant& text) { return CLng(Variant("0" + CStr(text))); }

Date dateOf(const Variant& text) { return modUtils::XMLDateToDate(CStr(text)); }

// Each LineItem element as a LineItem; Empty when there is none. With defaults, a field present
// with empty text reads as 0; without, it fails with 13.
Variant lineItems(const xml::Document& doc, bool defaults) {
    const std::vector<xml::Node> nodes = doc.getElementsByTagName("LineItem");
    if (nodes.empty()) return Variant();
    const std::optional<Variant> zero = defaults ? std::optional<Variant>(Variant(0)) : std::nullopt;
    VariantArray list(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const xml::Node& n = nodes[i];
        auto item = std::make_shared<LineItem>();
        item->ItemDescription(CStr(GetNode2(n, "ItemDescription")));
        item->UnitPrice(CCur(GetNode2(n, "UnitPrice", zero)));
        item->ItemQuantity(CDbl(GetNode2(n, "ItemQuantity", zero)));
        item->ItemCurrency(CStr(GetNode2(n, "Currency")));
        item->CurrencyRate(CDbl(GetNode2(n, "CurrencyRate", zero)));
        item->ChargeVAT(CStr(GetNode2(n, "ChargeVAT")) != "False");
        list(static_cast<long>(i)) = Variant(item);
    }
    return Variant(std::move(list));
}

// Each ReceiptLineItem element as a ReceiptLineItem; Empty when there is none.
Variant receiptLineItems(const xml::Document& doc) {
    const std::vector<xml::Node> nodes = doc.getElementsByTagName("ReceiptLineItem");
    if (nodes.empty()) return Variant();
    VariantArray list(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const xml::Node& n = nodes[i];
        auto item = std::make_shared<ReceiptLineItem>();
        item->AccountNumber(CStr(GetNode2(n, "AccountNumber")));
        item->Amount(CCur(GetNode2(n, "Amount")));
        item->Bank(wholeOrZero(GetNode2(n, "Bank")));
        item->Branch(std::to_string(wholeOrZero(GetNode2(n, "Branch"))));
        item->Check(CStr(GetNode2(n, "Check")));
        item->CheckDate(dateOf(GetNode2(n, "CheckDate")));
        item->PaymentTypesID(CLng(GetNode2(n, "PaymentTypesID")));
        list(static_cast<long>(i)) = Variant(item);
    }
    return Variant(std::move(list));
}

}  // namespace

CustomerByForeignKey customersOfTheBusiness(bool& DebugMode) {
    return [&DebugMode](const std::string& key) { return modKovrin::GetCustomerByForeignKey(key, DebugMode)->CustomersID(); };
}

InvoiceArguments parseInvoice(const std::string& strXML, InvoiceForm form, const CustomerByForeignKey& byForeignKey) {
    const xml::Document doc = load(strXML, false);
    // Only the plain invoice has defaults for the fields a caller may leave out.
    const bool plain = form == InvoiceForm::Invoice;
    auto orDefault = [&](Variant v) { return plain ? std::optional<Variant>(std::move(v)) : std::nullopt; };
    InvoiceArguments a;
    a.iCustomersID = customer(doc, byForeignKey);
    a.datInvoiceDate = dateOf(GetNode(doc, "DocDate", orDefault(Variant(Date::today().shortDate()))));
    a.strComments = CStr(GetNode(doc, "DocComments"));
    a.strInvoiceDetails = CStr(GetNode(doc, "DocDetails"));
    a.iTrxCodesID = CLng(GetNode(doc, "TrxCodesID"));
    a.fltRebatePercent = CDbl(GetNode(doc, "RebatePercent", orDefault(Variant(0))));
    a.curRebateAmount = CCur(GetNode(doc, "RebateAmount", orDefault(Variant(0))));
    a.blnRoundTotal = CBool(GetNode(doc, "RoundTotal", orDefault(Variant(false))));
    a.fltVAT = CDbl(GetNode(doc, "VAT", orDefault(Variant(0))));
    a.blnChargeVAT = CBool(GetNode(doc, "ChargeVAT", orDefault(Variant(true))));
    if (form == InvoiceForm::Invoice) {
        a.iInvoiceType = CLng(GetNode(doc, "InvoiceType", Variant(1)));
        a.datDueDate = dateOf(GetNode(doc, "DueDate"));
    } else if (form == InvoiceForm::Zikui) {
        a.iInvoiceType = wholeOrZero(GetNode(doc, "InvoiceType"));
    } else {
        a.curTotal = CCur(GetNode(doc, "Total"));
        a.curTax = CCur(GetNode(doc, "Tax"));
        a.curNetPmt = CCur(GetNode(doc, "NetPmt"));
    }
    a.varLineItems = lineItems(doc, plain);
    if (form == InvoiceForm::Kabala) a.varReceiptLineItems = receiptLineItems(doc);
    // Checked here, so a malformed number fails before anything is written. A credit invoice
    // has none.
    if (form != InvoiceForm::Zikui) {
        a.strAllocationNumber = text::trim(CStr(GetNode(doc, "AllocationNumber")));
        if (!a.strAllocationNumber.empty()) modKovrin::CheckAllocationNumber(a.strAllocationNumber);
    }
    return a;
}

ReceiptArguments parseReceipt(const std::string& strXML, const CustomerByForeignKey& byForeignKey) {
    const xml::Document doc = load(strXML, true);
    ReceiptArguments a;
    a.iCustomersID = customer(doc, byForeignKey);
    a.datDate = dateOf(GetNode(doc, "DocDate"));
    a.curTotal = modUtils::VarToCurrency(GetNode(doc, "Total"));
    a.curTax = modUtils::VarToCurrency(GetNode(doc, "Tax"));
    a.curNetPmt = modUtils::VarToCurrency(GetNode(doc, "NetPmt"));
    a.strDetails = CStr(GetNode(doc, "Details"));
    a.strInvoiceNumbers = CStr(GetNode(doc, "InvoiceNumbers"));
    a.strCurrency = CStr(GetNode(doc, "Currency"));
    if (a.strCurrency.empty()) a.strCurrency = "NIS";
    a.curRate = modUtils::VarToCurrency(GetNode(doc, "Rate"));
    if (a.curRate == Currency()) a.curRate = Currency(1);
    a.varReceiptLineItems = receiptLineItems(doc);
    return a;
}

}  // namespace kovrin::xmlInput
