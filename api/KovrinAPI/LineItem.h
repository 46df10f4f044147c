// LineItem: one goods line of an invoice, as callers fill it in and as retrieval hands it back.
// A plain property bag; nothing is checked on assignment.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API LineItem : public Object {
public:
    // Catalogue item key; a new line names item 1.
    int32_t ItemsID() const { return itemsId_; }
    void ItemsID(int32_t v) { itemsId_ = v; }
    std::string ItemDescription() const { return itemDescription_; }
    void ItemDescription(const std::string& v) { itemDescription_ = v; }
    // Price of one unit in the line's currency.
    Currency UnitPrice() const { return unitPrice_; }
    void UnitPrice(Currency v) { unitPrice_ = v; }
    double ItemQuantity() const { return itemQuantity_; }
    void ItemQuantity(double v) { itemQuantity_ = v; }
    // Unit price x quantity x currency rate in local money, computed on each read and rounded to
    // four places (halves to even): 10.00 x 3 at rate 1 is 30, 0.3333 x 3 is 0.9999. A new line's
    // rate is 0, so its extended price is 0 until the rate is set.
    Currency ExtendedPrice() const {
        return Currency::fromDouble(unitPrice_.toDouble() * itemQuantity_ * currencyRate_);
    }
    // Currency name ("NIS", "USD", ...); a new line is in "NIS".
    std::string ItemCurrency() const { return itemCurrency_; }
    void ItemCurrency(const std::string& v) { itemCurrency_ = v; }
    // Rate of the line's currency in local money (1 for "NIS").
    double CurrencyRate() const { return currencyRate_; }
    void CurrencyRate(double v) { currencyRate_ = v; }
    bool ChargeVAT() const { return chargeVat_; }
    void ChargeVAT(bool v) { chargeVat_ = v; }

private:
    int32_t itemsId_ = 1;
    std::string itemDescription_;
    Currency unitPrice_;
    double itemQuantity_ = 0;
    std::string itemCurrency_ = "NIS";
    double currencyRate_ = 0;
    bool chargeVat_ = false;
};

}  // namespace kovrin
