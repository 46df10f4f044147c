// What late binding adds to a call: GetVatRate (a point read) and a durable CreateInvoice of three
// lines, each called directly in C++ and through the C entry point (create by ProgID, member
// number, variant arguments), in one program on one registered sample installation:
//   build/bench/kovrin_automation_bench
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/automation.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "InvoiceBench.h"

using namespace kovrin;
using kovrin::bench::Items;

namespace {

struct Installation {
    std::filesystem::path dir;
    Installation() {
        dir = std::filesystem::temp_directory_path() / ("kovrin-autobench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        setenv("KOVRIN_REGISTRY_DIR", (dir / "registry").c_str(), 1);
        std::string books = (dir / "books.sqlite").string();
        if (std::system((std::string(KOVRIN_DB_TOOL) + " create '" + books + "' --sample --register >/dev/null").c_str()) ||
            std::system((std::string(KOVRIN_REGSVR) + " register " KOVRIN_SERVER " /dev/null >/dev/null").c_str()))
            std::abort();
    }
    ~Installation() { std::filesystem::remove_all(dir); }
};

Installation& installation() {
    static Installation i;
    return i;
}

// ---- through the C entry point ----------------------------------------------------------------

kovrin_object* create(const char* progid) {
    kovrin_object* o = nullptr;
    if (kovrin_create(progid, &o, nullptr)) std::abort();
    return o;
}

int32_t idOf(kovrin_object* o, const char* name) {
    int32_t id = 0;
    if (kovrin_get_id(o, name, &id, nullptr)) std::abort();
    return id;
}

void put(kovrin_object* o, const char* name, kovrin_variant v) {
    if (kovrin_invoke(o, idOf(o, name), KOVRIN_INVOKE_PROPERTYPUT, &v, 1, nullptr, nullptr)) std::abort();
    kovrin_variant_clear(&v);
}

kovrin_variant number(int32_t type, double x) {
    kovrin_variant v;
    kovrin_variant_init(&v);
    v.type = type;
    if (type == KOVRIN_VT_I4) v.value.i4 = static_cast<int32_t>(x);
    if (type == KOVRIN_VT_R8) v.value.r8 = x;
    if (type == KOVRIN_VT_CY) v.value.cy = static_cast<int64_t>(x * 10000);
    if (type == KOVRIN_VT_DATE) v.value.date = x;
    if (type == KOVRIN_VT_BOOL) v.value.boolean = x != 0;
    return v;
}

kovrin_variant text(const char* s) {
    kovrin_variant v;
    kovrin_variant_init(&v);
    kovrin_variant_set_text(&v, s, std::strlen(s));
    return v;
}

// One member of a KovrinAPI.Kovrin made by ProgID, called again and again with `args`.
struct Member {
    explicit Member(const char* name) : k(create("KovrinAPI.Kovrin")), id(idOf(k, name)) { kovrin_variant_init(&result); }
    ~Member() {
        kovrin_variant_clear(&result);
        kovrin_release(k);
    }
    void call(int32_t flags, kovrin_variant* args = nullptr, size_t count = 0) {
        if (kovrin_invoke(k, id, flags, args, count, &result, nullptr)) std::abort();
    }
    kovrin_object* k;
    int32_t id;
    kovrin_variant result;
};

void DispatchedGetVatRate(benchmark::State& state) {
    installation();
    Member vat("GetVatRate");
    for (auto _ : state) {
        kovrin_variant date = number(KOVRIN_VT_DATE, 46000);
        vat.call(KOVRIN_INVOKE_METHOD, &date, 1);
        benchmark::DoNotOptimize(vat.result.value.r8);
    }
}
BENCHMARK(DispatchedGetVatRate)->Unit(benchmark::kMicrosecond);

void DispatchedCreateInvoice(benchmark::State& state) {
    installation();
    Member invoice("CreateInvoice");
    kovrin_variant lines;
    kovrin_variant_init(&lines);
    kovrin_variant_set_array(&lines, 3, 0);
    for (int i = 0; i < 3; ++i) {
        kovrin_object* line = create("KovrinAPI.LineItem");
        put(line, "ItemDescription", text(Items[i].description));
        put(line, "UnitPrice", number(KOVRIN_VT_CY, Items[i].price));
        put(line, "ItemQuantity", number(KOVRIN_VT_R8, Items[i].quantity));
        put(line, "CurrencyRate", number(KOVRIN_VT_R8, 1));
        lines.value.array.items[i].type = KOVRIN_VT_DISPATCH;
        lines.value.array.items[i].value.object = line;
    }
    for (auto _ : state) {
        kovrin_variant args[12] = {number(KOVRIN_VT_I4, 4), number(KOVRIN_VT_DATE, Date::now().serial()), text(""),
                                   number(KOVRIN_VT_R8, 0), number(KOVRIN_VT_CY, 0), number(KOVRIN_VT_BOOL, 0),
                                   number(KOVRIN_VT_R8, 17), number(KOVRIN_VT_BOOL, 1), text(""),
                                   number(KOVRIN_VT_I4, 1), number(KOVRIN_VT_I4, 1), lines};
        invoice.call(KOVRIN_INVOKE_METHOD, args, 12);
        benchmark::DoNotOptimize(invoice.result.value.i4);
        for (int i = 0; i < 11; ++i) kovrin_variant_clear(&args[i]);  // the lines stay the caller's
    }
    kovrin_variant_clear(&lines);
}
BENCHMARK(DispatchedCreateInvoice)->Unit(benchmark::kMicrosecond);

// The cost of the crossing alone: a property read that does no work of its own.
void DispatchedVersion(benchmark::State& state) {
    installation();
    Member version("Version");
    for (auto _ : state) {
        version.call(KOVRIN_INVOKE_PROPERTYGET);
        benchmark::DoNotOptimize(version.result.value.str.text);
    }
}
BENCHMARK(DispatchedVersion)->Unit(benchmark::kMicrosecond);

// ---- the same calls in C++ --------------------------------------------------------------------

void DirectGetVatRate(benchmark::State& state) {
    installation();
    Kovrin k;
    for (auto _ : state) {
        Date date(46000);
        benchmark::DoNotOptimize(k.GetVatRate(date));
    }
}
BENCHMARK(DirectGetVatRate)->Unit(benchmark::kMicrosecond);

void DirectVersion(benchmark::State& state) {
    installation();
    Kovrin k;
    for (auto _ : state) benchmark::DoNotOptimize(k.Version());
}
BENCHMARK(DirectVersion)->Unit(benchmark::kMicrosecond);

void DirectCreateInvoice(benchmark::State& state) {
    installation();
    Kovrin k;
    const Variant lines = bench::invoiceLines();
    for (auto _ : state) benchmark::DoNotOptimize(bench::createInvoice(k, lines));
}
BENCHMARK(DirectCreateInvoice)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
