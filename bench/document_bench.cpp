// A durable CreateInvoice with three lines beside the same rows written by a plain program with
// the SQLite C API: prepared statements, one transaction per document, the same WAL and
// synchronous=FULL settings. Both run in one program on fresh sample databases, also on files
// that already hold 1,000 and 100,000 invoices of the business (the cost must not grow with them):
//   build/bench/kovrin_document_bench
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "InvoiceBench.h"
#include <sqlite3.h>
#include <unistd.h>


using namespace kovrin;
using kovrin::bench::Item;
using kovrin::bench::Items;

namespace {

struct Databases {
    std::filesystem::path dir;
    std::string library, plain;
    Databases() {
        dir = std::filesystem::temp_directory_path() / ("kovrin-docbench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        setenv("KOVRIN_REGISTRY_DIR", (dir / "registry").c_str(), 1);
        library = (dir / "library.sqlite").string();
        plain = (dir / "plain.sqlite").string();
        if (std::system((std::string(KOVRIN_DB_TOOL) + " create '" + plain + "' --sample >/dev/null").c_str()) != 0 ||
            std::system((std::string(KOVRIN_DB_TOOL) + " create '" + library + "' --sample --register >/dev/null").c_str()) != 0)
            std::abort();
    }
    ~Databases() { std::filesystem::remove_all(dir); }
};

Databases& databases() {
    static Databases d;
    return d;
}

// A sample database whose business already has `n` invoices of three lines, made once per run
// for each side and size.
std::string fileWithInvoices(const std::string& side, int n) {
    const std::string path = (databases().dir / (side + "-" + std::to_string(n) + ".sqlite")).string();
    if (std::filesystem::exists(path)) return path;
    if (std::system((std::string(KOVRIN_DB_TOOL) + " create '" + path + "' --sample >/dev/null").c_str()) != 0) std::abort();
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
    const std::string fill =
        "BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<" + std::to_string(n) + ") "
        "INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName, curTotal1, "
        "curTotalBeforeVat, curVat, curGrandTotal, blnChargeVat, iTrxCodesID, iInvoiceType) "
        "SELECT 1, 100000+i, '2025-03-15 00:00:00', 4, 'Customer', 1320.2, 1320.2, 224.43, 1544.63, 1, 1, 1 FROM n;"
        "INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty, "
        "curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate) SELECT 1, iInvoicesID, 1, d, 1, q, p, p*q, '₪', 1 "
        "FROM UsysInvoices, (SELECT 'Consulting hour' d, 2 q, 350 p UNION ALL SELECT 'Travel', 1, 120.5 UNION ALL "
        "SELECT 'Licence', 3, 99.9);"
        "COMMIT;";
    if (sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
    sqlite3_close(db);
    return path;
}

void LibraryCreateInvoice(benchmark::State& state) {
    databases();
    Kovrin k;
    const Variant lines = bench::invoiceLines();
    for (auto _ : state) benchmark::DoNotOptimize(bench::createInvoice(k, lines));
}
BENCHMARK(LibraryCreateInvoice)->Unit(benchmark::kMicrosecond);

void LibraryCreateInvoiceAmong(benchmark::State& state) {
    const std::string path = fileWithInvoices("library", static_cast<int>(state.range(0)));
    Kovrin k;
    k.KovrinPath(path);
    const Variant lines = bench::invoiceLines();
    for (auto _ : state) benchmark::DoNotOptimize(bench::createInvoice(k, lines));
}
BENCHMARK(LibraryCreateInvoiceAmong)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The plain program: next number, customer, header and three lines, one transaction.
class Plain {
public:
    explicit Plain(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) std::abort();
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        next_ = prepare("SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=?1");
        start_ = prepare("SELECT iInvoiceNum FROM apiGetStartNumberInvoice WHERE iBusinessID=?1");
        customer_ = prepare(
            "SELECT vcBusinessName, vcAddress1, vcAddress2, vcCity, vcPostalCode, vcContactFirstName || ' ' || "
            "vcContactLastName, vcPhone1, vcPhone2, vcFax1, vcעוסקמורשה FROM Customers WHERE iCustomersID=?1 AND "
            "iBusinessID=?2");
        header_ = prepare(
            "INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName, "
            "vcAddress1, vcAddress2, vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcPhone2, vcFax1, vcComments, "
            "vcDetails, curTotal1, fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount, "
            "curTotalBeforeVat, curTotalNoVat, curVat, curGrandTotal, blnChargeVat, iTrxCodesID, iInvoiceType, "
            "datDueDate, vcCustomerOsekMorshe) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,NULL,NULL,?14,0,0,0,0,"
            "?15,0,?16,?17,1,1,1,NULL,?18)");
        line_ = prepare(
            "INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty, "
            "curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate, curLineVat) VALUES (?1,?2,1,?3,-1,?4,?5,?6,"
            "'₪',1,?7)");
    }
    ~Plain() {
        for (sqlite3_stmt* s : {next_, start_, customer_, header_, line_}) sqlite3_finalize(s);
        sqlite3_close(db_);
    }

    int createInvoice(int customer) {
        exec("BEGIN IMMEDIATE");
        int number = numberFrom(next_);
        if (number == 0) number = numberFrom(start_);
        sqlite3_bind_int(customer_, 1, customer);
        sqlite3_bind_int(customer_, 2, 1);
        sqlite3_step(customer_);
        double taxable = 0;
        for (const bench::Item& item : Items) taxable += item.price * item.quantity;
        const double vat = taxable * 0.17;
        sqlite3_bind_int(header_, 1, 1);
        sqlite3_bind_int(header_, 2, number);
        sqlite3_bind_text(header_, 3, "2026-01-15 10:30:00", -1, SQLITE_STATIC);
        sqlite3_bind_int(header_, 4, customer);
        for (int c = 0; c < 9; ++c) sqlite3_bind_value(header_, 5 + c, sqlite3_column_value(customer_, c));
        sqlite3_bind_double(header_, 14, taxable);
        sqlite3_bind_double(header_, 15, taxable);
        sqlite3_bind_double(header_, 16, vat);
        sqlite3_bind_double(header_, 17, taxable + vat);
        sqlite3_bind_value(header_, 18, sqlite3_column_value(customer_, 9));
        step(header_);
        sqlite3_reset(customer_);
        const sqlite3_int64 key = sqlite3_last_insert_rowid(db_);
        for (const bench::Item& item : Items) {
            sqlite3_bind_int(line_, 1, 1);
            sqlite3_bind_int64(line_, 2, key);
            sqlite3_bind_text(line_, 3, item.description, -1, SQLITE_STATIC);
            sqlite3_bind_double(line_, 4, item.quantity);
            sqlite3_bind_double(line_, 5, item.price);
            sqlite3_bind_double(line_, 6, item.price * item.quantity);
            sqlite3_bind_double(line_, 7, item.price * item.quantity * 0.17);
            step(line_);
        }
        exec("COMMIT");
        return number;
    }

private:
    void exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
    }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) std::abort();
        return s;
    }
    void step(sqlite3_stmt* s) {
        if (sqlite3_step(s) != SQLITE_DONE) std::abort();
        sqlite3_reset(s);
    }
    int numberFrom(sqlite3_stmt* s) {
        sqlite3_bind_int(s, 1, 1);
        int number = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
        sqlite3_reset(s);
        return number;
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt *next_ = nullptr, *start_ = nullptr, *customer_ = nullptr, *header_ = nullptr, *line_ = nullptr;
};

void PlainSqliteInvoice(benchmark::State& state) {
    Plain plain(databases().plain);
    for (auto _ : state) benchmark::DoNotOptimize(plain.createInvoice(4));
}
BENCHMARK(PlainSqliteInvoice)->Unit(benchmark::kMicrosecond);

void PlainSqliteInvoiceAmong(benchmark::State& state) {
    Plain plain(fileWithInvoices("plain", static_cast<int>(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(plain.createInvoice(4));
}
BENCHMARK(PlainSqliteInvoiceAmong)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
