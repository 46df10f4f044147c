#include "FrontEnd.h"

#include <cerrno>
#include <cstring>

#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/runtime/Procedure.h>

#include "api/core/BusinessData.h"
#include "api/core/DebugLog.h"
#include "api/core/State.h"
#include "api/documents/DocumentKinds.h"
#include "platform/process/CommandLine.h"
#include "platform/process/Spawn.h"

namespace kovrin::core {

std::string frontEndCommandLine(const std::string& tail) {
    return state().accessPath + " " + "\"" + state().kovrinPath + "\"" + tail;
}

std::string macroTail(const std::string& macro, const std::string& argument) {
    return "/x " + macro + " /cmd " + argument;
}

void startFrontEnd(const std::string& commandLine, int windowMode) {
    const int rc = process::startDetached(process::splitCommandLine(commandLine),
                                          {{"KOVRIN_WINDOW_MODE", std::to_string(windowMode)},
                                           {"KOVRIN_COMMAND_LINE", commandLine}});
    if (rc == 0) return;
    if (rc == ENOENT || rc == ENOTDIR) raiseError(53, "File not found");
    if (rc == EACCES || rc == EPERM) raiseError(70, "Permission denied");
    raiseError(5, std::string("Invalid procedure call or argument: ") + std::strerror(rc));
}

std::string printerKey(const std::string& osekMorshe) {
    return "Software\\VB and VBA Program Settings\\קוברין\\" + osekMorshe;
}

}  // namespace kovrin::core

namespace kovrin::modKovrin {

namespace {

using documents::kindOf;

// The kind's print macro in the language asked for.
const char* printMacro(ObjectType type, Languages Lang) {
    return Lang == Languages::Hebrew ? kindOf(type).printMacro : kindOf(type).printMacroEnglish;
}

// One print procedure: builds the command line and starts the front-end.
void print(const char* procedure, const std::string& macro, const std::string& number, int windowMode) {
    passOn(procedure, [&](Line& line) {
        line(10);
        const std::string cmd = core::frontEndCommandLine(core::macroTail(macro, number));
        line(20);
        core::startFrontEnd(cmd, windowMode);
    });
}

}  // namespace

void PrintInvoice(const std::string& strInvoiceNumber, Languages Lang, bool&) {
    print("modKovrin.PrintInvoice", printMacro(ObjectType::Invoice, Lang),
          strInvoiceNumber, core::WindowNormal);
}

void PrintInvoiceHiyuv(const std::string& strInvoiceNumber, bool& blnDebug) {
    passOn("modKovrin.PrintInvoiceHiyuv", [&](Line& line) {
        line(10);
        const std::string cmd =
            core::frontEndCommandLine(core::macroTail(kindOf(ObjectType::HIYUV).printMacro, strInvoiceNumber));
        line(20);
        if (blnDebug) modUtils::LogDebug("modKovrin.PrintInvoiceHiyuv", "command", Variant(cmd));
        line(30);
        core::startFrontEnd(cmd, blnDebug ? core::WindowNormal : core::WindowMinimizedNoFocus);
    });
}

void PrintInvoiceZikui(const std::string& strInvoiceNumber, bool&) {
    print("modKovrin.PrintInvoiceZikui", kindOf(ObjectType::INVOICE_ZIKUI).printMacro, strInvoiceNumber,
          core::WindowMinimizedNoFocus);
}

void PrintReceipt(const std::string& strReceiptNumber, Languages Lang, bool&) {
    print("modKovrin.PrintReceipt", printMacro(ObjectType::RECEIPT, Lang),
          strReceiptNumber, core::WindowMinimizedNoFocus);
}

void PrintRefund(const std::string& strRefundNumber, bool&) {
    print("modKovrin.PrintRefund", kindOf(ObjectType::REFUND).printMacro, strRefundNumber,
          core::WindowMinimizedNoFocus);
}

void PrintInvoiceKabala(const std::string& strInvoiceNumber, bool&) {
    print("modKovrin.PrintInvoiceKabala", kindOf(ObjectType::INVOICE_KABALA).printMacro, strInvoiceNumber,
          core::WindowMinimizedNoFocus);
}

Variant GetKovrinPrinter(bool& blnDebug) {
    return passOn("modKovrin.GetKovrinPrinter", [&](Line& line) {
        line(10);
        const std::string osekMorshe = GetOsekMorshe(blnDebug);
        line(20);
        clsRegistry reg;
        return reg.GetValue(reg.HKEY_CURRENT_USER(), core::printerKey(osekMorshe), "strDefaultPrinter", Variant(""));
    });
}

}  // namespace kovrin::modKovrin
