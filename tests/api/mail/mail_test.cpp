#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/clsRegistry.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "api/bridge/FrontEnd.h"
#include "api/core/DebugLog.h"
#include "api/core/modUtils.h"
#include "support/Checks.h"
#include "support/FakeFrontEnd.h"
#include "support/FastClock.h"
#include "support/Installation.h"

namespace kovrin {
namespace {

using test::errorOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using Message = std::multimap<std::string, std::string>;

// The loopback SMTP servers, started once for the whole program.
class SmtpServers : public ::testing::Environment {
public:
    static inline SmtpServers* current = nullptr;
    int openPort = 0, authPort = 0;

    void SetUp() override {
        current = this;
        const std::string cmd = std::string("exec ") + KOVRIN_PYTHON + " '" + KOVRIN_SMTP_SERVER + "' '" +
                                out_.path().string() + "'";
        pipe_ = popen(cmd.c_str(), "r");
        ASSERT_TRUE(pipe_);
        ASSERT_EQ(std::fscanf(pipe_, "%d %d %d", &pid_, &openPort, &authPort), 3) << "SMTP server did not start";
    }
    void TearDown() override {
        if (pid_ > 0) kill(pid_, SIGTERM);
        if (pipe_) pclose(pipe_);
    }

    // The messages received since the last call, in order.
    std::vector<Message> received() {
        std::vector<Message> out;
        for (;; ++taken_) {
            char name[16];
            std::snprintf(name, sizeof name, "%04d.txt", taken_ + 1);
            std::ifstream in(out_.path() / name);
            if (!in) return out;
            Message m;
            for (std::string line; std::getline(in, line);) {
                const auto tab = line.find('\t');
                m.emplace(line.substr(0, tab), unescape(line.substr(tab + 1)));
            }
            out.push_back(std::move(m));
        }
    }

private:
    static std::string unescape(const std::string& s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i)
            out += s[i] != '\\' || i + 1 == s.size() ? s[i] : s[++i] == 'n' ? '\n' : s[i] == 'r' ? '\r' : s[i];
        return out;
    }

    test::TempDir out_;
    FILE* pipe_ = nullptr;
    int pid_ = 0;
    int taken_ = 0;
};
const auto* const servers = ::testing::AddGlobalTestEnvironment(new SmtpServers);

std::vector<std::string> all(const Message& m, const std::string& key) {
    std::vector<std::string> out;
    for (auto [it, end] = m.equal_range(key); it != end; ++it) out.push_back(it->second);
    return out;
}
std::string one(const Message& m, const std::string& key) {
    auto v = all(m, key);
    return v.size() == 1 ? v[0] : "<" + std::to_string(v.size()) + " values of " + key + ">";
}

struct MailTest : ::testing::Test {
    test::Installation inst;
    test::FakeFrontEnd frontEnd;
    Kovrin k;
    clsRegistry reg;
    SmtpServers& smtp = *SmtpServers::current;

