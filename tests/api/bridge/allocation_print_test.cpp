// Printing and mailing a document that needs an allocation number and has none.
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/clsRegistry.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Checks.h"
#include "support/FakeFrontEnd.h"
#include "support/Installation.h"

namespace kovrin {
namespace {

using test::errorOf;

TEST(AllocationNumbers, ArePrintedOrMailedOnlyWhenPresentUnlessTheCallerGoesOnWithout) {
    test::Installation inst;
    test::FakeFrontEnd frontEnd;
    Kovrin k;
    auto oneLine = [](const char* price) {
        auto item = std::make_shared<LineItem>();
        item->ItemDescription("Work");
        item->UnitPrice(Currency::parse(price));
        item->ItemQuantity(1);
        item->CurrencyRate(1);
        VariantArray items(1);
        items(0) = Variant(item);
        return Variant(std::move(items));
    };
    const Date date = Date::fromCalendar(2026, 7, 1);
    double percent = 0, vat = 18;
    Currency amount, total, net;
    bool round = false;
    auto invoice = [&](const char* price) {
        vat = 18;  // it comes back as the fraction applied
        return k.CreateInvoice(4, date, "", percent, amount, round, vat, true, "", 1, InvoiceTypes::INVOICE_TYPE_STD,
                               oneLine(price));
    };
    const int32_t big = invoice("9000"), small = invoice("90"), numbered = invoice("9000");
    k.SetAllocationNumber(ObjectType::Invoice, numbered, "123456789");
    vat = 18;
    const int32_t kabala = k.CreateInvoiceKabala(4, date, "", percent, amount, round, vat, true, "", 1,
                                                 oneLine("9000"), total, Currency(), net, Variant());
    auto mail = [&](ObjectType kind, int32_t number) {
        k.SendDocByMail(number, kind, "Doc", "office@kovrin.example", "Office", "x@example.com", "", "", "<p>doc</p>");
    };

    struct Refused {
        const char* name;
        std::function<void()> call;
        std::string source;
    } refused[] = {
        {"print", [&] { k.PrintInvoice(big); }, "Kovrin.PrintInvoice[40]\\modKovrin.RefuseMissingAllocationNumber[20]\\"},
        {"print in English", [&] { k.PrintInvoice(big, Languages::English); }, "Kovrin.PrintInvoice[40]\\modKovrin.RefuseMissingAllocationNumber[20]\\"},
        {"print invoice-receipt", [&] { k.PrintInvoiceKabala(kabala); },
         "Kovrin.PrintInvoiceKabala[40]\\modKovrin.RefuseMissingAllocationNumber[20]\\"},
        {"mail", [&] { mail(ObjectType::Invoice, big); }, "Kovrin.SendDocByMail[20]\\modKovrin.RefuseMissingAllocationNumber[20]\\"},
        {"mail invoice-receipt", [&] { mail(ObjectType::INVOICE_KABALA, kabala); },
         "Kovrin.SendDocByMail[20]\\modKovrin.RefuseMissingAllocationNumber[20]\\"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        const Error e = errorOf(r.call);
        EXPECT_EQ(e.number(), 8409);
        EXPECT_THAT(e.description(), ::testing::HasSubstr("needs an allocation number and has none"));
        EXPECT_EQ(e.source(), r.source);
    }
    EXPECT_FALSE(frontEnd.startedWithin(std::chrono::milliseconds(200)));
    // Mailing was refused before the PDF printer was set up.
    clsRegistry reg;
    EXPECT_EQ(CStr(reg.GetValue(reg.HKEY_CURRENT_USER(), "Software\\FinePrint Software\\pdfFactory3", "OutputFile",
                                Variant("unset"))),
              "unset");

    // Printed: a document with its number, one that needs none, one that does not exist (the
    // front-end reports that), and, when the caller says so, one without its number.
    struct Printed {
        std::function<void()> call;
        std::string tail;
    } printed[] = {
        {[&] { k.PrintInvoice(numbered); }, "/x apiPrintInvoice /cmd " + std::to_string(numbered)},
        {[&] { k.PrintInvoice(small); }, "/x apiPrintInvoice /cmd " + std::to_string(small)},
        {[&] { k.PrintInvoice(4444); }, "/x apiPrintInvoice /cmd 4444"},
        {[&] { k.AllowMissingAllocationNumber(true); k.PrintInvoice(big); }, "/x apiPrintInvoice /cmd " + std::to_string(big)},
        {[&] { k.PrintInvoiceKabala(kabala); }, "/x apiPrintInvoiceKabala /cmd " + std::to_string(kabala)},
    };
    for (const auto& p : printed) {
        p.call();
        EXPECT_THAT(frontEnd.next().cmdline, ::testing::EndsWith(p.tail));
    }
    EXPECT_TRUE(k.AllowMissingAllocationNumber());
    EXPECT_FALSE(Kovrin().AllowMissingAllocationNumber());  // each object decides for itself
}

}  // namespace
}  // namespace kovrin
