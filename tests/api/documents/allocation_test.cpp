// Allocation numbers: the thresholds by date, the rule, storing a number by hand and from XML, the
// record and the XML output, and the provider the library runs.
#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/InvoiceKabala.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/clsRegistry.h>

#include <chrono>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "DocumentTests.h"
#include "support/Checks.h"

using namespace kovrin;
using namespace kovrin::test;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr auto STD = InvoiceTypes::INVOICE_TYPE_STD;
constexpr auto W = InvoiceTypes::INVOICE_TYPE_W;
constexpr int Licensed = 4;    // a sample customer with a licensed-dealer number
constexpr int Unlicensed = 3;  // made into one without, below

Date day(int y, int m, int d) { return Date::fromCalendar(y, m, d, 10, 30); }

struct Books {
    Installation inst;
    Kovrin k;
    Books() { inst.exec("UPDATE Customers SET vcעוסקמורשה=NULL WHERE iCustomersID=3"); }

    int32_t invoice(Date date, std::vector<L> items, int customer = Licensed, bool vat = true,
                    InvoiceTypes type = STD, double rebatePercent = 0) {
        double percent = rebatePercent, rate = 18;
        Currency amount;
        bool round = false;
        return k.CreateInvoice(customer, date, "", percent, amount, round, rate, vat, "", 1, type, lines(items));
    }
    int32_t invoiceKabala(Date date, const char* price) {
        double percent = 0, rate = 18;
        Currency amount, total, net;
        bool round = false;
        return k.CreateInvoiceKabala(Licensed, date, "", percent, amount, round, rate, true, "", 1,
                                     lines({{price, 1}}), total, Currency(), net, payments({{price}}));
    }
    std::string stored(const char* table, int32_t number) {
        return rowsText(inst, std::string("SELECT vcAllocationNumber FROM ") + table +
                                  " WHERE iInvoiceNumber=" + std::to_string(number));
    }
};