    MailTest() {
        core::forgetDebugLogFileName();
        smtp.received();
    }
    void useAuthServer() {
        k.MailServer("127.0.0.1:" + std::to_string(smtp.authPort));
        k.MailServerUserName("kovrin");
        k.MailServerPassword("s3cret:@pw");
    }
    std::string logText() {
        std::ifstream in(core::debugLogFileName());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(MailTest, OneMessageWithEverything) {
    useAuthServer();
    k.DebugMode(true);
    const std::string attachment = frontEnd.dir().file("doc.pdf");
    std::ofstream(attachment, std::ios::binary) << std::string("%PDF-1.4\n\x01\xff binary\r\n", 20);
    k.SendMail("חשבונית 1052 \"דחוף\"", "office@kovrin.example", "קוברין בע\"מ", "a@example.com, b@example.com",
               "c@example.com", "d@example.com,", "<p>שלום &amp; תודה</p>", attachment);
    auto messages = smtp.received();
    ASSERT_EQ(messages.size(), 1u);
    const Message& m = messages[0];
    EXPECT_EQ(one(m, "login"), "kovrin");
    EXPECT_EQ(one(m, "mail_from"), "office@kovrin.example");
    EXPECT_THAT(all(m, "rcpt"), ElementsAre("a@example.com", "b@example.com", "c@example.com", "d@example.com"));
    EXPECT_EQ(one(m, "subject"), "חשבונית 1052 \"דחוף\"");
    EXPECT_EQ(one(m, "from_name"), "קוברין בע\"מ");
    EXPECT_EQ(one(m, "from_address"), "office@kovrin.example");
    EXPECT_EQ(one(m, "to"), "a@example.com, b@example.com");
    EXPECT_EQ(one(m, "cc"), "c@example.com");
    EXPECT_TRUE(all(m, "bcc").empty());
    EXPECT_EQ(one(m, "content_type"), "multipart/mixed");
    EXPECT_EQ(one(m, "body_type"), "text/html");
    EXPECT_EQ(one(m, "charset"), "windows-1255");
    EXPECT_EQ(one(m, "body"), "<p>שלום &amp; תודה</p>");
    EXPECT_EQ(one(m, "attachment"), "doc.pdf");
    EXPECT_EQ(one(m, "attachment_data"), std::string("%PDF-1.4\n\x01\xc3\xbf binary\r\n", 21));  // latin-1 as UTF-8
    EXPECT_EQ(all(m, "date").size(), 1u);

    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr("\tKovrin.SendMail\t\t\r\n"));
    EXPECT_THAT(log, HasSubstr("\tmodMail.SendSMTPMail\tServer\tkovrin:****@127.0.0.1:" + std::to_string(smtp.authPort) + "\r\n"));
    EXPECT_THAT(log, HasSubstr("\tmodMail.SendSMTPMail\tstrAttachmentFileName\t" + attachment + "\r\n"));
    EXPECT_THAT(log, Not(HasSubstr("s3cret")));
}

TEST_F(MailTest, HtmlAloneAndTextOutsideWindows1255) {
    k.MailServer("127.0.0.1:" + std::to_string(smtp.openPort));
    k.SendMail("Привет", "me@example.com", "", "x@example.com", "", "", "<b>Привет 😀 שלום</b>");
    k.SendMail("plain", "me@example.com", "Me \"Q\"", "x@example.com", "", "", "<i>hi</i>", std::string());
    auto messages = smtp.received();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(one(messages[0], "content_type"), "text/html");
    EXPECT_EQ(one(messages[0], "charset"), "utf-8");
    EXPECT_EQ(one(messages[0], "subject"), "Привет");
    EXPECT_EQ(one(messages[0], "body"), "<b>Привет 😀 שלום</b>");
    EXPECT_EQ(one(messages[0], "login"), "");
    EXPECT_EQ(one(messages[1], "content_type"), "text/html");
    EXPECT_EQ(one(messages[1], "from_name"), "Me \"Q\"");
    EXPECT_THAT(one(messages[1], "body"), HasSubstr("<i>hi</i>"));
}

TEST_F(MailTest, FailuresAreErrorsWithTheConversationAndNoPassword) {
    struct Case {
        const char* what;
        std::function<void()> setUp;
        std::string recipients;
        std::string attachment;
        int32_t number;
        std::string inDescription;
    } cases[] = {
        {"server down", [&] { k.MailServer("127.0.0.1:1"); }, "x@example.com", "", 440, "Log: "},
        {"wrong password",
         [&] {
             useAuthServer();
             k.MailServerPassword("wrong-pw");
         },
         "x@example.com", "", 440, "535"},
        {"no credentials",
         [&] {
             useAuthServer();
             k.MailServerUserName("");
             k.MailServerPassword("");
         }, "x@example.com", "",
         440, "530"},
        {"recipient refused", [&] { useAuthServer(); }, "x@example.com,reject@example.com", "", 440, "550"},
        {"attachment missing", [&] { useAuthServer(); }, "x@example.com", "/nonexistent/a.pdf", 53, "File not found Log: "},
    };
    for (const auto& c : cases) {
        c.setUp();
        auto e = errorOf([&] { k.SendMail("s", "me@example.com", "", c.recipients, "", "", "b", c.attachment); });
        EXPECT_EQ(e.number(), c.number) << c.what;
        EXPECT_THAT(e.source(), ::testing::StartsWith("Kovrin.SendMail[50]\\modMail.SendSMTPMail[")) << c.what;
        EXPECT_THAT(e.description(), HasSubstr(" Log: ")) << c.what;
        EXPECT_THAT(e.description(), HasSubstr(c.inDescription)) << c.what << ": " << e.description();
        EXPECT_THAT(e.description(), Not(HasSubstr("wrong-pw"))) << c.what;
        EXPECT_THAT(e.description(), Not(HasSubstr("s3cret"))) << c.what;
        EXPECT_THAT(e.description(), Not(HasSubstr("czNjcmV0"))) << c.what;  // base64 of the password's start
    }
    EXPECT_TRUE(smtp.received().empty());
}

// ---- SendDocByMail --------------------------------------------------------------------------

constexpr const char* DriverData = "Software\\FinePrint Software\\pdfFactory3\\FinePrinters\\pdfFactory\\PrinterDriverData";
constexpr const char* DriverPrinter = "Software\\FinePrint Software\\pdfFactory3\\FinePrinters\\pdfFactory";
constexpr const char* Driver = "Software\\FinePrint Software\\pdfFactory3";

struct DocMailTest : MailTest {
    test::FastClock clock;

