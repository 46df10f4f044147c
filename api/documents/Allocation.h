// Allocation numbers: the Tax Authority's nine-digit number that a tax invoice or invoice-receipt
// to a licensed dealer needs from a threshold on, or the customer cannot deduct its VAT.
//
// A document needs one when it is an invoice (1) or invoice-receipt (7), its VAT amount is above
// 0, its customer snapshot has a licensed-dealer number, and its total before VAT (after rebate
// and rounding, exempt lines included) reaches the threshold in force on its date. Credit
// invoices never need one, and Iska invoices are not tax invoices.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

#include "api/core/Connection.h"

namespace kovrin::modKovrin {

// What AllocationNumberStatus answers.
inline constexpr int32_t AllocationNotNeeded = 0;  // no number needed and none stored
inline constexpr int32_t AllocationMissing = 1;    // needs one and has none
inline constexpr int32_t AllocationPresent = 2;    // has one

// The library's error numbers for allocation numbers.
namespace allocationErrors {
inline constexpr int32_t BadForm = 8401;          // not nine digits
inline constexpr int32_t AlreadySet = 8402;       // the document has another number
inline constexpr int32_t WrongKind = 8403;        // not an invoice or invoice-receipt
inline constexpr int32_t NoProvider = 8404;       // no provider registered
inline constexpr int32_t ProviderNotRun = 8405;   // the provider could not be started
inline constexpr int32_t Refused = 8406;          // the provider refused, with its reason
inline constexpr int32_t BadAnswer = 8407;        // failed, or answered with no valid number
inline constexpr int32_t TimedOut = 8408;         // no answer within the time-out
inline constexpr int32_t MissingNumber = 8409;    // printing or mailing without a needed number
}  // namespace allocationErrors

// Where the provider is registered (the machine hive) and how long it may take.
inline constexpr const char* AllocationKey = "SOFTWARE\\Kovrin\\API";
inline constexpr const char* AllocationProviderValue = "AllocationProvider";
inline constexpr const char* AllocationTimeoutValue = "AllocationTimeoutSeconds";
inline constexpr int32_t DefaultAllocationTimeoutSeconds = 30;

// The threshold (amount before VAT) in force on the date; 0, no requirement, before the first.
Currency GetAllocationThreshold(Date datDate, bool& DebugMode);

// 0, 1 or 2 as above for a stored document; any kind but 1 and 7 answers 0. No such document:
// 8257.
int32_t AllocationNumberStatus(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode);

// Stores the number on the document (kinds 1 and 7, else 8403): nine digits (8401), an existing
// document (8257). Giving the number it already has changes nothing; another number is refused
// (8402), so a number once stored is never lost.
void SetAllocationNumber(int32_t iObjectType, int32_t iDocNumber, const std::string& strAllocationNumber,
                         bool& DebugMode);

// The document's number: the stored one, or else the registered provider's, which is stored and
// returned. The provider's failures (8404 to 8408) leave the document as it was.
std::string RequestAllocationNumber(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode);

// After a new document is stored: when a provider is registered and the document needs a number,
// asks for it. Never fails: the document is stored whatever the provider does, so a failure is
// written to the error table (and the debug log), and the document stays at status 1.
void AllocateNewDocument(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode);

// 8409 when the document needs a number and has none. A document that does not exist passes:
// the front-end reports it.
void RefuseMissingAllocationNumber(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode);

// 8401 unless the text is exactly nine digits (leading zeros allowed).
void CheckAllocationNumber(const std::string& strAllocationNumber);

// Runs create(), which stores a document of the kind and returns its number, and stores the
// allocation number given on it in the same transaction: the document is stored with its number
// or not at all. Without a number, create() alone.
template <class Create>
int32_t CreateWithAllocationNumber(int32_t kind, const std::string& allocationNumber, bool& DebugMode, Create create) {
    if (allocationNumber.empty()) return create();
    OpenConnection(DebugMode);
    try {
        const int32_t number = core::inWriteTransaction([&] {
            const int32_t number = create();
            SetAllocationNumber(kind, number, allocationNumber, DebugMode);
            return number;
        });
        CloseAll();
        return number;
    } catch (...) {
        CloseAll();  // after the rollback
        throw;
    }
}

}  // namespace kovrin::modKovrin