TEST(AllocationNumbers, ThresholdsFollowTheDateAndTheRuleDecidesWhichDocumentsNeedOne) {
    Books b;
    struct Threshold {
        Date date;
        const char* amount;
    } thresholds[] = {
        {day(2024, 5, 4), "0"},       {day(2024, 5, 5), "25000"},   {day(2024, 12, 31), "25000"},
        {day(2025, 1, 1), "20000"},   {day(2026, 1, 1), "10000"},   {day(2026, 5, 31), "10000"},
        {day(2026, 6, 1), "5000"},    {Date(), "5000"},  // no date: today's
    };
    for (const auto& t : thresholds) EXPECT_EQ(b.k.GetAllocationThreshold(t.date).toString(), t.amount) << t.date.generalDate();

    struct Case {
        const char* name;
        std::function<int32_t()> create;
        ObjectType kind;
        int32_t status;
    } cases[] = {
        {"at the threshold", [&] { return b.invoice(day(2026, 6, 15), {{"5000", 1}}); }, ObjectType::Invoice, 1},
        {"a cent below", [&] { return b.invoice(day(2026, 6, 15), {{"4999.99", 1}}); }, ObjectType::Invoice, 0},
        {"day before the step down", [&] { return b.invoice(day(2026, 5, 31), {{"9999.99", 1}}); }, ObjectType::Invoice, 0},
        {"under 2026's first threshold", [&] { return b.invoice(day(2026, 5, 31), {{"5000", 2}}); }, ObjectType::Invoice, 1},
        {"before there were any", [&] { return b.invoice(day(2024, 5, 4), {{"100000", 1}}); }, ObjectType::Invoice, 0},
        {"first day of the first", [&] { return b.invoice(day(2024, 5, 5), {{"25000", 1}}); }, ObjectType::Invoice, 1},
        {"2025, just below", [&] { return b.invoice(day(2025, 12, 31), {{"19999.99", 1}}); }, ObjectType::Invoice, 0},
        {"foreign currency counts in shekels", [&] { return b.invoice(day(2026, 7, 1), {{"1300", 1, 3.9, false, "USD"}}); }, ObjectType::Invoice, 1},
        {"no VAT charged", [&] { return b.invoice(day(2026, 7, 1), {{"50000", 1}}, Licensed, false); }, ObjectType::Invoice, 0},
        {"customer without a dealer number", [&] { return b.invoice(day(2026, 7, 1), {{"50000", 1}}, Unlicensed); }, ObjectType::Invoice, 0},
        {"rebate takes it below", [&] { return b.invoice(day(2026, 7, 1), {{"5500", 1}}, Licensed, true, STD, 10); }, ObjectType::Invoice, 0},
        {"exempt lines count in the amount", [&] { return b.invoice(day(2026, 7, 1), {{"4900", 1}, {"200", 1, 1, true}}, Licensed, true, W); }, ObjectType::Invoice, 1},
        {"only exempt lines: no VAT", [&] { return b.invoice(day(2026, 7, 1), {{"9000", 1}}, Licensed, true, W); }, ObjectType::Invoice, 0},
        {"invoice-receipt", [&] { return b.invoiceKabala(day(2026, 7, 1), "6000"); }, ObjectType::INVOICE_KABALA, 1},
        {"small invoice-receipt", [&] { return b.invoiceKabala(day(2026, 7, 1), "600"); }, ObjectType::INVOICE_KABALA, 0},
        {"Iska invoices are not tax invoices", [&] {
             double p = 0, v = 18; Currency a; bool r = false;
             return b.k.CreateInvoiceIska(Licensed, day(2026, 7, 1), "", p, a, r, v, true, "", 1, STD, lines({{"60000", 1}}));
         }, ObjectType::HIYUV, 0},
        {"credit invoices need none", [&] {
             double p = 0, v = 18; Currency a; bool r = false;
             return b.k.CreateInvoiceZikui(Licensed, day(2026, 7, 1), "", p, a, r, v, true, "", 1, 1, lines({{"60000", 1}}));
         }, ObjectType::INVOICE_ZIKUI, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t number = c.create();
        EXPECT_EQ(b.k.AllocationNumberStatus(c.kind, number), c.status);
    }
    const Error e = errorOf([&] { b.k.AllocationNumberStatus(ObjectType::Invoice, 4444); });
    EXPECT_EQ(e.number(), 8257);
    EXPECT_EQ(e.description(), "Invoice not found. Invoice Number: 4444, BusinessID: 1");
    EXPECT_EQ(e.source(), "Kovrin.AllocationNumberStatus[50]\\modKovrin.AllocationNumberStatus[20]\\");
}

TEST(AllocationNumbers, AreCheckedStoredOnceAndShownInTheRecordAndTheXml) {
    Books b;
    const int32_t invoice = b.invoice(day(2026, 7, 1), {{"8000", 1}});
    const int32_t kabala = b.invoiceKabala(day(2026, 7, 1), "8000");
    const int32_t plain = b.invoice(day(2026, 7, 1), {{"80", 1}});
    const std::string xmlWithout = CStr(b.k.GetInvoicesByQueryXML(plain));
    const std::string tables = documentTables(b.inst);

    struct Refusal {
        ObjectType kind;
        int32_t number;
        std::string text;
        int32_t error;
    } refusals[] = {
        {ObjectType::Invoice, invoice, "12345678", 8401},
        {ObjectType::Invoice, invoice, "1234567890", 8401},
        {ObjectType::Invoice, invoice, "12345678a", 8401},
        {ObjectType::Invoice, invoice, " 123456789", 8401},
        {ObjectType::Invoice, invoice, "", 8401},
        {ObjectType::Invoice, invoice, "1'); DROP", 8401},
        {ObjectType::Invoice, invoice, "١٢٣٤٥٦٧٨٩", 8401},  // other digits than 0-9
        {ObjectType::RECEIPT, invoice, "123456789", 8403},
        {ObjectType::INVOICE_ZIKUI, invoice, "123456789", 8403},
        {ObjectType::Invoice, 4444, "123456789", 8257},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(errorOf([&] { b.k.SetAllocationNumber(r.kind, r.number, r.text); }).number(), r.error);
    }
    EXPECT_EQ(documentTables(b.inst), tables);  // nothing written
    EXPECT_EQ(errorOf([&] { b.k.SetAllocationNumber(ObjectType::Invoice, invoice, "12"); }).description(),
              "Invalid allocation number \"12\": an allocation number is nine digits.");

    // Leading zeros are kept; the same number again is fine, another is refused.
    b.k.SetAllocationNumber(ObjectType::Invoice, invoice, "012345678");
    b.k.SetAllocationNumber(ObjectType::Invoice, invoice, "012345678");
    const Error again = errorOf([&] { b.k.SetAllocationNumber(ObjectType::Invoice, invoice, "999999999"); });
    EXPECT_EQ(again.number(), 8402);
    EXPECT_EQ(again.description(), "Invoice " + std::to_string(invoice) +
                                       " already has the allocation number 012345678; it is not replaced by 999999999.");
    b.k.SetAllocationNumber(ObjectType::INVOICE_KABALA, kabala, "987654321");
    // A number on a document that does not need one is kept too.
    b.k.SetAllocationNumber(ObjectType::Invoice, plain, "555555555");

    EXPECT_EQ(b.stored("UsysInvoices", invoice), "012345678");
    EXPECT_EQ(b.k.AllocationNumberStatus(ObjectType::Invoice, invoice), 2);
    EXPECT_EQ(b.k.AllocationNumberStatus(ObjectType::INVOICE_KABALA, kabala), 2);
    EXPECT_EQ(b.k.GetInvoiceByNumber(invoice)->AllocationNumber(), "012345678");
    EXPECT_EQ(b.k.GetInvoiceKabalaByNumber(kabala)->AllocationNumber(), "987654321");
    const auto all = b.k.GetInvoices().array();
    EXPECT_EQ(all(0).objectAs<Invoice>()->AllocationNumber(), "012345678");
    EXPECT_EQ(b.k.GetInvoicesKabala().array()(0).objectAs<InvoiceKabala>()->AllocationNumber(), "987654321");

    // The XML output gains the element only where there is a number: other documents read as before.
    EXPECT_THAT(xmlWithout, Not(HasSubstr("Allocation")));
    const std::string xml = CStr(b.k.GetInvoicesByQueryXML(invoice));
    EXPECT_THAT(xml, HasSubstr("<DueDate></DueDate><AllocationNumber>012345678</AllocationNumber><LineItems>"));
}

TEST(AllocationNumbers, ComeWithTheXmlInputInTheDocumentsTransaction) {
    Books b;
    const std::string head = "<Document><CustomerID>4</CustomerID><DocDate>2026-07-01</DocDate><TrxCodesID>1</TrxCodesID>";
    const std::string line = "<LineItem><ItemDescription>x</ItemDescription><UnitPrice>7000</UnitPrice>"
                             "<ItemQuantity>1</ItemQuantity><CurrencyRate>1</CurrencyRate></LineItem>";
    const int32_t invoice = b.k.CreateInvoiceXML(head + "<AllocationNumber> 100200300 </AllocationNumber>" + line + "</Document>");
    EXPECT_EQ(b.stored("UsysInvoices", invoice), "100200300");
    const std::string fields = "<RebatePercent>0</RebatePercent><RebateAmount>0</RebateAmount>"
                               "<RoundTotal>False</RoundTotal><VAT>18</VAT><ChargeVAT>True</ChargeVAT><Total>0</Total>"
                               "<Tax>0</Tax><NetPmt>0</NetPmt>";
    const int32_t kabala = b.k.CreateInvoiceKabalaXML(head + fields + "<AllocationNumber>400500600</AllocationNumber>" + line +
                                                      "<ReceiptLineItem><PaymentTypesID>1</PaymentTypesID><Amount>10</Amount>"
                                                      "</ReceiptLineItem></Document>");
    EXPECT_EQ(b.stored("InvoicesKabala", kabala), "400500600");
    const int32_t without = b.k.CreateInvoiceXML(head + line + "</Document>");
    EXPECT_EQ(b.stored("UsysInvoices", without), "NULL");
    EXPECT_EQ(b.k.AllocationNumberStatus(ObjectType::Invoice, without), 1);

    // A bad number, or a document that fails after its number is known, leaves nothing behind.
    const std::string tables = documentTables(b.inst);
    const std::string badLine = "<LineItem><ItemDescription>x</ItemDescription><UnitPrice>7000</UnitPrice>"
                                "<Currency>XYZ</Currency><ItemQuantity>1</ItemQuantity></LineItem>";
    struct Failure {
        std::string xml;
        int32_t error;
    } failures[] = {
        {"<AllocationNumber>1002003</AllocationNumber>" + line + "</Document>", 8401},
        {"<AllocationNumber>700800900</AllocationNumber>" + badLine + "</Document>", 5436},
    };
    for (const auto& f : failures) {
        EXPECT_EQ(errorOf([&] { b.k.CreateInvoiceXML(head + f.xml); }).number(), f.error);
        EXPECT_EQ(errorOf([&] { b.k.CreateInvoiceKabalaXML(head + fields + f.xml); }).number(), f.error);
    }
    EXPECT_EQ(documentTables(b.inst), tables);
}

// A provider script of the tests' own: it keeps what it was given and counts its runs.
struct Provider {
    TempDir dir;
    std::string script = dir.file("provider.sh");
    clsRegistry reg;

    explicit Provider(const std::string& body) { use(body); }
    void use(const std::string& body) {
        std::ofstream(script) << "#!/bin/sh\ncat > '" << dir.file("input.json") << "'\necho run >> '"
                              << dir.file("runs") << "'\n" << body << "\n";
        reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin\\API", "AllocationProvider",
                      Variant("/bin/sh " + script));
    }
    int runs() const {
        std::ifstream in(dir.file("runs"));
        int n = 0;
        for (std::string l; std::getline(in, l);) ++n;
        return n;
    }
    nlohmann::json input() const { return nlohmann::json::parse(std::ifstream(dir.file("input.json"))); }
};

