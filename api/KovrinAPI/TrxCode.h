// TrxCode: one transaction code of the current business, as GetTrxCodes returns it.
// A plain property bag; every property starts at 0 or the empty text.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API TrxCode : public Object {
public:
    int32_t TrxCodesID() const { return trxCodesId_; }
    void TrxCodesID(int32_t v) { trxCodesId_ = v; }
    // The code's number as the bookkeeping uses it (2 is receipts). The automation interface calls
    // this property TrxCode; C++ does not allow a member named like its class, so here it carries
    // the name the transaction-code XML gives the same value.
    int32_t TrxCodeNumber() const { return trxCode_; }
    void TrxCodeNumber(int32_t v) { trxCode_ = v; }
    std::string TrxCodeDescription() const { return description_; }
    void TrxCodeDescription(const std::string& v) { description_ = v; }
    int32_t PLCodesID() const { return plCodesId_; }
    void PLCodesID(int32_t v) { plCodesId_ = v; }

private:
    int32_t trxCodesId_ = 0;
    int32_t trxCode_ = 0;
    std::string description_;
    int32_t plCodesId_ = 0;
};

}  // namespace kovrin
