// Item: one catalogue item of the current business, as GetItems returns it.
// A plain property bag; every property starts at 0 or the empty text.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API Item : public Object {
public:
    int32_t ItemsID() const { return itemsId_; }
    void ItemsID(int32_t v) { itemsId_ = v; }
    std::string ItemDescription() const { return description_; }
    void ItemDescription(const std::string& v) { description_ = v; }
    std::string CatalogNumber() const { return catalogNumber_; }
    void CatalogNumber(const std::string& v) { catalogNumber_ = v; }
    std::string ItemName() const { return name_; }
    void ItemName(const std::string& v) { name_ = v; }

private:
    int32_t itemsId_ = 0;
    std::string description_;
    std::string catalogNumber_;
    std::string name_;
};

}  // namespace kovrin
