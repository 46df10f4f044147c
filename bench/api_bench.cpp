// The library beside a plain program doing the same work with the SQLite C API: one connection
// kept open, prepared statements with bound values, the same WAL and full-sync settings. Each pair
// is Ours/<Work> and Plain/<Work>; docs/performance.md gives their ratios from one run.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Kovrin.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include "platform/db/JetDialect.h"

using namespace kovrin;

namespace {

namespace fs = std::filesystem;

// A sample database registered in a private registry folder, made once for the whole run.
struct Installation {
    fs::path dir;
    std::string db;
    Installation() {
        dir = fs::temp_directory_path() / ("kovrin-peer-bench-" + std::to_string(getpid()));
        fs::create_directories(dir);
        db = (dir / "books.sqlite").string();
        setenv("KOVRIN_REGISTRY_DIR", (dir / "registry").c_str(), 1);
        std::string cmd = std::string(KOVRIN_DB_TOOL) + " create '" + db + "' --sample --register >/dev/null";
        if (std::system(cmd.c_str()) != 0) std::abort();
    }
    ~Installation() { fs::remove_all(dir); }
};

Installation& installation() {
    static Installation inst;
    return inst;
}

// The plain program's side: a connection and its statements, kept for the whole benchmark.
class Plain {
public:
    explicit Plain(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
        sqlite3_busy_timeout(db_, 30000);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
    }
    ~Plain() {
        for (sqlite3_stmt* s : statements_) sqlite3_finalize(s);
        sqlite3_close_v2(db_);
    }
    void exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
    }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) std::abort();
        statements_.push_back(s);
        return s;
    }
    static void done(sqlite3_stmt* s) {
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            std::fprintf(stderr, "%s: %s\n", sqlite3_sql(s), sqlite3_errmsg(sqlite3_db_handle(s)));
            std::abort();
        }
        sqlite3_reset(s);
    }

private:
    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
};

std::string text(sqlite3_stmt* s, int c) {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, c))) : std::string();
}

// What the plain program keeps of a customer row: every column the library's record holds.
struct PlainCustomer {
    int64_t id, number, bank, list;
    double charge;
    std::string texts[18];
};
PlainCustomer readCustomer(sqlite3_stmt* s) {
    PlainCustomer c{sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2),
                    sqlite3_column_int64(s, 3), sqlite3_column_double(s, 4), {}};
    for (int i = 0; i < 18; ++i) c.texts[i] = text(s, 5 + i);
    return c;
}
constexpr const char* CustomerColumns =
    "iCustomersID, iCustomerNumber, iBanksID, iListNum, curCharge, vcBusinessName, vcעוסקמורשה, vcAddress1, "
    "vcAddress2, vcCity, vcPostalCode, vcContactFirstName, vcContactLastName, vcPhone1, vcPhone2, vcFax1, vcEMail, "
    "vcForeignKey, vcAccountNumber, vcBranch, vcCurrencySymbol, vcExtra1, vcExtra2";

int32_t createCustomer(Kovrin& k, const std::string& key) {
    return k.CreateCustomer("Customer " + key, "515151515", "Dana", "Levi", "Herzl 1", "", "Haifa", "3100000",
                            "04-1234567", "", "", "dana@example.co.il", "", Currency(), "", "", 0, 0, Currency(), "NIS",
                            "K-" + key);
}

