// A short tour of the library against the registered bookkeeping database: what an outside
// program does to find the database, pick a business and read and write through the library.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/ReceiptLineItem.h>
#include <KovrinAPI/clsBusinessDetails.h>
#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/runtime/Error.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

using namespace kovrin;

// The invoice printed by the front-end to a PDF file, as the "pdfFactory" printer does: the file is
// named in the driver's "OutputFile" value, which the front-end clears when the file is written.
// With "--mail SERVER[:PORT] ADDRESS" the invoice is mailed instead, as a PDF attachment.
void printAndMail(Kovrin& kovrin, int32_t invoice, int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--mail") {
        kovrin.MailServer(argv[2]);
        kovrin.SendDocByMail(invoice, ObjectType::Invoice, "Invoice " + std::to_string(invoice),
                             "example@kovrin.example", "Kovrin example", argv[3], "", "", "<p>Your invoice.</p>");
        std::cout << "Mailed invoice " << invoice << " to " << argv[3] << " through " << argv[2] << "\n";
        return;
    }
    clsRegistry reg;
    const std::string driver = "Software\\FinePrint Software\\pdfFactory3";
    const std::string pdf = (std::filesystem::temp_directory_path() / ("Invoice " + std::to_string(invoice) + ".pdf")).string();
    reg.SaveValue(reg.HKEY_CURRENT_USER(), driver, "OutputFile", Variant(pdf));
    kovrin.SetKovrinPrinter("pdfFactory");
    kovrin.PrintInvoice(invoice);  // returns at once: the front-end prints on its own
    for (int i = 0; i < 200 && !CStr(reg.GetValue(reg.HKEY_CURRENT_USER(), driver, "OutputFile", Variant(""))).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::cout << "Invoice " << invoice << " printed to " << pdf << "\n";
    std::cout << "(mail it with: kovrin-example --mail 127.0.0.1:8025 you@example.com, after starting a server with\n"
                 " python3 -m aiosmtpd -n -l 127.0.0.1:8025)\n";
}

