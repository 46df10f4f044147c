// The retrieval and XML operations of Kovrin: each logs its entry and calls its data procedure.
#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/InvoiceKabala.h>
#include <KovrinAPI/Kovrin.h>

#include "Allocation.h"
#include "DocumentKinds.h"
#include "DocumentRead.h"
#include "Documents.h"
#include "api/core/Operation.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;
using core::passOnLocked;

Variant Kovrin::GetInvoices() {
    return passOnLocked("Kovrin.GetInvoices", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetInvoices");
        line(50);
        return modKovrin::GetInvoices(debugMode_);
    });
}

Variant Kovrin::GetInvoicesKabala() {
    return passOnLocked("Kovrin.GetInvoicesKabala", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetInvoicesKabala");
        line(50);
        return modKovrin::GetInvoicesKabala(debugMode_);
    });
}

std::shared_ptr<Invoice> Kovrin::GetInvoiceByNumber(int32_t iInvoiceNumber) {
    return passOnLocked("Kovrin.GetInvoiceByNumber", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetInvoiceByNumber", "iInvoiceNumber", Variant(iInvoiceNumber));
        line(50);
        return modKovrin::GetInvoiceByNumber(iInvoiceNumber, debugMode_);
    });
}

std::shared_ptr<InvoiceKabala> Kovrin::GetInvoiceKabalaByNumber(int32_t iInvoiceKabalaNumber) {
    return passOnLocked("Kovrin.GetInvoiceKabalaByNumber", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetInvoiceKabalaByNumber", "iInvoiceKabalaNumber", Variant(iInvoiceKabalaNumber));
        line(50);
        return modKovrin::GetInvoiceKabalaByNumber(iInvoiceKabalaNumber, debugMode_);
    });
}

Variant Kovrin::GetInvoicesByQueryXML(int32_t iInvoiceNumber) {
    return passOnLocked("Kovrin.GetInvoicesByQueryXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetInvoicesByQueryXML", "iInvoiceNumber", Variant(iInvoiceNumber));
        line(50);
        std::string xml = modKovrin::GetInvoicesByQueryXML(iInvoiceNumber, debugMode_);
        line(60);
        logEntry(debugMode_, "Kovrin.GetInvoicesByQueryXML", "XML returned", Variant(xml));
        return Variant(std::move(xml));
    });
}

int32_t Kovrin::CreateInvoiceXML(const std::string& strXML) {
    return passOnLocked("Kovrin.CreateInvoiceXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateInvoiceXML", "XML received", Variant(strXML));
        line(20);
        auto a = xmlInput::parseInvoice(strXML, xmlInput::InvoiceForm::Invoice,
                                         xmlInput::customersOfTheBusiness(debugMode_));
        line(50);
        const int32_t number = modKovrin::CreateWithAllocationNumber(1, a.strAllocationNumber, debugMode_, [&] {
            return modKovrin::CreateInvoice(a.iCustomersID, a.datInvoiceDate, a.strComments, a.fltRebatePercent,
                                            a.curRebateAmount, a.blnRoundTotal, a.fltVAT, a.blnChargeVAT,
                                            a.strInvoiceDetails, a.iTrxCodesID, a.iInvoiceType, a.varLineItems,
                                            a.datDueDate, debugMode_);
        });
        line(60);
        modKovrin::AllocateNewDocument(documents::number(ObjectType::Invoice), number, debugMode_);
        return number;
    });
}

int32_t Kovrin::CreateInvoiceZikuiXML(const std::string& strXML) {
    return passOnLocked("Kovrin.CreateInvoiceZikuiXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateInvoiceZikuiXML", "XML received", Variant(strXML));
        line(20);
        auto a = xmlInput::parseInvoice(strXML, xmlInput::InvoiceForm::Zikui,
                                         xmlInput::customersOfTheBusiness(debugMode_));
        line(50);
        return modKovrin::CreateInvoiceZikui(a.iCustomersID, a.datInvoiceDate, a.strComments, a.fltRebatePercent,
                                             a.curRebateAmount, a.blnRoundTotal, a.fltVAT, a.blnChargeVAT,
                                             a.strInvoiceDetails, a.iTrxCodesID, a.iInvoiceType, a.varLineItems,
                                             debugMode_);
    });
}

int32_t Kovrin::CreateInvoiceKabalaXML(const std::string& strXML) {
    return logAndPassOn(debugMode_, "Kovrin.CreateInvoiceKabalaXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateInvoiceKabalaXML", "XML received", Variant(strXML));
        line(20);
        auto a = xmlInput::parseInvoice(strXML, xmlInput::InvoiceForm::Kabala,
                                         xmlInput::customersOfTheBusiness(debugMode_));
        line(50);
        const int32_t number = modKovrin::CreateWithAllocationNumber(7, a.strAllocationNumber, debugMode_, [&] {
            return modKovrin::CreateInvoiceKabala(a.iCustomersID, a.datInvoiceDate, a.strComments, a.fltRebatePercent,
                                                  a.curRebateAmount, a.blnRoundTotal, a.fltVAT, a.blnChargeVAT,
                                                  a.strInvoiceDetails, a.iTrxCodesID, a.varLineItems, a.curTotal,
                                                  a.curTax, a.curNetPmt, a.varReceiptLineItems, debugMode_);
        });
        line(60);
        modKovrin::AllocateNewDocument(documents::number(ObjectType::INVOICE_KABALA), number, debugMode_);
        return number;
    });
}

int32_t Kovrin::CreateReceiptXML(const std::string& strXML) {
    return passOnLocked("Kovrin.CreateReceiptXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateReceiptXML", "XML received", Variant(strXML));
        line(50);
        return CreateReceiptXML1(2, strXML);
    });
}

int32_t Kovrin::CreateRefundXML(const std::string& strXML) {
    return passOnLocked("Kovrin.CreateRefundXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateRefundXML", "XML received", Variant(strXML));
        line(50);
        return CreateReceiptXML1(13, strXML);
    });
}

// Runs under the lock its public caller holds.
int32_t Kovrin::CreateReceiptXML1(int32_t kind, const std::string& strXML) {
    return passOn("Kovrin.CreateReceiptXML1", [&](Line& line) {
        line(10);
        auto a = xmlInput::parseReceipt(strXML, xmlInput::customersOfTheBusiness(debugMode_));
        line(20);
        if (kind == 13)
            return modKovrin::CreateRefund(a.iCustomersID, a.datDate, a.curTotal, a.strDetails, a.varReceiptLineItems,
                                           debugMode_);
        line(30);
        return modKovrin::CreateReceipt(a.iCustomersID, a.datDate, a.curTotal, a.curTax, a.curNetPmt, a.strDetails,
                                        a.strInvoiceNumbers, a.varReceiptLineItems, a.strCurrency, a.curRate,
                                        debugMode_);
    });
}

}  // namespace kovrin
