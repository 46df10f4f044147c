// The reference-data and time-bill operations of Kovrin: each logs its entry and calls its data
// procedure or a new Utils object on line 50.
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/Utils.h>

#include "RefData.h"
#include "api/core/Operation.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;
using core::passOnLocked;

Variant Kovrin::GetTrxCodes() {
    return logAndPassOn(debugMode_, "Kovrin.GetTrxCodes", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetTrxCodes");
        line(50);
        return modKovrin::GetTrxCodes(debugMode_);
    });
}

std::string Kovrin::GetTrxCodesXML() {
    return logAndPassOn(debugMode_, "Kovrin.GetTrxCodesXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetTrxCodesXML");
        line(50);
        return modKovrin::GetTrxCodesXML(debugMode_);
    });
}

Variant Kovrin::GetPriceLists() {
    return logAndPassOn(debugMode_, "Kovrin.GetPriceLists", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetPriceLists");
        line(50);
        return modKovrin::GetPriceLists(debugMode_);
    });
}

Variant Kovrin::GetItems() {
    return logAndPassOn(debugMode_, "Kovrin.GetItems", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetItems");
        line(50);
        return modKovrin::GetItemsLists(debugMode_);
    });
}

Variant Kovrin::GetBanks() {
    return logAndPassOn(debugMode_, "Kovrin.GetBanks", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetBanks");
        line(50);
        return Utils().GetBanks(debugMode_);
    });
}

Variant Kovrin::GetPaymentTypes() {
    return logAndPassOn(debugMode_, "Kovrin.GetPaymentTypes", [&](Line& line) {
        line(50);  // no entry log of its own
        return Utils().GetPaymentTypes(debugMode_);
    });
}

std::string Kovrin::GetExchangeRates() {
    return logAndPassOn(debugMode_, "Kovrin.GetExchangeRates", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetExchangeRates");
        line(50);
        return Utils().GetExchangeRates(debugMode_);
    });
}

Currency Kovrin::GetExchangeRate(const std::string& strCurrency) {
    return logAndPassOn(debugMode_, "Kovrin.GetExchangeRate", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetExchangeRate", "strCurrency", Variant(strCurrency));
        line(50);
        return Utils().GetExchangeRate(strCurrency, debugMode_);
    });
}

double Kovrin::GetVatRate(Date& datDate) {
    return passOnLocked("Kovrin.GetVatRate", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetVatRate", "datDate", Variant(datDate));
        line(40);
        if (datDate.isZero()) datDate = Date::today();  // the caller's variable receives today
        line(50);
        // No period on or before the date gives the empty text: type mismatch.
        double rate = CDbl(Variant(Utils().GetVatRate(datDate, debugMode_)));
        line(60);
        logEntry(debugMode_, "Kovrin.GetVatRate", "GetVatRate", Variant(rate));
        return rate;
    });
}

double Kovrin::GetVatRate() {
    Date datDate;  // no date: today's rate
    return GetVatRate(datDate);
}

Variant Kovrin::GetSystemParameter(const std::string& strParameterName) {
    return logAndPassOn(debugMode_, "Kovrin.GetSystemParameter", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetSystemParameter", "strParameterName", Variant(strParameterName));
        line(50);
        std::string value = Utils().GetSystemParameter(strParameterName, debugMode_);
        line(60);
        logEntry(debugMode_, "Kovrin.GetSystemParameter", "Parameter Value", Variant(value));
        return Variant(value);
    });
}

int32_t Kovrin::CreateTimeBill(int32_t iCustomersID, Date datStart, Date datEnd, const std::string& strDescription,
                               const std::string& strAppointmentID, const std::string& iInvoiceNumber,
                               std::optional<Currency> curRate, std::optional<std::string> strCurrency) {
    return logAndPassOn(debugMode_, "Kovrin.CreateTimeBill", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateTimeBill");
        line(50);
        return modKovrin::CreateTimeBill(iCustomersID, datStart, datEnd, strDescription, strAppointmentID,
                                         iInvoiceNumber, curRate, strCurrency, debugMode_);
    });
}

}  // namespace kovrin
