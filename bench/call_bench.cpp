// The C++ side of bench/python_bench.py: GetVatRate and a durable CreateInvoice of three lines
// through the C++ interface, on the installation registered in the registry store the script
// prepares. Run alone it uses whatever installation is registered:
//   build/bench/kovrin_call_bench --benchmark_format=json
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <benchmark/benchmark.h>

using namespace kovrin;

namespace {

void CppGetVatRate(benchmark::State& state) {
    Kovrin k;
    for (auto _ : state) {
        Date day = Date::fromCalendar(2013, 7, 1);
        benchmark::DoNotOptimize(k.GetVatRate(day));
    }
}
BENCHMARK(CppGetVatRate);

void CppCreateInvoice(benchmark::State& state) {
    Kovrin k;
    struct Item {
        const char* description;
        const char* price;
        double quantity;
    };
    const Item items[] = {{"Consulting hour", "350", 2}, {"Travel", "120.5", 1}, {"Licence", "99.9", 3}};
    VariantArray array(3);
    for (long i = 0; i < 3; ++i) {
        auto line = std::make_shared<LineItem>();
        line->ItemDescription(items[i].description);
        line->UnitPrice(Currency::parse(items[i].price));
        line->ItemQuantity(items[i].quantity);
        line->CurrencyRate(1);
        array(i) = Variant(line);
    }
    const Variant lines(array);
    for (auto _ : state) {
        double percent = 0, vat = 17;
        Currency rebate;
        bool round = false;
        benchmark::DoNotOptimize(k.CreateInvoice(1, Date::fromCalendar(2026, 12, 8), "", percent, rebate, round, vat,
                                                 true, "", 1, InvoiceTypes::INVOICE_TYPE_STD, lines));
    }
}
BENCHMARK(CppCreateInvoice)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
