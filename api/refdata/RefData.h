// The reference-data procedures: transaction codes, price lists, items, banks and payment types of
// the bookkeeping database, and time bills. Each opens the shared connection, reads or writes, and
// ends with CloseAll. Everything but banks and payment types (shared by all businesses) is scoped
// to the current business.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::modKovrin {

// An array of TrxCode, index 0 to n - 1; an array without elements when the business has none.
Variant GetTrxCodes(bool& blnDebug);
// "<Kovrin>" CR LF, the TrxCodes document, CR LF, "</Kovrin>" CR LF.
std::string GetTrxCodesXML(bool& blnDebug);
// Arrays of PriceList and Item, or Empty when the business has none.
Variant GetPriceLists(bool& blnDebug);
Variant GetItemsLists(bool& blnDebug);
// Two-dimensional arrays (row, 0 = id, 1 = name); an array without elements when there is none.
Variant GetBanks(bool& blnDebug);
Variant GetPaymentTypes(bool& blnDebug);

// Writes one time bill, replacing the bill of the same (non-empty) appointment, and returns its key.
// A rate or currency left out is taken from the customer. The currency is checked before anything
// is written, and the replacement is one transaction: nothing is deleted unless the new row is in.
int32_t CreateTimeBill(int32_t iCustomersID, Date datStart, Date datEnd, const std::string& strDescription,
                       const std::string& strAppointmentID, const std::string& iInvoiceNumber,
                       const std::optional<Currency>& curRate, const std::optional<std::string>& strCurrency,
                       bool& blnDebug);

}  // namespace kovrin::modKovrin