    DocMailTest() {
        useAuthServer();
        reg.SaveDWORDValue(reg.HKEY_CURRENT_USER(), DriverData, "ShowDlg", Variant(1));
        reg.SaveDWORDValue(reg.HKEY_CURRENT_USER(), DriverData, "PdfAction", Variant(5));
        k.SetKovrinPrinter("HP LaserJet");
        k.PDFTimeout(600000);  // the fast clock must not run out before the real front-end answers
    }
    void send(int32_t number, ObjectType kind) {
        k.SendDocByMail(number, kind, "Doc", "office@kovrin.example", "Office", "x@example.com", "", "", "<p>doc</p>");
    }
    // The driver's and front-end's settings are as before the call.
    void expectRestored() {
        const int32_t user = reg.HKEY_CURRENT_USER();
        EXPECT_EQ(CLng(reg.GetValue(user, DriverData, "ShowDlg")), 1);
        EXPECT_EQ(CLng(reg.GetValue(user, DriverData, "PdfAction")), 5);
        EXPECT_EQ(CLng(reg.GetValue(user, DriverPrinter, "PdfAction")), 5);
        EXPECT_EQ(CStr(reg.GetValue(user, Driver, "OutputFile", Variant("absent"))), "");
        bool debug = false;
        EXPECT_EQ(CStr(modKovrin::GetKovrinPrinter(debug)), "HP LaserJet");
    }
};

TEST_F(DocMailTest, PrintsToPdfThroughTheFrontEndAndMailsIt) {
    k.DebugMode(true);
    send(1052, ObjectType::Invoice);
    const auto call = frontEnd.next();
    EXPECT_THAT(call.cmdline, ::testing::EndsWith("\"/x apiPrintInvoice /cmd 1052"));
    EXPECT_THAT(call.printers, HasSubstr("pdfFactory"));  // what the front-end printed with
    auto messages = smtp.received();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(one(messages[0], "attachment"), "Invoice 1052.pdf");
    EXPECT_THAT(one(messages[0], "attachment_data"), ::testing::StartsWith("%PDF-1.4\n% apiPrintInvoice 1052"));
    EXPECT_EQ(one(messages[0], "subject"), "Doc");
    expectRestored();
    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr("\tKovrin.SendDocByMail\tiDocNumber\t1052\r\n"));
    EXPECT_THAT(log, HasSubstr("\tKovrin.SendDocByMail\tWaiting for pdfFactory \t"));
    EXPECT_THAT(log, HasSubstr("\tKovrin.SendDocByMail\tobjReg.SaveDWORDValue objReg.HKEY_CURRENT_USER, \"" +
                               std::string(DriverPrinter) + "\", \"PdfAction\", \t5\r\n"));
    EXPECT_THAT(log, HasSubstr("objReg.SaveValue objReg.HKEY_CURRENT_USER, \"" + std::string(Driver) +
                               "\", \"OutputFile\", \t\"\"\r\n"));

