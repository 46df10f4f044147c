// The front-end operations of Kovrin: display, print, run, balance refresh, backup and the
// front-end's printer setting.
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/clsRegistry.h>

#include "FrontEnd.h"
#include "api/core/Clock.h"
#include "api/documents/Allocation.h"
#include "api/core/Operation.h"
#include "api/core/RegSettings.h"
#include "api/documents/DocumentKinds.h"

namespace kovrin {

using core::frontEndCommandLine;
using core::logAndPassOn;
using core::logEntry;
using core::macroTail;
using core::passOnLocked;
using core::startFrontEnd;
using core::unguarded;

namespace {

// A Display operation: no handler, so a failure reaches the caller exactly as raised.
Variant display(bool debug, const char* name, const char* label, int32_t number, ObjectType kind) {
    return unguarded([&] {
        logEntry(debug, name, label, Variant(number));
        const char* macro = documents::kindOf(kind).displayMacro;
        startFrontEnd(frontEndCommandLine(macroTail(macro, std::to_string(number))), core::WindowNormal);
        return Variant();
    });
}

Languages languageOr(std::optional<Languages> lang) { return lang.value_or(Languages::Hebrew); }

}  // namespace

Variant Kovrin::RunKovrin() {
    return unguarded([&] {
        const std::string cmd = frontEndCommandLine();
        logEntry(debugMode_, "Kovrin.RunKovrin", "Kovrin path", Variant(cmd));
        startFrontEnd(cmd, core::WindowNormal);
        return Variant();
    });
}

void Kovrin::DisplayInvoice(int32_t iInvoiceNumber) {
    display(debugMode_, "Kovrin.DisplayInvoice", "iInvoiceNumber", iInvoiceNumber, ObjectType::Invoice);
}
Variant Kovrin::DisplayInvoiceIska(int32_t iInvoiceNumber) {
    return display(debugMode_, "Kovrin.DisplayInvoiceIska", "iInvoiceNumber", iInvoiceNumber, ObjectType::HIYUV);
}
Variant Kovrin::DisplayInvoiceZikui(int32_t iInvoiceNumber) {
    return display(debugMode_, "Kovrin.DisplayInvoiceZikui", "iInvoiceNumber", iInvoiceNumber,
                   ObjectType::INVOICE_ZIKUI);
}
Variant Kovrin::DisplayReceipt(int32_t iReceiptNumber) {
    return display(debugMode_, "Kovrin.DisplayReceipt", "iReceiptNumber", iReceiptNumber, ObjectType::RECEIPT);
}
Variant Kovrin::DisplayRefund(int32_t iReceiptNumber) {
    return display(debugMode_, "Kovrin.DisplayRefund", "iReceiptNumber", iReceiptNumber, ObjectType::REFUND);
}
Variant Kovrin::DisplayInvoiceKabala(int32_t iInvoiceNumber) {
    return display(debugMode_, "Kovrin.DisplayInvoiceKabala", "iInvoiceNumber", iInvoiceNumber,
                   ObjectType::INVOICE_KABALA);
}

void Kovrin::PrintInvoice(int32_t iInvoiceNumber, std::optional<Languages> Lang) {
    passOnLocked("Kovrin.PrintInvoice", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.PrintInvoice", "iInvoiceNumber", Variant(iInvoiceNumber));
        line(40);
        if (!allowMissingAllocationNumber_) modKovrin::RefuseMissingAllocationNumber(1, iInvoiceNumber, debugMode_);
        line(50);
        modKovrin::PrintInvoice(std::to_string(iInvoiceNumber), languageOr(Lang), debugMode_);
    });
}

void Kovrin::PrintInvoiceIska(int32_t iInvoiceNumber) {
    passOnLocked("Kovrin.PrintInvoiceIska", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.PrintInvoiceIska", "iInvoiceNumber", Variant(iInvoiceNumber));
        line(50);
        modKovrin::PrintInvoiceHiyuv(std::to_string(iInvoiceNumber), debugMode_);
    });
}

