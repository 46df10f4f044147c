// The invoice the document benchmarks write: three lines for sample customer 4, VAT 17% given.
#pragma once

#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

namespace kovrin::bench {

struct Item {
    const char* description;
    double price, quantity;
};
inline const Item Items[] = {{"Consulting hour", 350, 2}, {"Travel", 120.5, 1}, {"Licence", 99.9, 3}};

inline Variant invoiceLines() {
    VariantArray array(3);
    for (long i = 0; i < 3; ++i) {
        auto line = std::make_shared<LineItem>();
        line->ItemDescription(Items[i].description);
        line->UnitPrice(Currency::fromDouble(Items[i].price));
        line->ItemQuantity(Items[i].quantity);
        line->CurrencyRate(1);
        array(i) = Variant(line);
    }
    return Variant(array);
}

inline int32_t createInvoice(Kovrin& k, const Variant& lines) {
    double percent = 0, vat = 17;
    Currency rebate;
    bool round = false;
    return k.CreateInvoice(4, Date::now(), "", percent, rebate, round, vat, true, "", 1, InvoiceTypes::INVOICE_TYPE_STD,
                           lines);
}

}  // namespace kovrin::bench
