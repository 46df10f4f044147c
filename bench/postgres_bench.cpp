// The library on a PostgreSQL server beside a plain libpq program (one connection, prepared
// statements, the same rows), in one run on a private server of its own (scripts/postgres-server):
//   CreateInvoice with three lines, and the plain program's same transaction;
//   GetInvoices over 2,000 invoices of three lines, and the plain program reading the same rows.
//   build/bench/kovrin_postgres_bench
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "InvoiceBench.h"
#include <libpq-fe.h>
#include <unistd.h>

using namespace kovrin;

namespace {

constexpr int Invoices = 2'000;

struct Server {
    std::filesystem::path dir;
    std::string read, write, plain;

    static std::string uri(const std::filesystem::path& socket, const std::string& name) {
        std::string host;
        for (char c : socket.string()) host += c == '/' ? std::string("%2F") : std::string(1, c);
        return "postgresql://" + host + "/" + name;
    }
    static void run(const std::string& command) {
        if (std::system(command.c_str()) != 0) std::abort();
    }
    Server() {
        dir = std::filesystem::temp_directory_path() / ("kovrin-pgbench-" + std::to_string(getpid()));
        setenv("KOVRIN_REGISTRY_DIR", (dir.string() + "-registry").c_str(), 1);
        run("'" KOVRIN_POSTGRES_SERVER_SCRIPT "' start '" + dir.string() + "'");
        read = uri(dir, "read");
        write = uri(dir, "write");
        plain = uri(dir, "plain");
        for (const char* name : {"read", "write", "plain"}) {
            run("psql -q '" + uri(dir, "postgres") + "' -c 'CREATE DATABASE " + name + "' >/dev/null");
            run(std::string(KOVRIN_DB_TOOL) + " create '" + uri(dir, name) + "' --sample >/dev/null");
        }
        run(std::string(KOVRIN_DB_TOOL) + " register '" + write + "' --log-folder '" + dir.string() + "-log' >/dev/null");
        run("psql -q '" + read + "' >/dev/null <<'EOF'\n"
            "INSERT INTO UsysInvoices (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName,"
            " vcAddress1, vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcComments, curTotal1, fltRebatePrcnt,"
            " curRebateAmount, blnRebateRound, curRebateRoundAmount, curTotalBeforeVat, curTotalNoVat, curVat,"
            " curGrandTotal, blnChargeVat, iTrxCodesID, iInvoiceType, vcCustomerOsekMorshe, iStatusID)"
            " SELECT i, 1, 1000+i, '2008-03-15 00:00:00', 2, 'Blue Horizon Tech Ltd', '7 Menachem Begin Rd', 'Tel Aviv',"
            " '6713801', 'Dana Katz', '03-6091234', 'monthly', 1320.2, 0, 0, 0, 0, 1320.2, 0, 224.43, 1544.63, 1, 1, 1,"
            " '515678902', 0 FROM generate_series(1, " + std::to_string(Invoices) + ") i;\n"
            "INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty,"
            " curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate)"
            " SELECT 1, iInvoicesID, 1, d, 1, q, p, p*q, '₪', 1 FROM UsysInvoices, (VALUES ('Consulting hour', 2, 350),"
            " ('Travel', 1, 120.5), ('Licence', 3, 99.9)) AS l(d, q, p) ORDER BY iInvoicesID;\n"
            "ANALYZE;\nEOF");
    }
    ~Server() {
        std::system(("'" KOVRIN_POSTGRES_SERVER_SCRIPT "' stop '" + dir.string() + "'").c_str());
        std::filesystem::remove_all(dir.string() + "-registry");
        std::filesystem::remove_all(dir.string() + "-log");
    }
};

Server& server() {
    static Server s;
    return s;
}

using bench::Items;

void LibraryCreateInvoice(benchmark::State& state) {
    server();
    Kovrin k;  // the registered installation: the "write" database
    const Variant lines = bench::invoiceLines();
    for (auto _ : state) benchmark::DoNotOptimize(bench::createInvoice(k, lines));
}
BENCHMARK(LibraryCreateInvoice)->Unit(benchmark::kMicrosecond);

// One libpq connection with the statements prepared once.
class Plain {
public:
    explicit Plain(const std::string& uri) : conn_(PQconnectdb(uri.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) std::abort();
        prepare("next", "SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=$1");
        prepare("start", "SELECT iInvoiceNum FROM apiGetStartNumberInvoice WHERE iBusinessID=$1");
        prepare("customer",
                "SELECT vcBusinessName, vcAddress1, vcAddress2, vcCity, vcPostalCode, vcContactFirstName || ' ' || "
                "vcContactLastName, vcPhone1, vcPhone2, vcFax1, vcעוסקמורשה FROM Customers WHERE iCustomersID=$1 AND "
                "iBusinessID=$2");
        prepare("header",
                "INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName, "
                "vcAddress1, vcAddress2, vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcPhone2, vcFax1, vcComments, "
                "vcDetails, curTotal1, fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount, "
                "curTotalBeforeVat, curTotalNoVat, curVat, curGrandTotal, blnChargeVat, iTrxCodesID, iInvoiceType, "
                "datDueDate, vcCustomerOsekMorshe) VALUES ($1,$2,$3,$4,$5,$6,$7,$8,$9,$10,$11,$12,$13,NULL,NULL,$14,0,0,0,"
                "0,$15,0,$16,$17,1,1,1,NULL,$18) RETURNING iInvoicesID");
        prepare("line",
                "INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty, "
                "curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate, curLineVat) VALUES ($1,$2,1,$3,-1,$4,$5,$6,"
                "'₪',1,$7)");
        prepare("headers",
                "SELECT iInvoicesID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName, vcAddress1, vcAddress2, "
                "vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcFax1, vcComments, vcDetails, curTotal1, "
                "fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount, curTotalBeforeVat, "
                "curTotalNoVat, curVat, curGrandTotal, blnChargeVat, iTrxCodesID, datDueDate, vcCustomerOsekMorshe, "
                "iStatusID, iReceiptNumber FROM UsysInvoices WHERE iBusinessID=$1 ORDER BY iInvoiceNumber");
        prepare("lines",
                "SELECT vcItemDescription, vcCurrencySymbol, iItemQty, curUnitPrice, curRate, blnChargeVAT "
                "FROM InvoiceLines WHERE iInvoicesID=$1 ORDER BY iInvoiceLinesID");
    }
    ~Plain() { PQfinish(conn_); }