void Kovrin::PrintInvoiceZikui(int32_t iInvoiceNumber) {
    passOnLocked("Kovrin.PrintInvoiceZikui", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.PrintInvoiceZikui", "iInvoiceNumber", Variant(iInvoiceNumber));
        line(50);
        modKovrin::PrintInvoiceZikui(std::to_string(iInvoiceNumber), debugMode_);
    });
}

void Kovrin::PrintReceipt(int32_t iReceiptNumber, std::optional<Languages> Lang) {
    passOnLocked("Kovrin.PrintReceipt", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.PrintReceipt", "iReceiptNumber", Variant(iReceiptNumber));
        line(50);
        modKovrin::PrintReceipt(std::to_string(iReceiptNumber), languageOr(Lang), debugMode_);
    });
}

void Kovrin::PrintRefund(int32_t iRefundNumber) {
    passOnLocked("Kovrin.PrintRefund", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.PrintRefund", "iRefundNumber", Variant(iRefundNumber));
        line(50);
        modKovrin::PrintRefund(std::to_string(iRefundNumber), debugMode_);
    });
}

void Kovrin::PrintInvoiceKabala(int32_t iInvoiceNumber) {
    logAndPassOn(debugMode_, "Kovrin.PrintInvoiceKabala", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.PrintInvoiceKabala", "iInvoiceNumber", Variant(iInvoiceNumber));
        line(40);
        if (!allowMissingAllocationNumber_) modKovrin::RefuseMissingAllocationNumber(7, iInvoiceNumber, debugMode_);
        line(50);
        modKovrin::PrintInvoiceKabala(std::to_string(iInvoiceNumber), debugMode_);
    });
}

void Kovrin::RefreshCustomerBalance(Date datDateTo) {
    logAndPassOn(debugMode_, "Kovrin.RefreshCustomerBalance", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.RefreshCustomerBalance", "datDateTo", Variant(datDateTo));
        line(50);
        const std::string cmd = frontEndCommandLine(macroTail("apiUpdateCustomerBalance", datDateTo.generalDate()));
        line(60);
        logEntry(debugMode_, "Kovrin.RefreshCustomerBalance", "Call Kovrin", Variant(cmd));
        line(70);
        startFrontEnd(cmd, debugMode_ ? core::WindowNormal : core::WindowMinimizedNoFocus);
    });
}

std::string Kovrin::PerformBackup() {
    return unguarded([&] {
        logEntry(debugMode_, "Kovrin.PerformBackup", "PerformBackup");
        clsRegistry reg;
        reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", "LastBackupFile", Variant(""));
        startFrontEnd(frontEndCommandLine("/x apiPerformBackup "), debugMode_ ? core::WindowNormal
                                                                              : core::WindowMinimizedNoFocus);
        // One read per second, at most BackupTimeOutSeconds reads; an answer found at once still
        // costs the second's sleep.
        std::string path;
        for (int32_t count = 0; path.empty() && count < backupTimeOutSeconds_; ++count) {
            path = modUtils::GetKovrinRegSettings("LastBackupFile", Variant(""));
            core::clock().sleep(1000);
        }
        if (path.empty()) raiseError(6367, "Timeout after " + std::to_string(backupTimeOutSeconds_) + " seconds");
        return path;
    });
}

void Kovrin::BackupTimeOutSeconds(int32_t value) {
    passOnLocked("Kovrin.Let BackupTimeOutSeconds", [&](Line& line) {
        line(10);
        backupTimeOutSeconds_ = value;
    });
}

void Kovrin::SetKovrinPrinter(const std::string& strPrinterName) {
    passOnLocked("Kovrin.SetKovrinPrinter", [&](Line& line) {
        line(50);
        const std::string osekMorshe = GetOsekMorshe();
        line(60);
        clsRegistry reg;
        reg.SaveValue(reg.HKEY_CURRENT_USER(), core::printerKey(osekMorshe), "strDefaultPrinter",
                      Variant(strPrinterName));
    });
}

}  // namespace kovrin
