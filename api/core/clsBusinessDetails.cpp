#include <KovrinAPI/clsBusinessDetails.h>
#include <KovrinAPI/runtime/Procedure.h>

namespace kovrin {

int32_t clsBusinessDetails::BusinessID() const {
    return passOn("clsBusinessDetails.BusinessID", [&](Line& line) { line(10); return businessId_; });
}

void clsBusinessDetails::BusinessID(int32_t value) {
    passOn("clsBusinessDetails.BusinessID", [&](Line& line) { line(10); businessId_ = value; });
}

std::string clsBusinessDetails::BusinessName() const {
    return passOn("clsBusinessDetails.BusinessName", [&](Line& line) { line(10); return businessName_; });
}

void clsBusinessDetails::BusinessName(const std::string& value) {
    passOn("clsBusinessDetails.BusinessName", [&](Line& line) { line(10); businessName_ = value; });
}

Variant clsBusinessDetails::OsekMorshe() const {
    return passOn("clsBusinessDetails.OsekMorshe", [&](Line& line) { line(10); return Variant(osekMorshe_); });
}

void clsBusinessDetails::OsekMorshe(const Variant& value) {
    passOn("clsBusinessDetails.OsekMorshe", [&](Line& line) {
        line(10);
        osekMorshe_ = CStr(value);  // Null: invalid use of Null
    });
}

}  // namespace kovrin
