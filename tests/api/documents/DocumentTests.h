// What the document tests share: building line and payment arrays, and reading stored rows back
// as text straight from the database file.
#pragma once

#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/ReceiptLineItem.h>

#include <string>
#include <vector>

#include "platform/db/Database.h"
#include "support/Installation.h"

namespace kovrin::test {

struct L {
    const char* price;
    double quantity;
    double rate = 1;
    bool vat = false;
    const char* currency = "NIS";
    const char* description = "Item";
};

inline Variant lines(const std::vector<L>& specs) {
    VariantArray array(specs.size());
    for (std::size_t i = 0; i < specs.size(); ++i) {
        auto item = std::make_shared<LineItem>();
        item->ItemsID(static_cast<int32_t>(i) + 7);
        item->ItemDescription(specs[i].description);
        item->UnitPrice(Currency::parse(specs[i].price));
        item->ItemQuantity(specs[i].quantity);
        item->CurrencyRate(specs[i].rate);
        item->ChargeVAT(specs[i].vat);
        item->ItemCurrency(specs[i].currency);
        array(static_cast<long>(i)) = Variant(item);
    }
    return Variant(std::move(array));
}

struct P {
    const char* amount;
    const char* branch = "";
    int32_t bank = 0;
    Date checkDate = Date();
};

inline Variant payments(const std::vector<P>& specs) {
    VariantArray array(specs.size());
    for (std::size_t i = 0; i < specs.size(); ++i) {
        auto item = std::make_shared<ReceiptLineItem>();
        item->PaymentTypesID(2);
        item->AccountNumber("12345");
        item->Branch(specs[i].branch);
        item->Bank(specs[i].bank);
        item->Check("C" + std::to_string(i));
        item->CheckDate(specs[i].checkDate);
        item->Amount(Currency::parse(specs[i].amount));
        array(static_cast<long>(i)) = Variant(item);
    }
    return Variant(std::move(array));
}

// Every row of the query, fields joined by "|" (Null as NULL), rows by ";".
inline std::string rowsText(const Installation& inst, const std::string& sql) {
    auto c = std::make_shared<db::Connection>();
    c->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + inst.databasePath() + ";Mode=Read|Write";
    c->Open();
    db::Recordset rs;
    rs.ActiveConnection(c);
    rs.Source = sql;
    rs.Open();
    std::string text;
    for (; !rs.Eof(); rs.MoveNext()) {
        if (!text.empty()) text += ";";
        for (int i = 0; i < rs.FieldCount(); ++i) {
            Variant v = rs.Fields(i);
            text += (i ? "|" : "") + (v.isNull() ? std::string("NULL") : CStr(v));
        }
    }
    rs.Close();
    c->Close();
    return text;
}

// Every row of every document table and the key counters: equal before and after a failed call
// when nothing was written.
inline std::string documentTables(const Installation& inst) {
    std::string all;
    for (const std::string& table : std::vector<std::string>{"UsysInvoices", "InvoiceLines", "InvoiceHiyuv", "InvoiceHiyuvLines", "InvoicesKabala",
                              "InvoiceKabalaLines", "InvoiceKabalaReceiptLines", "InvoicesZikui", "InvoiceZikuiLines",
                              "UsysReceipts", "ReceiptLines", "Refunds", "RefundLines", inst.keyCounters()})
        if (!table.empty()) all += table + ":" + rowsText(inst, "SELECT * FROM " + table) + "\n";
    return all;
}

}  // namespace kovrin::test