    // Next number, customer, header and three lines: one transaction under the writers' lock.
    int createInvoice(int customer) {
        command("BEGIN; SELECT pg_advisory_xact_lock(1263948366)");
        const std::string business = "1", who = std::to_string(customer);
        std::string number = value("next", {business.c_str()});
        if (number.empty()) number = value("start", {business.c_str()});
        PGresult* c = run("customer", {who.c_str(), business.c_str()});
        double taxable = 0;
        for (const bench::Item& item : Items) taxable += item.price * item.quantity;
        const std::string total = std::to_string(taxable), vat = std::to_string(taxable * 0.17),
                          grand = std::to_string(taxable * 1.17);
        std::vector<const char*> header = {business.c_str(), number.c_str(), "2026-01-15 10:30:00", who.c_str()};
        for (int col = 0; col < 9; ++col) header.push_back(PQgetisnull(c, 0, col) ? nullptr : PQgetvalue(c, 0, col));
        for (const std::string* v : {&total, &total, &vat, &grand}) header.push_back(v->c_str());
        header.push_back(PQgetisnull(c, 0, 9) ? nullptr : PQgetvalue(c, 0, 9));
        const std::string key = value("header", header);
        PQclear(c);
        for (const bench::Item& item : Items) {
            const std::string q = std::to_string(item.quantity), p = std::to_string(item.price),
                              e = std::to_string(item.price * item.quantity),
                              v = std::to_string(item.price * item.quantity * 0.17);
            PQclear(run("line", {business.c_str(), key.c_str(), item.description, q.c_str(), p.c_str(), e.c_str(), v.c_str()}));
        }
        command("COMMIT");
        return std::atoi(number.c_str());
    }

    struct Line {
        std::string description, currency;
        double quantity, price, rate;
        bool vat;
    };
    struct Invoice {
        std::vector<std::string> text;
        std::vector<Line> lines;
    };
    // Every invoice of the business with its lines, into structs.
    std::vector<Invoice> invoices() {
        std::vector<Invoice> all;
        PGresult* h = run("headers", {"1"});
        for (int row = 0; row < PQntuples(h); ++row) {
            Invoice invoice;
            for (int col = 0; col < PQnfields(h); ++col) invoice.text.emplace_back(PQgetvalue(h, row, col));
            PGresult* l = run("lines", {PQgetvalue(h, row, 0)});
            for (int i = 0; i < PQntuples(l); ++i)
                invoice.lines.push_back({PQgetvalue(l, i, 0), PQgetvalue(l, i, 1), std::atof(PQgetvalue(l, i, 2)),
                                         std::atof(PQgetvalue(l, i, 3)), std::atof(PQgetvalue(l, i, 4)),
                                         std::atoi(PQgetvalue(l, i, 5)) != 0});
            PQclear(l);
            all.push_back(std::move(invoice));
        }
        PQclear(h);
        return all;
    }

private:
    void prepare(const char* name, const char* sql) {
        PGresult* r = PQprepare(conn_, name, sql, 0, nullptr);
        if (PQresultStatus(r) != PGRES_COMMAND_OK) std::abort();
        PQclear(r);
    }
    void command(const char* sql) {
        PGresult* r = PQexec(conn_, sql);
        if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) std::abort();
        PQclear(r);
    }
    PGresult* run(const char* name, const std::vector<const char*>& values) {
        PGresult* r = PQexecPrepared(conn_, name, static_cast<int>(values.size()), values.data(), nullptr, nullptr, 0);
        if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) std::abort();
        return r;
    }
    std::string value(const char* name, const std::vector<const char*>& values) {
        PGresult* r = run(name, values);
        std::string v = PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
        PQclear(r);
        return v;
    }

    PGconn* conn_;
};

void PlainPostgresInvoice(benchmark::State& state) {
    Plain plain(server().plain);
    for (auto _ : state) benchmark::DoNotOptimize(plain.createInvoice(4));
}
BENCHMARK(PlainPostgresInvoice)->Unit(benchmark::kMicrosecond);

void LibraryGetInvoices(benchmark::State& state) {
    server();
    Kovrin k;
    k.KovrinPath(server().read);
    long count = 0;
    for (auto _ : state) {
        Variant all = k.GetInvoices();
        count = static_cast<long>(all.array().size());
        benchmark::DoNotOptimize(all);
    }
    if (count != Invoices) state.SkipWithError("wrong number of invoices");
}
BENCHMARK(LibraryGetInvoices)->Unit(benchmark::kMillisecond);

void PlainPostgresGetInvoices(benchmark::State& state) {
    Plain plain(server().read);
    for (auto _ : state) {
        auto all = plain.invoices();
        if (all.size() != Invoices) state.SkipWithError("wrong number of invoices");
        benchmark::DoNotOptimize(all);
    }
}
BENCHMARK(PlainPostgresGetInvoices)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