int main(int argc, char** argv) {
    try {
        Kovrin kovrin;  // finds the installation through the registry
        std::cout << "KovrinAPI " << kovrin.Version() << ", " << kovrin.Clock() << "\n";
        std::cout << "Database: " << kovrin.KovrinPath() << "\n";

        Variant businesses = kovrin.GetKovrinBusinessList();
        if (businesses.isEmpty()) {
            std::cout << "The database has no business.\n";
            return 1;
        }
        for (long i = 0; i <= businesses.array().ubound(); ++i) {
            auto b = businesses.array()(i).objectAs<clsBusinessDetails>();
            std::cout << "Business " << b->BusinessID() << ": " << b->BusinessName() << " ("
                      << CStr(b->OsekMorshe()) << ")\n";
        }
        kovrin.BusinessID(1);
        std::cout << "Licensed dealer of business 1: " << kovrin.GetOsekMorshe() << "\n";

        kovrin.SetKovrinRegSetting("ExampleLastRun", Variant(kovrin.Clock()));
        std::cout << "Setting ExampleLastRun = " << CStr(kovrin.GetKovrinRegSetting("ExampleLastRun", Variant(""))) << "\n";

        Date day;  // no date: the VAT rate of today, and the variable receives today's date
        double vat = kovrin.GetVatRate(day);
        std::cout << "VAT rate on " << day.shortDate() << ": " << toText(vat) << "%\n";
        std::cout << "Exchange rates: " << kovrin.GetExchangeRates() << "\n";

        // A customer of our own, found again by our key; created once, updated on later runs.
        try {
            kovrin.GetCustomerByForeignKey("EXAMPLE-1");
            kovrin.UpdateCustomerByForeignKey("Example Ltd", "512345678", "Noa", "Bar", "EXAMPLE-1", "Rothschild 1",
                                              std::nullopt, "Tel Aviv", std::nullopt, std::nullopt, std::nullopt,
                                              std::nullopt, "noa@example.co.il", std::nullopt, std::nullopt,
                                              std::nullopt, 1, Currency::parse("350"), "NIS");
            std::cout << "Updated customer EXAMPLE-1\n";
        } catch (const Error& e) {
            if (e.number() != 8255) throw;  // anything but "not found" is a real failure
            int32_t id = kovrin.CreateCustomer("Example Ltd", "512345678", "Noa", "Bar", "Rothschild 1", "", "Tel Aviv",
                                               "", "03-5555555", "", "", "noa@example.co.il", "made by the example",
                                               Currency(), "", "", 0, 1, Currency::parse("350"), "NIS", "EXAMPLE-1");
            std::cout << "Created customer EXAMPLE-1 with key " << id << "\n";
        }
        Variant customers = kovrin.GetCustomers();
        std::cout << "Customers of business 1:\n";
        if (customers.isArray())
            for (long i = 0; i <= customers.array().ubound(); ++i) {
                auto c = customers.array()(i).objectAs<Customer>();
                std::cout << "  " << c->CustomersNumber() << "  " << c->BusinessName() << "  (" << c->City()
                          << ", charge " << c->Charge().toString() << " " << c->ChargeCurrency() << ")\n";
            }

        // An invoice of two lines for the first sample customer, a receipt paying it by cheque,
        // and an invoice-receipt paid in cash. VAT 0 means the rate of the invoice date.
        VariantArray lines(2);
        for (long i = 0; i < 2; ++i) {
            auto line = std::make_shared<LineItem>();
            line->ItemDescription(i == 0 ? "Consulting hour" : "Travel");
            line->UnitPrice(Currency::parse(i == 0 ? "350" : "120.50"));
            line->ItemQuantity(i == 0 ? 2 : 1);
            line->CurrencyRate(1);
            lines(i) = Variant(line);
        }
        double rebatePercent = 0, vatRate = 0;
        Currency rebate, total, net;
        bool roundTotal = false;
        int32_t invoice = kovrin.CreateInvoice(1, Date::now(), "made by the example", rebatePercent, rebate, roundTotal,
                                               vatRate, true, "", 1, InvoiceTypes::INVOICE_TYPE_STD, Variant(lines));
        Currency linesTotal;
        for (long i = 0; i < 2; ++i) linesTotal += lines(i).objectAs<LineItem>()->ExtendedPrice();
        std::cout << "Invoice " << invoice << ": lines " << linesTotal.toString() << " at VAT " << toText(vatRate * 100)
                  << "%\n";

        // The invoice read back as a record and as XML, and a second invoice made from XML text.
        auto stored = kovrin.GetInvoiceByNumber(invoice);
        std::cout << "Invoice " << stored->iInvoiceNumber() << " for " << stored->vcBusinessName() << ": "
                  << stored->varInvoiceLines().array().size() << " lines, grand total "
                  << stored->curGrandTotal().toString() << "\n";
        std::cout << CStr(kovrin.GetInvoicesByQueryXML(invoice));
        const std::string xml =
            "<Kovrin><Document type=\"Invoice\"><CustomerID>1</CustomerID><TrxCodesID>1</TrxCodesID>"
            "<DocComments>made from XML</DocComments><LineItems><LineItem number=\"1\">"
            "<ItemDescription>Support hour</ItemDescription><UnitPrice>250</UnitPrice><ItemQuantity>3</ItemQuantity>"
            "<CurrencyRate>1</CurrencyRate></LineItem></LineItems></Document></Kovrin>";
        std::cout << "Invoice " << kovrin.CreateInvoiceXML(xml) << " made from XML\n";

        auto cheque = std::make_shared<ReceiptLineItem>();
        cheque->PaymentTypesID(2);
        cheque->Bank(12);
        cheque->Branch("782");
        cheque->Check("100234");
        cheque->CheckDate(Date::today());
        cheque->Amount(Currency::parse("500"));
        VariantArray payment(1);
        payment(0) = Variant(cheque);
        int32_t receipt = kovrin.CreateReceipt(1, Date::now(), total, Currency(), net, "", std::to_string(invoice),
                                               Variant(payment));
        std::cout << "Receipt " << receipt << " for invoice " << invoice << ": total " << total.toString() << "\n";

        rebatePercent = 0, vatRate = 0, roundTotal = true;
        cheque->PaymentTypesID(1);
        cheque->Amount(Currency::parse("100"));
        int32_t invoiceReceipt = kovrin.CreateInvoiceKabala(1, Date::now(), "", rebatePercent, rebate, roundTotal,
                                                            vatRate, true, "", 1, Variant(lines), total, Currency(),
                                                            net, Variant(payment));
        std::cout << "Invoice-receipt " << invoiceReceipt << ": paid " << net.toString() << ", total "
                  << total.toString() << "\n";

        printAndMail(kovrin, invoice, argc, argv);
        // The balance tables are recomputed by the front-end only for a date other than the one they
        // were last computed to (today, for a new sample database): ask up to tomorrow.
        std::cout << "Balances up to tomorrow:\n"
                  << kovrin.GetCustomersBalance(Date(Date::today().serial() + 1)) << "\n";
        return 0;
    } catch (const Error& e) {
        std::cerr << "Error " << e.number() << " in " << e.source() << ": " << e.description() << "\n";
        return 1;
    }
}
