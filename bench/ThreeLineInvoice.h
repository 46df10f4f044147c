// The document the invoice benchmarks write: a standard invoice of three lines for customer 4.
#pragma once

#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <memory>

namespace kovrin::bench {

struct Item {
    const char* description;
    double price, quantity;
};
inline constexpr Item Items[] = {{"Consulting hour", 350, 2}, {"Travel", 120.5, 1}, {"Licence", 99.9, 3}};

inline Variant threeLines() {
    VariantArray array(3);
    for (long i = 0; i < 3; ++i) {
        auto line = std::make_shared<LineItem>();
        line->ItemDescription(Items[i].description);
        line->UnitPrice(Currency::fromDouble(Items[i].price));
        line->ItemQuantity(Items[i].quantity);
        line->CurrencyRate(1);
        array(i) = Variant(line);
    }
    return Variant(std::move(array));
}

inline int32_t createInvoice(Kovrin& k, const Variant& lines) {
    double percent = 0, vat = 17;
    Currency rebate;
    bool round = false;
    return k.CreateInvoice(4, Date::now(), "", percent, rebate, round, vat, true, "", 1, InvoiceTypes::INVOICE_TYPE_STD, lines);
}

}  // namespace kovrin::bench
