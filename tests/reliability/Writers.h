// Every operation of the library that writes, as one table the reliability tests walk: how to call
// it with a tag the test can find again, where its row and its number are stored, and what makes a
// stored row whole. The checks compare what callers were told with what the database holds.
#pragma once

#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/runtime/Error.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/documents/DocumentTests.h"

namespace kovrin::test {

struct Writer {
    const char* name;
    const char* table;     // the header row each call stores (alias h in `broken`)
    const char* returned;  // the column holding what the call returns
    const char* numbered;  // the column numbered one after another
    const char* tag;       // the column that keeps the caller's tag
    std::string broken;    // true for a stored row that is not whole
    std::function<int32_t(Kovrin&, const std::string& tag)> create;
    // The numbered column is the row's key, which the engine gives: a server's key sequence is not
    // rolled back, so a call that stored nothing may leave a gap there (never a repeat).
    bool numberedByKey = false;
};

namespace writers {

// Goods lines: 100 x 1 and 25.5 x 2, payments 100 and 60. Totals are compared without sign, since
// a credit invoice keeps positive header totals over negative lines.
inline std::string invoiceBroken(const std::string& lines) {
    const std::string of = " FROM " + lines + " l WHERE l.iInvoicesID = h.iInvoicesID)), 4)";
    return "(SELECT COUNT(*) FROM " + lines + " l WHERE l.iInvoicesID = h.iInvoicesID) <> 2" +
           " OR ROUND(ABS(h.curTotal1 + h.curTotalNoVat), 4) <> ROUND(ABS((SELECT SUM(l.curExtendedPrice)" + of +
           " OR ROUND(ABS(h.curVat), 4) <> ROUND(ABS((SELECT SUM(l.curLineVat)" + of +
           " OR ROUND(h.curGrandTotal, 4) <> ROUND(h.curTotalBeforeVat + h.curVat, 4)";
}
// Money is stored as doubles, so sums are compared at the four places money has.
inline std::string paymentsBroken(const std::string& lines, const std::string& key) {
    const std::string of = " FROM " + lines + " p WHERE p.iReceiptsID = h." + key + ")";
    return "(SELECT COUNT(*)" + of + " <> 2 OR ROUND(h.curNetPmt, 4) <> ROUND((SELECT SUM(p.curAmount)" + of +
           ", 4) OR ROUND(h.curTotal, 4) <> ROUND(h.curNetPmt + h.curTax, 4)";
}

inline Variant goods() { return lines({{"100", 1}, {"25.5", 2}}); }
inline Variant money() { return payments({{"100"}, {"60"}}); }

// An invoice of the kind `call` creates (CreateInvoice, CreateInvoiceIska, ...), commented with the tag.
template <class Call>
int32_t invoice(Kovrin& k, const std::string& tag, Call call) {
    double percent = 0, vat = 17;
    Currency rebate;
    bool round = false;
    return call(k, tag, percent, rebate, round, vat);
}

// Every other invoice and receipt is created from XML text: the same document, the same checks.
inline bool byXml(const std::string& tag) { return std::hash<std::string>()(tag) % 2 == 1; }
inline std::string invoiceXml(const std::string& tag) {
    return "<Kovrin><Document type=\"Invoice\"><CustomerID>1</CustomerID><DocComments>" + tag +
           "</DocComments><TrxCodesID>1</TrxCodesID><VAT>17</VAT><ChargeVAT>True</ChargeVAT>"
           "<InvoiceType>1</InvoiceType><LineItems>"
           "<LineItem><ItemDescription>Item</ItemDescription><UnitPrice>100</UnitPrice><ItemQuantity>1</ItemQuantity>"
           "<CurrencyRate>1</CurrencyRate></LineItem>"
           "<LineItem><ItemDescription>Item</ItemDescription><UnitPrice>25.5</UnitPrice><ItemQuantity>2</ItemQuantity>"
           "<CurrencyRate>1</CurrencyRate></LineItem></LineItems></Document></Kovrin>";
}
inline std::string receiptXml(const std::string& tag) {
    return "<Kovrin><CustomerID>2</CustomerID><Tax>0</Tax><Details>" + tag +
           "</Details><ReceiptLineItems>"
           "<ReceiptLineItem><PaymentTypesID>2</PaymentTypesID><Amount>100</Amount></ReceiptLineItem>"
           "<ReceiptLineItem><PaymentTypesID>2</PaymentTypesID><Amount>60</Amount></ReceiptLineItem>"
           "</ReceiptLineItems></Kovrin>";
}

}  // namespace writers

inline const std::vector<Writer>& allWriters() {
    using namespace writers;
    static const std::vector<Writer> all = {
        {"invoice", "UsysInvoices", "iInvoiceNumber", "iInvoiceNumber", "vcComments", invoiceBroken("InvoiceLines"),
         [](Kovrin& k, const std::string& tag) {
             if (byXml(tag)) return k.CreateInvoiceXML(invoiceXml(tag));
             return invoice(k, tag, [](Kovrin& k, auto& tag, auto& p, auto& r, auto& round, auto& vat) {
                 return k.CreateInvoice(1, Date::today(), tag, p, r, round, vat, true, "", 1,
                                        InvoiceTypes::INVOICE_TYPE_STD, goods());
             });
         }},
        {"Iska invoice", "InvoiceHiyuv", "iInvoiceNumber", "iInvoiceNumber", "vcComments",
         invoiceBroken("InvoiceHiyuvLines"),
         [](Kovrin& k, const std::string& tag) {
             return invoice(k, tag, [](Kovrin& k, auto& tag, auto& p, auto& r, auto& round, auto& vat) {
                 return k.CreateInvoiceIska(1, Date::today(), tag, p, r, round, vat, true, "", 1,
                                            InvoiceTypes::INVOICE_TYPE_STD, goods());
             });
         }},
        {"credit invoice", "InvoicesZikui", "iInvoiceNumber", "iInvoiceNumber", "vcComments",
         invoiceBroken("InvoiceZikuiLines"),
         [](Kovrin& k, const std::string& tag) {
             return invoice(k, tag, [](Kovrin& k, auto& tag, auto& p, auto& r, auto& round, auto& vat) {
                 return k.CreateInvoiceZikui(1, Date::today(), tag, p, r, round, vat, true, "", 1, 1, goods());
             });
         }},
        {"receipt", "UsysReceipts", "iReceiptNumber", "iReceiptNumber", "vcDetails",
         paymentsBroken("ReceiptLines", "iReceiptsID"),
         [](Kovrin& k, const std::string& tag) {
             if (byXml(tag)) return k.CreateReceiptXML(receiptXml(tag));
             Currency total, net;
             return k.CreateReceipt(2, Date::today(), total, Currency(0), net, tag, "", money());
         }},
        {"refund", "Refunds", "iReceiptNumber", "iReceiptNumber", "vcDetails", paymentsBroken("RefundLines", "iReceiptsID"),
         [](Kovrin& k, const std::string& tag) {
             Currency total;
             return k.CreateRefund(2, Date::today(), total, tag, money());
         }},
        {"invoice-receipt", "InvoicesKabala", "iInvoiceNumber", "iInvoiceNumber", "vcComments",
         invoiceBroken("InvoiceKabalaLines") + " OR " + paymentsBroken("InvoiceKabalaReceiptLines", "iInvoicesID"),
         [](Kovrin& k, const std::string& tag) {
             return invoice(k, tag, [](Kovrin& k, auto& tag, auto& p, auto& r, auto& round, auto& vat) {
                 Currency total, net;
                 return k.CreateInvoiceKabala(3, Date::today(), tag, p, r, round, vat, true, "", 1, goods(), total,
                                              Currency(0), net, money());
             });
         }},
        {"customer", "Customers", "iCustomersID", "iCustomerNumber", "vcForeignKey", "h.vcBusinessName <> h.vcForeignKey",
         [](Kovrin& k, const std::string& tag) {
             return k.CreateCustomer(tag, "", "", "", "", "", "", "", "", "", "", "", "", Currency(0), "", "", 0, 1,
                                     Currency(0), "NIS", tag);
         }},
        {"time bill", "TimeBills", "iTimeBillsID", "iTimeBillsID", "nvcDescription", "h.fltHours <> 1.5",
         [](Kovrin& k, const std::string& tag) {
             return k.CreateTimeBill(1, Date::fromCalendar(2024, 5, 1, 9, 0), Date::fromCalendar(2024, 5, 1, 10, 30), tag, "", "", Currency(100), std::string("NIS"));
         },
         true},
    };
    return all;
}

// What one call was told: the writer (index in allWriters), the caller's tag, the number returned.
struct Told {
    std::size_t writer;
    std::string tag;
    int32_t number;
};

inline std::string toldLine(std::size_t writer, const std::string& tag, int32_t number) {
    return std::to_string(writer) + " " + tag + " " + std::to_string(number) + "\n";
}

inline std::vector<Told> parseTold(const std::string& text) {
    std::vector<Told> told;
    std::istringstream in(text);
    Told t;
    while (in >> t.writer >> t.tag >> t.number) told.push_back(t);
    return told;
}

// A size of the run: the environment variable when set, else the CI default.
inline int sizeFromEnv(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// The database holds every document the callers were told of, under the number they were told,
// whole, numbered without a gap or a repeat; `exact`: and nothing else with a test tag.
inline void expectStoredAsTold(const Installation& inst, const std::vector<Told>& told, bool exact) {
    if (!Installation::onServer()) {
        EXPECT_EQ(rowsText(inst, "SELECT * FROM pragma_integrity_check"), "ok");
    }
    for (std::size_t w = 0; w < allWriters().size(); ++w) {
        const Writer& wr = allWriters()[w];
        SCOPED_TRACE(wr.name);
        const std::string mine = std::string(" FROM ") + wr.table + " h WHERE h." + wr.tag + " LIKE 'rel-%'";
        std::map<std::string, std::string> stored;
        std::istringstream rows(rowsText(inst, std::string("SELECT h.") + wr.tag + ", h." + wr.returned + mine));
        for (std::string row; std::getline(rows, row, ';');)
            stored[row.substr(0, row.find('|'))] = row.substr(row.find('|') + 1);
        std::size_t count = 0;
        for (const Told& t : told) {
            if (t.writer != w) continue;
            ++count;
            EXPECT_EQ(stored[t.tag], std::to_string(t.number)) << t.tag << " was told " << t.number;
        }
        if (exact) {
            EXPECT_EQ(stored.size(), count);
        }
        if (stored.empty()) continue;
        const std::string n = std::string("h.") + wr.numbered;
        const bool gapsAllowed = wr.numberedByKey && Installation::onServer();
        EXPECT_EQ(rowsText(inst, "SELECT CASE WHEN COUNT(*) = COUNT(DISTINCT " + n + ")" +
                                     (gapsAllowed ? "" : " AND COUNT(*) = MAX(" + n + ") - MIN(" + n + ") + 1") +
                                     " THEN 1 ELSE 0 END" + mine),
                  "1")
            << "numbers repeated or missing";
        EXPECT_EQ(rowsText(inst, "SELECT COUNT(*)" + mine + " AND (" + wr.broken + ")"), "0")
            << "documents not whole, the first: " << rowsText(inst, "SELECT h.*" + mine + " AND (" + wr.broken + ") LIMIT 1");
    }
}

// What an attempt gave: the number returned, or the error's number and description.
inline std::string attempt(Kovrin& k, const Writer& w, const std::string& tag, int32_t* number = nullptr) {
    try {
        int32_t n = w.create(k, tag);
        if (number) *number = n;
        return "stored " + std::to_string(n);
    } catch (const Error& e) {
        return std::to_string(e.number()) + " " + e.description();
    }
}

}  // namespace kovrin::test
