// Reading documents back and creating them from XML, each beside its yardstick, in one run:
//   GetInvoices over 1,000 invoices of three lines beside a plain SQLite C API program reading the
//   same rows with prepared statements into structs; heap each result holds against the size of the
//   values in the rows returned;
//   CreateInvoiceXML beside CreateInvoice of the same document.
//   build/bench/kovrin_retrieval_bench
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <libxml/tree.h>

#include "InvoiceBench.h"
#include <sqlite3.h>
#include <malloc.h>
#include <unistd.h>

using namespace kovrin;

namespace {

constexpr int Invoices = 1'000;

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

struct Databases {
    std::filesystem::path dir;
    std::string read, write, writeXml;
    Databases() {
        dir = std::filesystem::temp_directory_path() / ("kovrin-readbench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        setenv("KOVRIN_REGISTRY_DIR", (dir / "registry").c_str(), 1);
        read = (dir / "read.sqlite").string();
        write = (dir / "write.sqlite").string();
        writeXml = (dir / "write-xml.sqlite").string();
        if (std::system((std::string(KOVRIN_DB_TOOL) + " create '" + read + "' --sample --register >/dev/null").c_str()) != 0)
            std::abort();
        // 1,000 invoices of three lines, written straight into the tables.
        sqlite3* db = nullptr;
        if (sqlite3_open(read.c_str(), &db) != SQLITE_OK) std::abort();
        exec(db, "BEGIN");
        exec(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<1000) "
                 "INSERT INTO UsysInvoices (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, "
                 "vcBusinessName, vcAddress1, vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcComments, curTotal1, "
                 "fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount, curTotalBeforeVat, "
                 "curTotalNoVat, curVat, curGrandTotal, blnChargeVat, iTrxCodesID, iInvoiceType, "
                 "vcCustomerOsekMorshe, iStatusID) SELECT i, 1, 1000+i, '2008-03-15 00:00:00', 2, "
                 "'Blue Horizon Tech Ltd', '7 Menachem Begin Rd', 'Tel Aviv', '6713801', 'Dana Katz', '03-6091234', "
                 "'monthly', 1320.2, 0, 0, 0, 0, 1320.2, 0, 224.43, 1544.63, 1, 1, 1, '515678902', 0 FROM n");
        exec(db, "INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, "
                 "iItemQty, curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate) "
                 "SELECT 1, iInvoicesID, 1, d, 1, q, p, p*q, '₪', 1 FROM UsysInvoices, (SELECT 'Consulting hour' d, 2 q, "
                 "350 p UNION ALL SELECT 'Travel', 1, 120.5 UNION ALL SELECT 'Licence', 3, 99.9)");
        exec(db, "COMMIT");
        sqlite3_close(db);
        // Each creation benchmark writes its own database, so neither meets the other's documents.
        for (const std::string& path : {write, writeXml})
            if (std::system((std::string(KOVRIN_DB_TOOL) + " create '" + path + "' --sample >/dev/null").c_str()) != 0)
                std::abort();
    }
    ~Databases() { std::filesystem::remove_all(dir); }
};

Databases& databases() {
    static Databases d;
    return d;
}

// Heap bytes in use: the difference across a read is what its result holds.
double heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}

// The plain program's rows.
struct PlainLine {
    std::string description, currency;
    double quantity, price, rate;
    bool vat;
};
struct PlainInvoice {
    int number, customer, trx, status;
    double date, due, rebatePercent;
    int64_t total1, rebate, roundAmount, beforeVat, noVat, vat, grand;
    bool chargeVat, round;
    std::string name, address1, address2, city, postal, contact, phone, fax, comments, details, osek, receipts;
    std::vector<PlainLine> lines;
};

std::string textAt(sqlite3_stmt* s, int i) {
    const unsigned char* t = sqlite3_column_text(s, i);
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
}

