// Starting the bookkeeping front-end: the command line it is given, the start itself, the print
// procedures behind the Print operations, the per-business printer setting, and the value query
// that the balance operations use.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/Enums.h>
#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::core {

// Window modes of a started program: normal with focus, minimised with focus, minimised without.
inline constexpr int WindowNormal = 1;
inline constexpr int WindowMinimized = 2;
inline constexpr int WindowMinimizedNoFocus = 6;

// AccessPath, a blank, KovrinPath in double quotes, then `tail` with nothing between.
std::string frontEndCommandLine(const std::string& tail = {});
// "/x " + macro + " /cmd " + argument.
std::string macroTail(const std::string& macro, const std::string& argument);

// Starts the command line (split by the desktop rules, see platform/process) without waiting for
// it. The window mode reaches the program in KOVRIN_WINDOW_MODE and the command line itself, as one
// text, in KOVRIN_COMMAND_LINE. A program that does not exist fails at once with 53 "File not
// found"; one that may not be run with 70 "Permission denied". No source name: the error reaches
// the caller's handler unchanged.
void startFrontEnd(const std::string& commandLine, int windowMode);

// The key under HKEY_CURRENT_USER that holds the front-end's default printer of a business.
std::string printerKey(const std::string& osekMorshe);

}  // namespace kovrin::core

namespace kovrin::modKovrin {

// The procedures behind the Print operations; the number is the document number's decimal text.
void PrintInvoice(const std::string& strInvoiceNumber, Languages Lang, bool& blnDebug);
void PrintInvoiceHiyuv(const std::string& strInvoiceNumber, bool& blnDebug);
void PrintInvoiceZikui(const std::string& strInvoiceNumber, bool& blnDebug);
void PrintReceipt(const std::string& strReceiptNumber, Languages Lang, bool& blnDebug);
void PrintRefund(const std::string& strRefundNumber, bool& blnDebug);
void PrintInvoiceKabala(const std::string& strInvoiceNumber, bool& blnDebug);

// The current business's default printer of the front-end; the empty text when none is set.
Variant GetKovrinPrinter(bool& blnDebug);

}  // namespace kovrin::modKovrin

namespace kovrin::modAccess {

// The first field of the first row of strSQL, evaluated on the database file strDB. The query runs
// on a connection of its own, so the shared connection and recordset are left as they are. No row:
// error 3021.
Variant GetAccessValue(const std::string& strDB, const std::string& strSQL, bool blnClose, bool& blnDebug);

}  // namespace kovrin::modAccess
