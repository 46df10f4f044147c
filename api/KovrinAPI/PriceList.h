// PriceList: one price list of the current business, as GetPriceLists returns it.
// A plain property bag; every property starts at 0 or the empty text.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API PriceList : public Object {
public:
    std::string Comments() const { return comments_; }
    void Comments(const std::string& v) { comments_ = v; }
    double ProfitPercent() const { return profitPercent_; }
    void ProfitPercent(double v) { profitPercent_ = v; }
    int32_t ListNum() const { return listNum_; }
    void ListNum(int32_t v) { listNum_ = v; }
    int32_t ListID() const { return listId_; }
    void ListID(int32_t v) { listId_ = v; }

private:
    std::string comments_;
    double profitPercent_ = 0;
    int32_t listNum_ = 0;
    int32_t listId_ = 0;
};

}  // namespace kovrin
