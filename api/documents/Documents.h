// The document procedures: numbering, and creating invoices, receipts, refunds and
// invoice-receipts in the current business. Every argument the caller's variable must see changed
// is a non-const reference, as the public operations hand them on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <KovrinAPI/Enums.h>
#include <KovrinAPI/ReceiptLineItem.h>
#include <KovrinAPI/runtime/Variant.h>

#include "DocumentKinds.h"
#include "platform/db/Database.h"

namespace kovrin::modKovrin {

// The number a new document of the kind gets: the next-number query's, or the start-number
// query's while the business has none of that kind. Called inside the document's write
// transaction, so no other writer can take the same number before the insert.
int32_t GetNextInvoiceNum(bool& DebugMode);
int32_t GetNextInvoiceZikuiNum(bool& DebugMode);
int32_t GetNextInvoiceKabalaNum(bool& DebugMode);
int32_t GetNextInvoiceHiyuvNum(bool& DebugMode);

// The invoice kinds; each returns the new document number. The zikui form is due today.
int32_t CreateInvoice(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments, double& fltRebatePercent,
                      Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT, bool& blnChargeVAT,
                      std::string& strInvoiceDetails, int32_t& iTrxCodesID, int32_t& iInvoiceType, Variant& varLineItems,
                      Date& datDueDate, bool& DebugMode);
int32_t CreateInvoiceHiyuv(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                           double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                           bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                           int32_t& iInvoiceType, Variant& varLineItems, Date& datDueDate, bool& DebugMode);
int32_t CreateInvoiceZikui(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                           double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                           bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                           int32_t& iInvoiceType, Variant& varLineItems, bool& DebugMode);

int32_t CreateReceipt(int32_t& iCustomersID, Date& datReceiptDate, Currency& curTotal, Currency& curTax,
                      Currency& curNetPmt, std::string& strDetails, std::string& strInvoiceNumbers,
                      Variant& varReceiptLineItems, std::string& strCurrency, Currency& curRate, bool& DebugMode);
int32_t CreateRefund(int32_t& iCustomersID, Date& datRefundDate, Currency& curTotal, std::string& strDetails,
                     Variant& varReceiptLineItems, bool& DebugMode);
int32_t CreateInvoiceKabala(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                            double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                            bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                            Variant& varLineItems, Currency& curTotal, Currency& curTax, Currency& curNetPmt,
                            Variant& varReceiptLineItems, bool& DebugMode);

// A stored payment line as a record: the recordset's current row, or nullptr at its end. The
// branch is not read back; the recordset is not advanced.
std::shared_ptr<ReceiptLineItem> PopulateReceiptLine(const db::Recordset& rs);

}  // namespace kovrin::modKovrin

namespace kovrin::modKovrinBase {

// The number a new document of the kind gets, under the kind's numbering procedure's name.
int32_t nextNumber(const documents::DocumentKind& kind, bool& DebugMode);
int32_t GetNextReceiptNum(bool& DebugMode);
int32_t GetNextRefundNum(bool& DebugMode);
// The transaction code of receipts and refunds: the business's iTrxCode 2, or 0 when it has
// none. Runs on the connection its caller opened.
int32_t GetReceiptTrxCodes(ObjectType kind, bool& DebugMode);

// Creates an invoice of kind 1, 6, 7 or 9 (error 7283 for another) as one write transaction:
// header and every line are stored together or not at all. fltVAT, fltRebatePercent,
// curRebateAmount and blnRoundTotal come back as applied; a standard invoice's lines come back
// with ChargeVAT set.
int32_t CreateInvoiceBase(int32_t kind, int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                          double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                          bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                          int32_t& iInvoiceType, Variant& varLineItems, Date& datDueDate, bool& DebugMode);
// One goods line of the invoice with that number (error 7284 for a kind other than 1, 6, 7, 9).
void CreateInvoiceLine(int32_t kind, int32_t ItemsID, int32_t InvoiceNumber, std::string ItemDescription,
                       bool ChargeVAT, Currency UnitPrice, double ItemQuantity, std::string Currency_,
                       double CurrencyRate, double VAT, bool& DebugMode);

// Creates a receipt (2) or refund (13) with its payment lines and recomputed totals as one write
// transaction; curTotal and curNetPmt come back as stored.
int32_t CreateReceiptBase(int32_t kind, int32_t& iCustomersID, Date& datReceiptDate, Currency& curTotal,
                          Currency& curTax, Currency& curNetPmt, std::string& strDetails,
                          std::string& strInvoiceNumbers, Variant& varReceiptLineItems, std::string& strCurrency,
                          Currency& curRate, bool& DebugMode);
// One payment line of the receipt or refund with that number (error 7289 for another kind).
void CreateReceiptLineBase(int32_t kind, int32_t ReceiptNumber, int32_t PaymentTypesID, std::string AccountNumber,
                           std::string Branch, int32_t Bank, std::string Check, Date CheckDate, Currency Amount);
// The invoice half and the payment half of an invoice-receipt, as one write transaction.
int32_t CreateInvoiceKabalaBase(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                                double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal,
                                double& fltVAT, bool& blnChargeVAT, std::string& strInvoiceDetails,
                                int32_t& iTrxCodesID, Variant& varLineItems, Currency& curTotal, Currency& curTax,
                                Currency& curNetPmt, Variant& varReceiptLineItems, bool& DebugMode);
void CreateInvoiceKabalaReceiptLineBase(int32_t InvoiceNumber, int32_t PaymentTypesID, std::string AccountNumber,
                                        std::string Branch, int32_t Bank, std::string Check, Date CheckDate,
                                        Currency Amount, bool& DebugMode);

}  // namespace kovrin::modKovrinBase
