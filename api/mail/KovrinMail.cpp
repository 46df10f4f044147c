// The mail operations of Kovrin: the SMTP settings, SendMail, and SendDocByMail, which has the
// front-end print a document to the PDF printer and mails the PDF.
#include <filesystem>

#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/clsRegistry.h>

#include "Mail.h"
#include "api/bridge/FrontEnd.h"
#include "api/core/Clock.h"
#include "api/core/Operation.h"
#include "api/core/modUtils.h"
#include "api/documents/Allocation.h"
#include "api/documents/DocumentKinds.h"

namespace kovrin {

using core::logEntry;
using core::passOnLocked;
using core::unguarded;

std::string Kovrin::MailServer() const {
    return unguarded([&] { return mailServer_; });
}
void Kovrin::MailServer(const std::string& value) {
    unguarded([&] { mailServer_ = value; });
}
std::string Kovrin::MailServerUserName() const {
    return unguarded([&] { return mailServerUserName_; });
}
void Kovrin::MailServerUserName(const std::string& value) {
    unguarded([&] { mailServerUserName_ = value; });
}
std::string Kovrin::MailServerPassword() const {
    return unguarded([&] { return mailServerPassword_; });
}
void Kovrin::MailServerPassword(const std::string& value) {
    unguarded([&] { mailServerPassword_ = value; });
}
double Kovrin::PDFTimeout() const {
    return unguarded([&] { return pdfTimeout_; });
}
void Kovrin::PDFTimeout(double value) {
    unguarded([&] { pdfTimeout_ = value; });
}

void Kovrin::SendMail(const std::string& strSubject, const std::string& strForm, const std::string& strFromName,
                      const std::string& strReceipients, const std::string& strReceipientsCC,
                      const std::string& strReceipientsBCC, const std::string& strHTMLBody,
                      std::optional<std::string> strAttachmentFileName) {
    passOnLocked("Kovrin.SendMail", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.SendMail");
        line(50);
        modMail::SendSMTPMail(debugMode_, strSubject, strForm, strFromName, strReceipients, strReceipientsCC,
                              strReceipientsBCC, strHTMLBody, mailServerUserName_, mailServerPassword_, mailServer_,
                              strAttachmentFileName);
    });
}

namespace {

// The pdfFactory printer driver's settings, all under HKEY_CURRENT_USER.
constexpr const char* DriverData = "Software\\FinePrint Software\\pdfFactory3\\FinePrinters\\pdfFactory\\PrinterDriverData";
constexpr const char* DriverPrinter = "Software\\FinePrint Software\\pdfFactory3\\FinePrinters\\pdfFactory";
constexpr const char* Driver = "Software\\FinePrint Software\\pdfFactory3";

// The word of the PDF's file name; the kinds that cannot be printed fail here, before anything
// is changed. A number that names no kind has no word (and nothing is printed for it).
std::string fileWord(ObjectType type) {
    const documents::DocumentKind* kind = documents::findKind(static_cast<int32_t>(type));
    if (!kind) return "";
    if (kind->notPrintableError != 0)
        raiseError(kind->notPrintableError, std::string("Can not print and send object type ") + kind->name + ".");
    return kind->fileWord;
}

}  // namespace

