// The balance operations of Kovrin.
#include <KovrinAPI/Kovrin.h>

#include "Balances.h"
#include "api/core/Clock.h"
#include "api/core/Operation.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;

double Kovrin::GetCustomerBalanceByID(int32_t iCustomerID, std::optional<bool> blnIncludingInvoicesIska) {
    return logAndPassOn(debugMode_, "Kovrin.GetCustomerBalanceByID", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomerBalanceByID", "iCustomerID", Variant(iCustomerID));
        line(50);
        return modKovrin::GetCustomerBalanceByID(iCustomerID, blnIncludingInvoicesIska.value_or(false), debugMode_);
    });
}

double Kovrin::GetCustomerBalanceByForeignKey(const std::string& strForeignKey, std::optional<bool>) {
    return logAndPassOn(debugMode_, "Kovrin.GetCustomerBalanceByForeignKey", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomerBalanceByForeignKey", "Foreign Key", Variant(strForeignKey));
        return -1.0;
    });
}

std::string Kovrin::GetCustomersBalance(Date datDateTo, std::optional<bool> blnIncludingInvoicesIska,
                                        std::optional<int32_t> lngTimeOutSeconds) {
    const bool iska = blnIncludingInvoicesIska.value_or(false);
    const int32_t timeOut = lngTimeOutSeconds.value_or(20);
    return logAndPassOn(debugMode_, "Kovrin.GetCustomersBalance", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomersBalance",
                 "datDateTo=" + CStr(Variant(datDateTo)) + ", blnIncludingInvoicesIska=" + (iska ? "True" : "False") +
                     ", lngTimeOutSeconds=" + std::to_string(timeOut));
        line(20);
        const std::string computedTo = CStr(GetSystemParameter("qryCustomerBalanceDate"));
        if (datDateTo.shortDate() != computedTo) {
            line(30);
            // The completion stamp is compared with what it was before the refresh. A stamp that
            // was never written reads as the empty text both times (a default of "now" would change
            // by itself within a second and pass for the front-end's answer).
            const std::string stamp = "CustomerBalanceLastDateComputed";
            const std::string before = CStr(GetKovrinRegSetting(stamp, Variant("")));
            RefreshCustomerBalance(datDateTo);
            const int64_t start = core::clock().milliseconds();
            while (true) {
                line(40);
                if (CStr(GetKovrinRegSetting(stamp, Variant(""))) != before) break;
                if (core::wholeSecondsSince(start) > timeOut)
                    raiseError(2679, "Timeout after " + std::to_string(timeOut) + " seconds.");
                core::clock().sleep(1000);
            }
        }
        line(50);
        return modKovrin::GetCustomersBalance(iska, debugMode_);
    });
}

}  // namespace kovrin