std::vector<PlainInvoice> plainRead(sqlite3_stmt* headers, sqlite3_stmt* lines) {
    std::vector<PlainInvoice> result;
    sqlite3_bind_int(headers, 1, 1);
    while (sqlite3_step(headers) == SQLITE_ROW) {
        PlainInvoice inv;
        inv.number = sqlite3_column_int(headers, 1);
        inv.date = sqlite3_column_double(headers, 2);
        inv.customer = sqlite3_column_int(headers, 3);
        inv.name = textAt(headers, 4), inv.address1 = textAt(headers, 5), inv.address2 = textAt(headers, 6);
        inv.city = textAt(headers, 7), inv.postal = textAt(headers, 8), inv.contact = textAt(headers, 9);
        inv.phone = textAt(headers, 10), inv.fax = textAt(headers, 11), inv.comments = textAt(headers, 12);
        inv.details = textAt(headers, 13);
        inv.total1 = static_cast<int64_t>(sqlite3_column_double(headers, 14) * 10000);
        inv.rebatePercent = sqlite3_column_double(headers, 15);
        inv.rebate = static_cast<int64_t>(sqlite3_column_double(headers, 16) * 10000);
        inv.round = sqlite3_column_int(headers, 17);
        inv.roundAmount = static_cast<int64_t>(sqlite3_column_double(headers, 18) * 10000);
        inv.beforeVat = static_cast<int64_t>(sqlite3_column_double(headers, 19) * 10000);
        inv.noVat = static_cast<int64_t>(sqlite3_column_double(headers, 20) * 10000);
        inv.vat = static_cast<int64_t>(sqlite3_column_double(headers, 21) * 10000);
        inv.grand = static_cast<int64_t>(sqlite3_column_double(headers, 22) * 10000);
        inv.chargeVat = sqlite3_column_int(headers, 23);
        inv.trx = sqlite3_column_int(headers, 24);
        inv.due = sqlite3_column_double(headers, 25);
        inv.osek = textAt(headers, 26);
        inv.status = sqlite3_column_int(headers, 27);
        inv.receipts = textAt(headers, 28);
        sqlite3_bind_int64(lines, 1, sqlite3_column_int64(headers, 0));
        while (sqlite3_step(lines) == SQLITE_ROW)
            inv.lines.push_back({textAt(lines, 0), textAt(lines, 1), sqlite3_column_double(lines, 2),
                                 sqlite3_column_double(lines, 3), sqlite3_column_double(lines, 4),
                                 sqlite3_column_int(lines, 5) != 0});
        sqlite3_reset(lines);
        result.push_back(std::move(inv));
    }
    sqlite3_reset(headers);
    return result;
}

// The bytes of the values the rows hold: texts by length, numbers and dates 8 bytes each.
double rowBytes(const std::vector<PlainInvoice>& invoices) {
    double bytes = 0;
    for (const auto& i : invoices) {
        bytes += 20 * 8 + i.name.size() + i.address1.size() + i.address2.size() + i.city.size() + i.postal.size() +
                 i.contact.size() + i.phone.size() + i.fax.size() + i.comments.size() + i.details.size() +
                 i.osek.size() + i.receipts.size();
        for (const auto& l : i.lines) bytes += 4 * 8 + l.description.size() + l.currency.size();
    }
    return bytes;
}

void PlainGetInvoices(benchmark::State& state) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databases().read.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) std::abort();
    sqlite3_stmt *headers = nullptr, *lines = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT iInvoicesID, iInvoiceNumber, julianday(datxDate), iCustomersID, vcBusinessName, "
                       "vcAddress1, vcAddress2, vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcFax1, vcComments, "
                       "vcDetails, curTotal1, fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount, "
                       "curTotalBeforeVat, curTotalNoVat, curVat, curGrandTotal, blnChargeVat, iTrxCodesID, "
                       "julianday(datDueDate), vcCustomerOsekMorshe, iStatusID, iReceiptNumber FROM UsysInvoices "
                       "WHERE iBusinessID=?1 ORDER BY iInvoiceNumber",
                       -1, &headers, nullptr);
    sqlite3_prepare_v2(db,
                       "SELECT vcItemDescription, vcCurrencySymbol, iItemQty, curUnitPrice, curRate, blnChargeVAT "
                       "FROM InvoiceLines WHERE iInvoicesID=?1 ORDER BY iInvoiceLinesID",
                       -1, &lines, nullptr);
    double bytes = 0, peak = 0;
    for (auto _ : state) {
        const double before = heapInUse();
        auto rows = plainRead(headers, lines);
        peak = heapInUse() - before;
        bytes = rowBytes(rows);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["row_bytes"] = bytes;
    state.counters["held_bytes"] = peak;
    sqlite3_finalize(headers);
    sqlite3_finalize(lines);
    sqlite3_close(db);
}
BENCHMARK(PlainGetInvoices)->Unit(benchmark::kMillisecond);

