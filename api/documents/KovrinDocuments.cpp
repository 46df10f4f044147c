// The document operations of Kovrin: each logs its entry and calls its data procedure with its
// arguments, handing the changed values back to the caller's variables.
#include <KovrinAPI/Kovrin.h>

#include "Allocation.h"
#include "DocumentKinds.h"
#include "Documents.h"
#include "api/core/Operation.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;
using core::passOnLocked;

int32_t Kovrin::CreateInvoice(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                              double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                              bool blnChargeVAT, const std::string& strInvoiceDetails, int32_t iTrxCodesID,
                              InvoiceTypes iInvoiceType, const Variant& varLineItems, std::optional<Date> datDueDate) {
    return logAndPassOn(debugMode_, "Kovrin.CreateInvoice", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateInvoice");
        std::string comments = strComments, details = strInvoiceDetails;
        int32_t type = static_cast<int32_t>(iInvoiceType);
        Variant items = varLineItems;  // the records inside stay the caller's
        Date due = datDueDate.value_or(Date());
        line(50);
        const int32_t number =
            modKovrin::CreateInvoice(iCustomersID, datInvoiceDate, comments, fltRebatePercent, curRebateAmount,
                                     blnRoundTotal, fltVAT, blnChargeVAT, details, iTrxCodesID, type, items, due,
                                     debugMode_);
        line(60);
        modKovrin::AllocateNewDocument(documents::number(ObjectType::Invoice), number, debugMode_);
        return number;
    });
}

int32_t Kovrin::CreateInvoiceIska(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                                  double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal,
                                  double& fltVAT, bool blnChargeVAT, const std::string& strInvoiceDetails,
                                  int32_t iTrxCodesID, InvoiceTypes iInvoiceType, const Variant& varLineItems,
                                  std::optional<Date> datDueDate) {
    return passOnLocked("Kovrin.CreateInvoiceIska", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateInvoiceIska", "iCustomersID", Variant(iCustomersID));
        std::string comments = strComments, details = strInvoiceDetails;
        int32_t type = static_cast<int32_t>(iInvoiceType);
        Variant items = varLineItems;
        Date due = datDueDate.value_or(Date());
        line(50);
        return modKovrin::CreateInvoiceHiyuv(iCustomersID, datInvoiceDate, comments, fltRebatePercent, curRebateAmount,
                                             blnRoundTotal, fltVAT, blnChargeVAT, details, iTrxCodesID, type, items,
                                             due, debugMode_);
    });
}

int32_t Kovrin::CreateInvoiceZikui(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                                   double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal,
                                   double& fltVAT, bool blnChargeVAT, const std::string& strInvoiceDetails,
                                   int32_t iTrxCodesID, int32_t iInvoiceType, const Variant& varLineItems) {
    return passOnLocked("Kovrin.CreateInvoiceZikui", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateInvoiceZikui");
        std::string comments = strComments, details = strInvoiceDetails;
        Variant items = varLineItems;
        line(50);
        return modKovrin::CreateInvoiceZikui(iCustomersID, datInvoiceDate, comments, fltRebatePercent, curRebateAmount,
                                             blnRoundTotal, fltVAT, blnChargeVAT, details, iTrxCodesID, iInvoiceType,
                                             items, debugMode_);
    });
}

int32_t Kovrin::CreateReceipt(int32_t iCustomersID, Date datReceiptDate, Currency& curTotal, Currency curTax,
                              Currency& curNetPmt, const std::string& strDetails, const std::string& strInvoiceNumbers,
                              const Variant& varReceiptLineItems, std::optional<std::string> strCurrency,
                              std::optional<Currency> curRate) {
    return passOnLocked("Kovrin.CreateReceipt", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateReceipt");
        std::string details = strDetails, invoiceNumbers = strInvoiceNumbers;
        std::string currency = strCurrency.value_or("NIS");
        Currency rate = curRate.value_or(Currency(1));
        Variant items = varReceiptLineItems;
        line(50);
        return modKovrin::CreateReceipt(iCustomersID, datReceiptDate, curTotal, curTax, curNetPmt, details,
                                        invoiceNumbers, items, currency, rate, debugMode_);
    });
}

int32_t Kovrin::CreateRefund(int32_t iCustomersID, Date datRefundDate, Currency& curTotal, const std::string& strDetails,
                             const Variant& varReceiptLineItems) {
    return passOnLocked("Kovrin.CreateRefund", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateRefund");
        std::string details = strDetails;
        Variant items = varReceiptLineItems;
        line(50);
        return modKovrin::CreateRefund(iCustomersID, datRefundDate, curTotal, details, items, debugMode_);
    });
}

int32_t Kovrin::CreateInvoiceKabala(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                                    double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal,
                                    double& fltVAT, bool blnChargeVAT, const std::string& strInvoiceDetails,
                                    int32_t iTrxCodesID, const Variant& varLineItems, Currency& curTotal,
                                    Currency curTax, Currency& curNetPmt, const Variant& varReceiptLineItems) {
    return passOnLocked("Kovrin.CreateInvoiceKabala", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateInvoiceKabala");
        std::string comments = strComments, details = strInvoiceDetails;
        Variant items = varLineItems, payments = varReceiptLineItems;
        line(50);
        const int32_t number =
            modKovrin::CreateInvoiceKabala(iCustomersID, datInvoiceDate, comments, fltRebatePercent, curRebateAmount,
                                           blnRoundTotal, fltVAT, blnChargeVAT, details, iTrxCodesID, items, curTotal,
                                           curTax, curNetPmt, payments, debugMode_);
        line(60);
        modKovrin::AllocateNewDocument(documents::number(ObjectType::INVOICE_KABALA), number, debugMode_);
        return number;
    });
}

}  // namespace kovrin