TEST(AllocationNumbers, AreAskedOfTheRegisteredProviderWhoseFailuresLeaveTheDocumentAsItWas) {
    Books b;
    const int32_t invoice = b.invoice(day(2026, 7, 1), {{"6000", 1}, {"10", 2.5, 1, false, "NIS", "Cable"}});
    EXPECT_EQ(errorOf([&] { b.k.RequestAllocationNumber(ObjectType::Invoice, invoice); }).number(), 8404);

    Provider p("echo '{\"number\":\"321654987\"}'");
    p.reg.SaveValue(p.reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin\\API", "AllocationTimeoutSeconds", Variant(1));
    struct Failure {
        const char* name;
        std::string body;
        int32_t error;
        const char* says;
    } failures[] = {
        {"refusal", "echo '{\"refused\":\"the customer is not a dealer\"}'", 8406, ": the customer is not a dealer"},
        {"not JSON", "echo 'sure thing'", 8407, "sure thing"},
        {"short number", "echo '{\"number\":\"12345\"}'", 8407, "no valid answer"},
        {"number with more", "echo '{\"number\":\"123456789; rm -rf /\"}'", 8407, "no valid answer"},
        {"number as a number", "echo '{\"number\":123456789}'", 8407, "no valid answer"},
        {"failed", "echo 'no network' >&2; exit 3", 8407, "exit status 3: no network"},
        {"too slow", "sleep 20", 8408, "within 1 seconds"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        p.use(f.body);
        const auto start = std::chrono::steady_clock::now();
        const Error e = errorOf([&] { b.k.RequestAllocationNumber(ObjectType::Invoice, invoice); });
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(e.number(), f.error);
        EXPECT_THAT(e.description(), HasSubstr(f.says));
        EXPECT_EQ(b.stored("UsysInvoices", invoice), "NULL");
        EXPECT_EQ(b.k.AllocationNumberStatus(ObjectType::Invoice, invoice), 1);
    }
    p.reg.SaveValue(p.reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin\\API", "AllocationProvider",
                    Variant(p.dir.file("absent-provider")));
    EXPECT_EQ(errorOf([&] { b.k.RequestAllocationNumber(ObjectType::Invoice, invoice); }).number(), 8405);

    // Success: stored and returned; asked again, the stored number without running the provider.
    p.use("echo '{\"number\":\"321654987\"}'");
    const int before = p.runs();
    EXPECT_EQ(b.k.RequestAllocationNumber(ObjectType::Invoice, invoice), "321654987");
    EXPECT_EQ(b.k.RequestAllocationNumber(ObjectType::Invoice, invoice), "321654987");
    EXPECT_EQ(p.runs(), before + 1);
    EXPECT_EQ(b.stored("UsysInvoices", invoice), "321654987");

    // What the provider was given.
    const nlohmann::json in = p.input();
    EXPECT_EQ(in["objectType"], 1);
    EXPECT_EQ(in["kind"], "Invoice");
    EXPECT_EQ(in["number"], invoice);
    EXPECT_EQ(in["date"], "2026-07-01");
    EXPECT_EQ(in["business"]["dealerNumber"], "514233766");
    EXPECT_EQ(in["customer"]["id"], 4);
    EXPECT_EQ(in["customer"]["dealerNumber"], "512987652");
    EXPECT_EQ(in["amountBeforeVat"], "6025");
    EXPECT_EQ(in["vat"], "1084.5");
    EXPECT_EQ(in["total"], "7109.5");
    ASSERT_EQ(in["lines"].size(), 2u);
    EXPECT_EQ(in["lines"][1]["description"], "Cable");
    EXPECT_EQ(in["lines"][1]["quantity"], 2.5);
    EXPECT_EQ(in["lines"][1]["amount"], "25");
}

TEST(AllocationNumbers, AreAskedForNewDocumentsThatNeedOneWithoutFailingTheirCreation) {
    Books b;
    Provider p("echo '{\"number\":\"111222333\"}'");
    const int32_t small = b.invoice(day(2026, 7, 1), {{"100", 1}});
    EXPECT_EQ(p.runs(), 0);  // not needed: not asked
    const int32_t big = b.invoice(day(2026, 7, 1), {{"9000", 1}});
    EXPECT_EQ(b.stored("UsysInvoices", big), "111222333");
    const int32_t kabala = b.invoiceKabala(day(2026, 7, 1), "9000");
    EXPECT_EQ(b.stored("InvoicesKabala", kabala), "111222333");
    EXPECT_EQ(p.runs(), 2);
    EXPECT_EQ(b.stored("UsysInvoices", small), "NULL");

    // A refusal: the document is created all the same, its number returned, the failure recorded.
    p.use("echo '{\"refused\":\"service down\"}'");
    const int32_t refused = b.invoice(day(2026, 7, 1), {{"9000", 1}});
    EXPECT_EQ(refused, big + 1);
    EXPECT_EQ(b.k.AllocationNumberStatus(ObjectType::Invoice, refused), 1);
    EXPECT_THAT(rowsText(b.inst, "SELECT vcErrorDescription FROM Errors"),
                HasSubstr("Allocation number of Invoice " + std::to_string(refused) + ": error 8406"));
    // Asked again later, once the service is back.
    p.use("echo '{\"number\":\"444555666\"}'");
    EXPECT_EQ(b.k.RequestAllocationNumber(ObjectType::Invoice, refused), "444555666");
}

}  // namespace
