// Benchmarks of the library against a real database file in a private folder:
//   build/bench/kovrin_bench [--benchmark_filter=...]
#include <KovrinAPI/Kovrin.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/db/JetDialect.h"

using namespace kovrin;

namespace {

// A sample database registered in a private registry folder, made once for the whole run.
struct Installation {
    std::filesystem::path dir;
    Installation() {
        dir = std::filesystem::temp_directory_path() / ("kovrin-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        setenv("KOVRIN_REGISTRY_DIR", (dir / "registry").c_str(), 1);
        std::string cmd = std::string(KOVRIN_DB_TOOL) + " create '" + (dir / "books.sqlite").string() +
                          "' --sample --register >/dev/null";
        if (std::system(cmd.c_str()) != 0) std::abort();
    }
    ~Installation() { std::filesystem::remove_all(dir); }
};

Installation& installation() {
    static Installation inst;
    return inst;
}

const std::string CustomerInsert =
    "INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה, vcCity, vcForeignKey, iBusinessID) "
    "VALUES(1,'O''Brien',\"51\"\"5\",[vcCity],#08/21/2011 10:25#,True)";

void TranslateJetSql(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(db::translateJetSql(CustomerInsert));
}
BENCHMARK(TranslateJetSql);

void CreateKovrinObject(benchmark::State& state) {
    installation();
    for (auto _ : state) {
        Kovrin k;
        benchmark::DoNotOptimize(k);
    }
}
BENCHMARK(CreateKovrinObject)->Unit(benchmark::kMillisecond);

// What a caller that makes a new object per action (as the demo does) pays for the smallest query.
void CreateKovrinObjectAndGetOsekMorshe(benchmark::State& state) {
    installation();
    for (auto _ : state) {
        Kovrin k;
        benchmark::DoNotOptimize(k.GetOsekMorshe());
    }
}
BENCHMARK(CreateKovrinObjectAndGetOsekMorshe)->Unit(benchmark::kMillisecond);

// Each creation is one durable write transaction (full sync): the disk's flush time dominates.
void CreateCustomer(benchmark::State& state) {
    installation();
    Kovrin k;
    k.BusinessID(9);
    int n = 0;
    for (auto _ : state) {
        const std::string key = std::to_string(++n);
        benchmark::DoNotOptimize(k.CreateCustomer("Bench " + key, "", "", "", "", "", "", "", "", "", "", "", "",
                                                  Currency(), "", "", 0, 0, Currency(), "NIS", "B-" + key));
    }
}
BENCHMARK(CreateCustomer)->Unit(benchmark::kMillisecond);

void GetCustomersOf500(benchmark::State& state) {
    installation();
    Kovrin k;
    k.BusinessID(8);
    if (k.GetCustomers().isEmpty())
        for (int i = 0; i < 500; ++i)
            k.CreateCustomer("List " + std::to_string(i), "", "", "", "", "", "", "", "", "", "", "", "", Currency(), "",
                             "", 0, 0, Currency(), "NIS", "L-" + std::to_string(i));
    for (auto _ : state) benchmark::DoNotOptimize(k.GetCustomers());
}
BENCHMARK(GetCustomersOf500)->Unit(benchmark::kMillisecond);

void GetVatRate(benchmark::State& state) {
    installation();
    Kovrin k;
    for (auto _ : state) {
        Date d = Date::fromCalendar(2014, 3, 1);
        benchmark::DoNotOptimize(k.GetVatRate(d));
    }
}
BENCHMARK(GetVatRate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
