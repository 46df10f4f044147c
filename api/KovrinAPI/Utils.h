// Utils: services for callers of the library: reference-data lookups that take the debug switch as
// an argument, and the library's own settings, kept as text values under "SOFTWARE\Kovrin" in the
// local-machine hive.
#pragma once

#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API Utils : public Object {
public:
    // Reference data of the bookkeeping database, through the library's shared connection and the
    // current BusinessID. DebugMode switches the debug-log entries of the call.

    // Payment types and banks: two-dimensional arrays, (row, 0) the id, (row, 1) the name; an
    // array without elements when there is none.
    Variant GetPaymentTypes(bool DebugMode);
    Variant GetBanks(bool DebugMode);
    // Every currency as "|code;rate", one after another ("|USD;3.95|EUR;4.8"); empty when none.
    std::string GetExchangeRates(bool DebugMode);
    // The currency's rate; 0 when it is unknown or has no rate.
    Currency GetExchangeRate(const std::string& strCurrency, bool DebugMode);
    // The VAT rate (percent, as text) of the latest period starting on or before the date; the
    // empty text when there is none.
    std::string GetVatRate(Date datDate, bool DebugMode);
    // The value of a system parameter of the current business; the empty text when there is none.
    std::string GetSystemParameter(const std::string& strParameterName, bool DebugMode);

    // Stores Value as text under the name strItem; a failed write is skipped silently.
    void SaveKovrinRegSettings(const std::string& strItem, const Variant& Value);
    // The setting strItem as text (a number stored as such comes back in decimal); varDefault,
    // converted to text, when there is none.
    std::string GetKovrinRegSettings(const std::string& strItem, const Variant& varDefault);
};

}  // namespace kovrin