void LibraryGetInvoices(benchmark::State& state) {
    databases();
    Kovrin k;
    k.KovrinPath(databases().read);
    double peak = 0;
    long count = 0;
    for (auto _ : state) {
        const double before = heapInUse();
        Variant all = k.GetInvoices();
        peak = heapInUse() - before;
        count = static_cast<long>(all.array().size());
        benchmark::DoNotOptimize(all);
    }
    if (count != Invoices) state.SkipWithError("wrong number of invoices");
    state.counters["held_bytes"] = peak;
}
BENCHMARK(LibraryGetInvoices)->Unit(benchmark::kMillisecond);

// The XML of one invoice. The plain program reads the same header and lines with prepared
// statements and writes the same elements with libxml2, each element's text the column's text.
constexpr int XmlInvoice = 1500;  // one in the middle of the business's invoices

void LibraryInvoiceXML(benchmark::State& state) {
    databases();
    Kovrin k;
    k.KovrinPath(databases().read);
    std::size_t size = 0;
    for (auto _ : state) {
        Variant xml = k.GetInvoicesByQueryXML(XmlInvoice);
        size = CStr(xml).size();
        benchmark::DoNotOptimize(xml);
    }
    state.counters["chars"] = static_cast<double>(size);
}
BENCHMARK(LibraryInvoiceXML)->Unit(benchmark::kMicrosecond);

void PlainInvoiceXML(benchmark::State& state) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databases().read.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) std::abort();
    static const char* const header[][2] = {
        {"CustomersID", "iCustomersID"}, {"BusinessName", "vcBusinessName"}, {"Address1", "vcAddress1"},
        {"Address2", "vcAddress2"}, {"City", "vcCity"}, {"PostalCode", "vcPostalCode"},
        {"ContactDetails", "vcContactDetails"}, {"Phone1", "vcPhone1"}, {"CustomerOsekMorshe", "vcCustomerOsekMorshe"},
        {"Fax", "vcFax1"}, {"TrxCodesID", "iTrxCodesID"}, {"DocDate", "datxDate"}, {"DocComments", "vcComments"},
        {"DocDetails", "vcDetails"}, {"Total1", "curTotal1"}, {"RebatePercent", "fltRebatePrcnt"},
        {"RebateAmount", "curRebateAmount"}, {"RoundTotal", "blnRebateRound"},
        {"RebateRoundAmount", "curRebateRoundAmount"}, {"TotalBeforeVat", "curTotalBeforeVat"},
        {"ChargeVAT", "blnChargeVAT"}, {"VAT", "round(curVat * 100 / (curGrandTotal - curVat), 2)"},
        {"VATAmount", "curVat"}, {"GrandTotal", "curGrandTotal"}, {"StatusID", "iStatusID"},
        {"ReceiptNumbers", "iReceiptNumber"}, {"DueDate", "datDueDate"}};
    static const char* const line[][2] = {{"ItemDescription", "vcItemDescription"}, {"ItemQuantity", "iItemQty"},
                                          {"UnitPrice", "curUnitPrice"}, {"Currency", "vcCurrencySymbol"},
                                          {"CurrencyRate", "curRate"}, {"ExtendedPrice", "curExtendedPrice"},
                                          {"ChargeVAT", "blnChargeVAT"}};
    std::string columns = "iInvoicesID";
    for (const auto& h : header) columns += std::string(", ") + h[1];
    std::string lineColumns;
    for (const auto& l : line) lineColumns += std::string(lineColumns.empty() ? "" : ", ") + l[1];
    sqlite3_stmt *head = nullptr, *lines = nullptr;
    sqlite3_prepare_v2(db, ("SELECT " + columns + " FROM UsysInvoices WHERE iInvoiceNumber=?1 AND iBusinessID=?2").c_str(),
                       -1, &head, nullptr);
    sqlite3_prepare_v2(db, ("SELECT " + lineColumns + " FROM InvoiceLines WHERE iInvoicesID=?1 AND iBusinessID=?2 "
                            "ORDER BY iInvoiceLinesID").c_str(), -1, &lines, nullptr);
    auto text = [](sqlite3_stmt* s, int c) { return reinterpret_cast<const xmlChar*>(sqlite3_column_text(s, c)); };
    std::size_t size = 0;
    for (auto _ : state) {
        sqlite3_bind_int(head, 1, XmlInvoice);
        sqlite3_bind_int(head, 2, 1);
        if (sqlite3_step(head) != SQLITE_ROW) std::abort();
        xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
        xmlNodePtr document = xmlNewNode(nullptr, BAD_CAST "Document");
        xmlDocSetRootElement(doc, document);
        xmlNewProp(document, BAD_CAST "type", BAD_CAST "Invoice");
        for (int c = 0; c < 27; ++c) xmlNewTextChild(document, nullptr, BAD_CAST header[c][0], text(head, c + 1));
        xmlNodePtr items = xmlNewChild(document, nullptr, BAD_CAST "LineItems", nullptr);
        sqlite3_bind_int64(lines, 1, sqlite3_column_int64(head, 0));
        sqlite3_bind_int(lines, 2, 1);
        for (int number = 1; sqlite3_step(lines) == SQLITE_ROW; ++number) {
            xmlNodePtr item = xmlNewChild(items, nullptr, BAD_CAST "LineItem", nullptr);
            xmlNewProp(item, BAD_CAST "number", BAD_CAST std::to_string(number).c_str());
            for (int c = 0; c < 7; ++c) xmlNewTextChild(item, nullptr, BAD_CAST line[c][0], text(lines, c));
        }
        sqlite3_reset(lines);
        sqlite3_reset(head);
        xmlBufferPtr buffer = xmlBufferCreate();
        xmlNodeDump(buffer, doc, document, 0, 0);
        const std::string out = std::string("<Kovrin>\r\n") +
                                std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                                            static_cast<std::size_t>(xmlBufferLength(buffer))) +
                                "\r\n</Kovrin>\r\n";
        xmlBufferFree(buffer);
        xmlFreeDoc(doc);
        size = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["chars"] = static_cast<double>(size);
    sqlite3_finalize(head);
    sqlite3_finalize(lines);
    sqlite3_close(db);
}
BENCHMARK(PlainInvoiceXML)->Unit(benchmark::kMicrosecond);

