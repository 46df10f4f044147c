// Pieces the document procedures share: the records of a caller's line array, the key of a
// document row, and the payment-line statement with its cleaned bank details.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/ReceiptLineItem.h>
#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::modKovrinBase {

// The records of a zero-based array (none for Empty). Null elements and empty object references
// are skipped; so is any element that is not an object when skipNonObjects is set. Anything else
// that is not a record of the class fails with 13 (type mismatch), as does a value that is neither
// Empty nor an array.
template <class Record>
std::vector<std::shared_ptr<Record>> records(const Variant& items, bool skipNonObjects) {
    std::vector<std::shared_ptr<Record>> result;
    if (items.isEmpty()) return result;
    const VariantArray& array = items.array();
    for (long i = 0; i <= array.ubound(); ++i) {
        const Variant& element = array(i);
        if (element.isNull()) continue;
        if (!element.isObject()) {
            if (skipNonObjects) continue;
            raiseError(err::TypeMismatch);
        }
        ObjectRef object = element.object();
        if (!object) continue;
        auto record = std::dynamic_pointer_cast<Record>(object);
        if (!record) raiseError(err::TypeMismatch);
        result.push_back(std::move(record));
    }
    return result;
}

inline std::vector<std::shared_ptr<LineItem>> lineItems(const Variant& items) { return records<LineItem>(items, false); }

// The first column of the first row of the query, as a whole number (the key of a document row).
int32_t documentKey(const std::string& sql);

// The insert of one payment line: the branch is dropped when it reads as the number 0 (so "",
// "0" and "000" all give NULL; a branch that is not a whole number fails with 13), the bank is
// NULL when it is 0.
std::string paymentLineInsert(const std::string& table, int32_t documentKey, int32_t paymentTypesId,
                              const std::string& accountNumber, const std::string& branch, int32_t bank,
                              const std::string& check, Date checkDate, Currency amount);

}  // namespace kovrin::modKovrinBase