// Fills business `business` up to `n` customers, in one transaction of the plain program.
void fillCustomers(int business, int n) {
    Plain p(installation().db);
    sqlite3_stmt* have = p.prepare("SELECT count(*) FROM Customers WHERE iBusinessID=?");
    sqlite3_bind_int(have, 1, business);
    sqlite3_step(have);
    const int existing = sqlite3_column_int(have, 0);
    sqlite3_reset(have);
    sqlite3_stmt* ins = p.prepare(
        "INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה, vcCity, vcEMail, iCustomersTypesID, "
        "vcForeignKey, vcCurrencySymbol, curOpenBalance, curCharge, iListNum, iBusinessID) "
        "VALUES (?, ?, '515151515', 'Haifa', 'dana@example.co.il', 1, ?, '₪', 0, 0, 0, ?)");
    p.exec("BEGIN");
    for (int i = existing + 1; i <= n; ++i) {
        const std::string name = "Customer " + std::to_string(i), key = "F-" + std::to_string(i);
        sqlite3_bind_int(ins, 1, i);
        sqlite3_bind_text(ins, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 3, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(ins, 4, business);
        Plain::done(ins);
    }
    p.exec("COMMIT");
}

// ---- durable writes: one transaction with full sync per call -----------------------------------

void Ours_CreateCustomer(benchmark::State& state) {
    installation();
    Kovrin k;
    k.BusinessID(20);
    int n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(createCustomer(k, "o" + std::to_string(++n)));
}
BENCHMARK(Ours_CreateCustomer)->Unit(benchmark::kMicrosecond);

void Plain_CreateCustomer(benchmark::State& state) {
    Plain p(installation().db);
    sqlite3_stmt* next = p.prepare("SELECT Max(iCustomerNumber) FROM Customers WHERE iBusinessID = 21");
    sqlite3_stmt* ins = p.prepare(
        "INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה, vcContactFirstName, vcContactLastName, "
        "vcAddress1, vcCity, vcPostalCode, vcPhone1, vcEMail, iCustomersTypesID, curOpenBalance, iListNum, curCharge, "
        "vcCurrencySymbol, iPaymentTermsID, iPaymentDays, vcForeignKey, iBusinessID) VALUES (?, ?, '515151515', 'Dana', "
        "'Levi', 'Herzl 1', 'Haifa', '3100000', '04-1234567', 'dana@example.co.il', 1, 0, 0, 0, '₪', 1, 0, ?, 21)");
    int n = 0;
    for (auto _ : state) {
        const std::string key = std::to_string(++n), name = "Customer " + key, fk = "K-" + key;
        p.exec("BEGIN IMMEDIATE");
        sqlite3_step(next);
        const int number = sqlite3_column_int(next, 0) + 1;
        sqlite3_reset(next);
        sqlite3_bind_int(ins, 1, number);
        sqlite3_bind_text(ins, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 3, fk.c_str(), -1, SQLITE_TRANSIENT);
        Plain::done(ins);
        p.exec("COMMIT");
    }
}
BENCHMARK(Plain_CreateCustomer)->Unit(benchmark::kMicrosecond);

// The cost of one more customer in a business that already has 1,000 or 100,000.
void Ours_CreateCustomerAmong(benchmark::State& state) {
    const int business = 30 + static_cast<int>(state.range(0) / 1000);
    fillCustomers(business, static_cast<int>(state.range(0)));
    Kovrin k;
    k.BusinessID(business);
    int n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(createCustomer(k, "a" + std::to_string(++n)));
}
BENCHMARK(Ours_CreateCustomerAmong)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void Ours_CreateTimeBill(benchmark::State& state) {
    installation();
    Kovrin k;
    const int32_t customer = createCustomer(k, "time bills");
    const Date start = Date::fromCalendar(2024, 5, 1, 9), end = Date::fromCalendar(2024, 5, 1, 11, 30);
    int n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(k.CreateTimeBill(customer, start, end, "Consulting", "A-" + std::to_string(++n), ""));
}
BENCHMARK(Ours_CreateTimeBill)->Unit(benchmark::kMicrosecond);

void Plain_CreateTimeBill(benchmark::State& state) {
    Plain p(installation().db);
    sqlite3_stmt* del = p.prepare("DELETE FROM TimeBills WHERE nvcAppointmentID=? AND iBusinessID=1");
    sqlite3_stmt* ins = p.prepare(
        "INSERT INTO TimeBills (iCustomersID, datStart, datEnd, fltHours, curRate, vcCurrencySymbol, nvcDescription, "
        "nvcAppointmentID, iInvoiceTypeLink, iInvoiceNumber, iBusinessID) VALUES (1, '2024-05-01 09:00:00', "
        "'2024-05-01 11:30:00', 2.5, 0, '₪', 'Consulting', ?, 1, NULL, 1)");
    int n = 0;
    for (auto _ : state) {
        const std::string key = "P-" + std::to_string(++n);
        p.exec("BEGIN IMMEDIATE");
        sqlite3_bind_text(del, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        Plain::done(del);
        sqlite3_bind_text(ins, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        Plain::done(ins);
        p.exec("COMMIT");
    }
}
BENCHMARK(Plain_CreateTimeBill)->Unit(benchmark::kMicrosecond);

// ---- reads -----------------------------------------------------------------------------------------

constexpr int ListBusiness = 40;

void Ours_GetCustomers10000(benchmark::State& state) {
    fillCustomers(ListBusiness, 10000);
    Kovrin k;
    k.BusinessID(ListBusiness);
    for (auto _ : state) benchmark::DoNotOptimize(k.GetCustomers());
}
BENCHMARK(Ours_GetCustomers10000)->Unit(benchmark::kMillisecond);

void Plain_GetCustomers10000(benchmark::State& state) {
    fillCustomers(ListBusiness, 10000);
    Plain p(installation().db);
    sqlite3_stmt* s = p.prepare((std::string("SELECT ") + CustomerColumns +
                                 " FROM Customers WHERE iCustomersTypesID IN (1,3) AND iBusinessID=?")
                                    .c_str());
    for (auto _ : state) {
        std::vector<PlainCustomer> list;
        sqlite3_bind_int(s, 1, ListBusiness);
        while (sqlite3_step(s) == SQLITE_ROW) list.push_back(readCustomer(s));
        sqlite3_reset(s);
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(Plain_GetCustomers10000)->Unit(benchmark::kMillisecond);

void Ours_GetCustomerByForeignKey(benchmark::State& state) {
    fillCustomers(ListBusiness, 10000);
    Kovrin k;
    k.BusinessID(ListBusiness);
    for (auto _ : state) benchmark::DoNotOptimize(k.GetCustomerByForeignKey("F-5000"));
}
BENCHMARK(Ours_GetCustomerByForeignKey)->Unit(benchmark::kMicrosecond);

void Plain_GetCustomerByForeignKey(benchmark::State& state) {
    fillCustomers(ListBusiness, 10000);
    Plain p(installation().db);
    sqlite3_stmt* s = p.prepare(
        (std::string("SELECT ") + CustomerColumns + " FROM Customers WHERE vcForeignKey=? AND iBusinessID=?").c_str());
    for (auto _ : state) {
        sqlite3_bind_text(s, 1, "F-5000", -1, SQLITE_STATIC);
        sqlite3_bind_int(s, 2, ListBusiness);
        if (sqlite3_step(s) != SQLITE_ROW) std::abort();
        benchmark::DoNotOptimize(readCustomer(s));
        sqlite3_reset(s);
    }
}
BENCHMARK(Plain_GetCustomerByForeignKey)->Unit(benchmark::kMicrosecond);

void Ours_GetVatRate(benchmark::State& state) {
    installation();
    Kovrin k;
    for (auto _ : state) {
        Date d = Date::fromCalendar(2014, 3, 1);
        benchmark::DoNotOptimize(k.GetVatRate(d));
    }
}
BENCHMARK(Ours_GetVatRate)->Unit(benchmark::kMicrosecond);

void Plain_GetVatRate(benchmark::State& state) {
    Plain p(installation().db);
    sqlite3_stmt* s = p.prepare("SELECT fltVATRate FROM VATRates WHERE ? >= datStartDate ORDER BY datStartDate DESC LIMIT 1");
    for (auto _ : state) {
        sqlite3_bind_text(s, 1, "2014-03-01 00:00:00", -1, SQLITE_STATIC);
        if (sqlite3_step(s) != SQLITE_ROW) std::abort();
        benchmark::DoNotOptimize(sqlite3_column_double(s, 0));
        sqlite3_reset(s);
    }
}
BENCHMARK(Plain_GetVatRate)->Unit(benchmark::kMicrosecond);

// ---- start-up: a new object finds its installation in the registry, then one lookup ---------------

void Ours_NewObjectAndGetOsekMorshe(benchmark::State& state) {
    installation();
    for (auto _ : state) {
        Kovrin k;
        benchmark::DoNotOptimize(k.GetOsekMorshe());
    }
}
BENCHMARK(Ours_NewObjectAndGetOsekMorshe)->Unit(benchmark::kMicrosecond);

// The plain program reads the same six registry values from the kept-open hive files, writes the
// two it writes, and runs the one lookup.
void Plain_NewObjectAndGetOsekMorshe(benchmark::State& state) {
    const fs::path registry = installation().dir / "registry";
    Plain user((registry / "HKEY_CURRENT_USER.sqlite").string()), machine((registry / "HKEY_LOCAL_MACHINE.sqlite").string());
    Plain books(installation().db);
    constexpr const char* Read = "SELECT data FROM vals WHERE key = lower(?) AND folded = lower(?)";
    sqlite3_stmt* readUser = user.prepare(Read);
    sqlite3_stmt* readMachine = machine.prepare(Read);
    sqlite3_stmt* write = machine.prepare(
        "INSERT INTO vals (key, folded, name, type, data) VALUES ('software\\kovrin\\api', lower(?), ?, 1, ?) "
        "ON CONFLICT (key, folded) DO UPDATE SET data = excluded.data");
    auto save = [&](const char* name, const char* value) {
        machine.exec("BEGIN IMMEDIATE");
        sqlite3_bind_text(write, 1, name, -1, SQLITE_STATIC);
        sqlite3_bind_text(write, 2, name, -1, SQLITE_STATIC);
        sqlite3_bind_text(write, 3, value, -1, SQLITE_STATIC);
        Plain::done(write);
        machine.exec("COMMIT");
    };
    sqlite3_stmt* dealer = books.prepare("SELECT vcמספרעוסקמורשה FROM BusinessDetails WHERE iBusinessID=1");
    auto read = [](sqlite3_stmt* s, const char* key, const char* name) {
        sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
        sqlite3_bind_text(s, 2, name, -1, SQLITE_STATIC);
        std::string v = sqlite3_step(s) == SQLITE_ROW ? text(s, 0) : std::string();
        sqlite3_reset(s);
        return v;
    };
    for (auto _ : state) {
        benchmark::DoNotOptimize(read(readMachine, "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot", "Path"));
        benchmark::DoNotOptimize(read(readUser, "Software\\Kovrin", "Path"));
        benchmark::DoNotOptimize(read(readUser, "Software\\Kovrin", "File"));
        save("IsAPIDebug", "0");
        save("LastBusinessID", "1");
        sqlite3_step(dealer);
        benchmark::DoNotOptimize(text(dealer, 0));
        sqlite3_reset(dealer);
    }
}
BENCHMARK(Plain_NewObjectAndGetOsekMorshe)->Unit(benchmark::kMicrosecond);

// ---- on their own ------------------------------------------------------------------------------

void TranslateJetSql(benchmark::State& state) {
    const std::string insert =
        "INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה, vcCity, vcForeignKey, iBusinessID) "
        "VALUES(1,'O''Brien',\"51\"\"5\",[vcCity],#08/21/2011 10:25#,True)";
    for (auto _ : state) benchmark::DoNotOptimize(db::translateJetSql(insert));
}
BENCHMARK(TranslateJetSql);

void CreateKovrinObject(benchmark::State& state) {
    installation();
    for (auto _ : state) {
        Kovrin k;
        benchmark::DoNotOptimize(k);
    }
}
BENCHMARK(CreateKovrinObject)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