const char* const InvoiceXml =
    "<Kovrin><Document type=\"Invoice\"><CustomerID>4</CustomerID><TrxCodesID>1</TrxCodesID><VAT>17</VAT>"
    "<ChargeVAT>True</ChargeVAT><LineItems>"
    "<LineItem number=\"1\"><ItemDescription>Consulting hour</ItemDescription><UnitPrice>350</UnitPrice>"
    "<ItemQuantity>2</ItemQuantity><CurrencyRate>1</CurrencyRate></LineItem>"
    "<LineItem number=\"2\"><ItemDescription>Travel</ItemDescription><UnitPrice>120.5</UnitPrice>"
    "<ItemQuantity>1</ItemQuantity><CurrencyRate>1</CurrencyRate></LineItem>"
    "<LineItem number=\"3\"><ItemDescription>Licence</ItemDescription><UnitPrice>99.9</UnitPrice>"
    "<ItemQuantity>3</ItemQuantity><CurrencyRate>1</CurrencyRate></LineItem></LineItems></Document></Kovrin>";

// The same document by arguments: the lines made from the same values each time, as a caller
// building them would.
void LibraryCreateInvoice(benchmark::State& state) {
    databases();
    Kovrin k;
    k.KovrinPath(databases().write);
    for (auto _ : state) benchmark::DoNotOptimize(bench::createInvoice(k, bench::invoiceLines()));
}
BENCHMARK(LibraryCreateInvoice)->Unit(benchmark::kMicrosecond)->Iterations(300);

void LibraryCreateInvoiceXML(benchmark::State& state) {
    databases();
    Kovrin k;
    k.KovrinPath(databases().writeXml);
    for (auto _ : state) benchmark::DoNotOptimize(k.CreateInvoiceXML(InvoiceXml));
}
BENCHMARK(LibraryCreateInvoiceXML)->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace

BENCHMARK_MAIN();