void Kovrin::SendDocByMail(int32_t iDocNumber, ObjectType iObjectType, const std::string& strSubject,
                           const std::string& strForm, const std::string& strFromName,
                           const std::string& strReceipients, const std::string& strReceipientsCC,
                           const std::string& strReceipientsBCC, const std::string& strHTMLBody) {
    passOnLocked("Kovrin.SendDocByMail", [&](Line& line) {
        const char* self = "Kovrin.SendDocByMail";
        line(10);
        logEntry(debugMode_, self, "iDocNumber", Variant(iDocNumber));
        clsRegistry reg;
        const int32_t user = reg.HKEY_CURRENT_USER();
        line(20);
        const std::string word = fileWord(iObjectType);
        // Refused before any setting is changed.
        if (!allowMissingAllocationNumber_)
            modKovrin::RefuseMissingAllocationNumber(static_cast<int32_t>(iObjectType), iDocNumber, debugMode_);
        line(30);
        const std::string pdf = modUtils::GetTempDir() + word + " " + std::to_string(iDocNumber) + ".pdf";
        line(40);
        const Variant showDlg = Variant(CLng(reg.GetValue(user, DriverData, "ShowDlg", Variant(2))));
        const Variant pdfAction = Variant(CLng(reg.GetValue(user, DriverData, "PdfAction", Variant(16384))));

        // Puts the driver's settings back; logged write by write when debugging.
        bool driverChanged = false;
        auto restoreDriver = [&] {
            auto restore = [&](const char* key, const char* name, const Variant& value) {
                if (debugMode_)
                    logEntry(true, self,
                             std::string("objReg.SaveDWORDValue objReg.HKEY_CURRENT_USER, \"") + key + "\", \"" + name + "\", ",
                             value);
                reg.SaveDWORDValue(user, key, name, value);
            };
            restore(DriverData, "ShowDlg", showDlg);
            restore(DriverData, "PdfAction", pdfAction);
            restore(DriverPrinter, "PdfAction", pdfAction);
            if (debugMode_)
                logEntry(true, self, std::string("objReg.SaveValue objReg.HKEY_CURRENT_USER, \"") + Driver + "\", \"OutputFile\", ",
                         Variant("\"\""));
            reg.SaveValue(user, Driver, "OutputFile", Variant(""));
            driverChanged = false;
        };
        bool printerChanged = false;
        Variant printer;

        try {
            line(50);
            // A PDF left from an earlier run must not be mailed in place of this one.
            std::error_code ignored;
            std::filesystem::remove(pdf, ignored);
            driverChanged = true;
            reg.SaveValue(user, Driver, "OutputFile", Variant(pdf));
            reg.SaveDWORDValue(user, DriverData, "ShowDlg", Variant(2));
            reg.SaveDWORDValue(user, DriverData, "PdfAction", Variant(0));
            reg.SaveDWORDValue(user, DriverPrinter, "PdfAction", Variant(0));
            line(60);
            printer = modKovrin::GetKovrinPrinter(debugMode_);
            printerChanged = true;
            SetKovrinPrinter("pdfFactory");
            line(70);
            switch (iObjectType) {
                case ObjectType::Invoice: PrintInvoice(iDocNumber, Languages::Hebrew); break;
                case ObjectType::RECEIPT: PrintReceipt(iDocNumber, Languages::Hebrew); break;
                case ObjectType::HIYUV: PrintInvoiceIska(iDocNumber); break;
                case ObjectType::INVOICE_KABALA: PrintInvoiceKabala(iDocNumber); break;
                case ObjectType::INVOICE_ZIKUI: PrintInvoiceZikui(iDocNumber); break;
                case ObjectType::REFUND: PrintRefund(iDocNumber); break;
                default: break;
            }
            line(80);
            // The driver clears "OutputFile" once the PDF is written.
            std::string outputFile = pdf;
            const int64_t start = core::clock().milliseconds();
            while (static_cast<double>(core::wholeSecondsSince(start) * 1000) < pdfTimeout_ && !outputFile.empty()) {
                logEntry(debugMode_, self, "Waiting for pdfFactory ", Variant(Date::now()));
                outputFile = CStr(reg.GetValue(user, Driver, "OutputFile", Variant("")));
                if (!outputFile.empty()) core::clock().sleep(500);
            }
            line(90);
            logEntry(debugMode_, self, "Finished waiting for pdfFactory.", Variant(Date::now()));
            line(100);
            restoreDriver();
            line(110);
            if (!outputFile.empty())
                raiseError(2758, "Timeout after waiting " + CStr(Variant(pdfTimeout_)) +
                                     " milliseconds for the pdfFactory printer.  Try to increase the PDFTimeout value. "
                                     "The value is in milliseconds.");
            line(120);
            SendMail(strSubject, strForm, strFromName, strReceipients, strReceipientsCC, strReceipientsBCC,
                     strHTMLBody, pdf);
            line(130);
            SetKovrinPrinter(CStr(printer));
        } catch (...) {
            // Whatever failed, the driver and the front-end get their settings back; a failure of
            // the restore itself must not hide the error that got us here.
            try {
                if (driverChanged) restoreDriver();
            } catch (...) {
            }
            try {
                if (printerChanged) SetKovrinPrinter(CStr(printer));
            } catch (...) {
            }
            throw;
        }
    });
}

}  // namespace kovrin