    send(7, ObjectType::HIYUV);
    EXPECT_THAT(frontEnd.next().cmdline, ::testing::EndsWith("/x apiPrintInvoiceHiyuv /cmd 7"));
    EXPECT_EQ(one(smtp.received().at(0), "attachment"), "Invoice Proforma 7.pdf");
}

TEST_F(DocMailTest, FailuresLeaveTheSettingsAsTheyWere) {
    // Kinds that cannot be printed fail before anything is touched.
    for (auto [kind, number, word] : {std::tuple{ObjectType::EXPENSES, 6461, "Expenses"}, {ObjectType::ORDER_, 6462, "Order"},
                                      {ObjectType::PROPOSAL, 6463, "Proposal"}, {ObjectType::SHIPPING, 6464, "Shipping"}}) {
        auto e = errorOf([&] { send(1, kind); });
        EXPECT_EQ(e.number(), number);
        EXPECT_EQ(e.description(), std::string("Can not print and send object type ") + word + ".");
        EXPECT_EQ(e.source(), "Kovrin.SendDocByMail[20]\\");
    }
    EXPECT_EQ(CStr(reg.GetValue(reg.HKEY_CURRENT_USER(), Driver, "OutputFile", Variant("absent"))), "absent");
    EXPECT_FALSE(frontEnd.startedWithin(std::chrono::milliseconds(0)));

    // No PDF in time: 2758, everything put back (the front-end printer too).
    k.PDFTimeout(0);
    auto e = errorOf([&] { send(1052, ObjectType::RECEIPT); });
    EXPECT_EQ(e.number(), 2758);
    EXPECT_EQ(e.description(),
              "Timeout after waiting 0 milliseconds for the pdfFactory printer.  Try to increase the PDFTimeout value. "
              "The value is in milliseconds.");
    EXPECT_EQ(e.source(), "Kovrin.SendDocByMail[110]\\");
    frontEnd.next();
    expectRestored();

    frontEnd.silent(true);
    k.PDFTimeout(2500);
    clock.sleeps = 0;
    EXPECT_EQ(errorOf([&] { send(3, ObjectType::REFUND); }).description().substr(0, 30), "Timeout after waiting 2500 mil");
    EXPECT_EQ(clock.elapsed(), 3000);  // measured in whole seconds
    frontEnd.next();
    expectRestored();

    // The PDF is there but the mail fails.
    frontEnd.silent(false);
    k.PDFTimeout(600000);
    k.MailServer("127.0.0.1:1");
    e = errorOf([&] { send(5, ObjectType::INVOICE_ZIKUI); });
    EXPECT_EQ(e.number(), 440);
    EXPECT_THAT(e.source(), ::testing::StartsWith("Kovrin.SendDocByMail[120]\\Kovrin.SendMail[50]\\"));
    frontEnd.next();
    expectRestored();
    EXPECT_TRUE(smtp.received().empty());
}


// ---- the real front-end program, end to end -----------------------------------------------------

// The bookkeeping front-end that kovrin-db registered prints the stored invoice to PDF, the mail
// carries it, and the page says what the invoice holds.
TEST(RealFrontEnd, MailsTheInvoiceItPrintedAndRefreshesBalances) {
    // A database name with blanks and Hebrew reaches the front-end as one argument.
    test::Installation inst{test::Installation::Data::Sample, "ספרי חשבונות 2026.sqlite"};
    Kovrin k;
    SmtpServers& smtp = *SmtpServers::current;
    smtp.received();
    const int32_t customer = k.CreateCustomer("מאפיית הגליל", "513456780", "", "", "", "", "", "", "", "", "", "", "",
                                              Currency(), "", "", 0, 0, Currency(), "NIS", "");
    double percent = 0, vat = 17;
    Currency rebate;
    bool round = false;
    VariantArray lines(2);
    for (long i = 0; i < 2; ++i) {
        auto line = std::make_shared<LineItem>();
        line->ItemDescription(i == 0 ? "ייעוץ" : "Licence");
        line->UnitPrice(Currency(i == 0 ? 100 : 50));
        line->ItemQuantity(static_cast<double>(i + 1));
        line->CurrencyRate(1);
        line->ItemCurrency("NIS");
        lines(i) = Variant(line);
    }
    const int32_t number = k.CreateInvoice(customer, Date::fromCalendar(2026, 1, 15), "", percent, rebate, round, vat,
                                           true, "", 1, InvoiceTypes::INVOICE_TYPE_STD, Variant(std::move(lines)));
    k.MailServer("127.0.0.1:" + std::to_string(smtp.openPort));
    k.PDFTimeout(30000);
    k.SendDocByMail(number, ObjectType::Invoice, "Invoice", "office@kovrin.example", "Office", "x@example.com", "", "",
                    "<p>attached</p>");
    auto messages = smtp.received();
    ASSERT_EQ(messages.size(), 1u);
    const std::string name = "Invoice " + std::to_string(number) + ".pdf";
    EXPECT_EQ(one(messages[0], "attachment"), name);

    const std::string pdf = modUtils::GetTempDir() + name, txt = pdf + ".txt";
    ASSERT_EQ(std::system(("pdftotext '" + pdf + "' '" + txt + "'").c_str()), 0);
    std::ifstream in(txt);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const std::string& expected : {std::to_string(number), std::string("234.00"), std::string("Licence")})
        EXPECT_THAT(page, HasSubstr(expected));
    std::remove(pdf.c_str());
    std::remove(txt.c_str());

    // The balance report waits for the front-end's refresh and shows the invoice's grand total.
    const std::string report = k.GetCustomersBalance(Date::fromCalendar(2026, 2, 1), false, 30);
    EXPECT_THAT(report, HasSubstr("<BusinessName>מאפיית הגליל</BusinessName><Balance>234</Balance>"));
}
}  // namespace
}  // namespace kovrin
