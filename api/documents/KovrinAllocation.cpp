// The allocation-number operations of Kovrin: each logs its entry and calls its data procedure.
#include <KovrinAPI/Kovrin.h>

#include "Allocation.h"
#include "api/core/Operation.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;

Currency Kovrin::GetAllocationThreshold(Date datDate) {
    return logAndPassOn(debugMode_, "Kovrin.GetAllocationThreshold", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetAllocationThreshold", "datDate", Variant(datDate));
        if (datDate.isZero()) datDate = Date::today();
        line(50);
        return modKovrin::GetAllocationThreshold(datDate, debugMode_);
    });
}

void Kovrin::SetAllocationNumber(ObjectType iObjectType, int32_t iDocNumber, const std::string& strAllocationNumber) {
    logAndPassOn(debugMode_, "Kovrin.SetAllocationNumber", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.SetAllocationNumber", "iDocNumber", Variant(iDocNumber));
        line(50);
        modKovrin::SetAllocationNumber(static_cast<int32_t>(iObjectType), iDocNumber, strAllocationNumber, debugMode_);
    });
}

std::string Kovrin::RequestAllocationNumber(ObjectType iObjectType, int32_t iDocNumber) {
    return logAndPassOn(debugMode_, "Kovrin.RequestAllocationNumber", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.RequestAllocationNumber", "iDocNumber", Variant(iDocNumber));
        line(50);
        return modKovrin::RequestAllocationNumber(static_cast<int32_t>(iObjectType), iDocNumber, debugMode_);
    });
}

int32_t Kovrin::AllocationNumberStatus(ObjectType iObjectType, int32_t iDocNumber) {
    return logAndPassOn(debugMode_, "Kovrin.AllocationNumberStatus", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.AllocationNumberStatus", "iDocNumber", Variant(iDocNumber));
        line(50);
        return modKovrin::AllocationNumberStatus(static_cast<int32_t>(iObjectType), iDocNumber, debugMode_);
    });
}

bool Kovrin::AllowMissingAllocationNumber() const { return allowMissingAllocationNumber_; }
void Kovrin::AllowMissingAllocationNumber(bool value) { allowMissingAllocationNumber_ = value; }

}  // namespace kovrin
