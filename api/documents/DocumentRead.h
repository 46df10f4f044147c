// Reading stored documents back: as records, as XML text, and turning XML text into the values the
// creation procedures take.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/InvoiceKabala.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/runtime/Variant.h>

#include "platform/db/Database.h"
#include "platform/xml/Dom.h"

namespace kovrin::modKovrin {

// Every document of the current business by ascending number: an array of records, empty (no
// elements) when there is none. Lines come in the order they were stored.
Variant GetInvoices(bool& DebugMode);
Variant GetInvoicesKabala(bool& DebugMode);
// One document by number; 8257 when the current business has no such document.
std::shared_ptr<Invoice> GetInvoiceByNumber(int32_t iInvoiceNumber, bool& DebugMode);
std::shared_ptr<InvoiceKabala> GetInvoiceKabalaByNumber(int32_t iInvoiceKabalaNumber, bool& DebugMode);

// Records from the recordset's current row (the header readers read the lines with their own
// recordsets); PopulateLineItem gives nullptr at the end of the recordset.
std::shared_ptr<Invoice> PopulateInvoice(const db::Recordset& rs);
std::shared_ptr<InvoiceKabala> PopulateInvoiceKabala(const db::Recordset& rs);
std::shared_ptr<LineItem> PopulateLineItem(const db::Recordset& rs);

// One invoice of the current business as "<Kovrin>" CR LF <Document .../> CR LF "</Kovrin>" CR LF;
// 8257 when there is none.
std::string GetInvoicesByQueryXML(int32_t iInvoiceNumber, bool& DebugMode);
// The Document element of the header row ("" at the end of the recordset), and one LineItem
// element of a line row (Nothing at the end).
std::string PopulateInvoiceXML(const db::Recordset& rs);
xml::Node PopulateInvoiceXML(const db::Recordset& rs, xml::Document& doc, int32_t lineNumber);

}  // namespace kovrin::modKovrin

namespace kovrin::xmlInput {

// The invoice kinds read from XML.
enum class InvoiceForm { Invoice, Zikui, Kabala };

// The arguments of a creation procedure, as read from the XML text.
struct InvoiceArguments {
    int32_t iCustomersID = 0;
    Date datInvoiceDate, datDueDate;
    std::string strComments, strInvoiceDetails;
    int32_t iTrxCodesID = 0, iInvoiceType = 1;
    double fltRebatePercent = 0, fltVAT = 0;
    Currency curRebateAmount, curTotal, curTax, curNetPmt;
    bool blnRoundTotal = false, blnChargeVAT = true;
    Variant varLineItems, varReceiptLineItems;
    std::string strAllocationNumber;  // invoices and invoice-receipts; checked for form when read
};

struct ReceiptArguments {
    int32_t iCustomersID = 0;
    Date datDate;
    Currency curTotal, curTax, curNetPmt, curRate;
    std::string strDetails, strInvoiceNumbers, strCurrency;
    Variant varReceiptLineItems;
};

// The customer key of a foreign key; fails (8255) when there is no such customer.
using CustomerByForeignKey = std::function<int32_t(const std::string&)>;
// The lookup in the current business's customers.
CustomerByForeignKey customersOfTheBusiness(bool& DebugMode);

// Parse and check, without writing anything: a malformed text fails with the parser's number and
// reason and the position as source; a customer named by foreign key alone is found with
// `customer` (2377 when neither key is given); a field that does not convert fails with 13.
InvoiceArguments parseInvoice(const std::string& strXML, InvoiceForm form, const CustomerByForeignKey& customer);
ReceiptArguments parseReceipt(const std::string& strXML, const CustomerByForeignKey& customer);

}  // namespace kovrin::xmlInput
