// One business of the bookkeeping database, as GetKovrinBusinessList returns it.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API clsBusinessDetails : public Object {
public:
    int32_t BusinessID() const;
    void BusinessID(int32_t value);
    std::string BusinessName() const;
    void BusinessName(const std::string& value);
    // The licensed-dealer number, kept as text: the setter converts what it is given to text
    // (Null fails with error 94), the getter hands the text back in a variant.
    Variant OsekMorshe() const;
    void OsekMorshe(const Variant& value);

private:
    int32_t businessId_ = 0;
    std::string businessName_;
    std::string osekMorshe_;
};

}  // namespace kovrin
