// The front-end program as the library starts it: a separate process on a real database and
// registry store, with the command lines the library builds. With KOVRIN_TEST_ENGINE=postgresql
// the books are a database of their own on the test run's PostgreSQL server.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SqliteFile.h"
#include "platform/registry/RegistryStore.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

extern char** environ;

namespace kovrin::frontend {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using test::SqliteFile;
using test::TempDir;

constexpr std::string_view PdfKey = "Software\\FinePrint Software\\pdfFactory3";
constexpr std::string_view PrinterKey = "Software\\VB and VBA Program Settings\\קוברין\\514233766";

struct Outcome {
    int status = -1;
    std::string err;
};

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string regText(uint32_t hive, std::string_view key, std::string_view name) {
    registry::Handle h = 0;
    registry::Value v;
    if (registry::openKey(hive, key, h) != 0) return "<none>";
    const int32_t status = registry::queryValue(h, name, v);
    registry::closeKey(h);
    return status == 0 ? v.data : "<none>";
}
void setRegText(uint32_t hive, std::string_view key, std::string_view name, std::string_view text) {
    ASSERT_EQ(registry::writeString(hive, key, name, text), 0);
}

bool testsOnServer() {
    const char* engine = std::getenv("KOVRIN_TEST_ENGINE");
    return engine && std::string(engine) == "postgresql";
}

// The books the tests set up and look into: the file, or the server database, with plain SQL that
// both engines take. Values come back as text, NULL as "NULL".
class Books {
public:
    explicit Books(const std::string& file) : file_(file) {
        if (testsOnServer()) server_ = std::make_unique<test::PostgresDatabase>(*test::PostgresServer::shared());
    }
    std::string where() const { return server_ ? server_->uri() : file_; }
    bool onServer() const { return server_ != nullptr; }
    const test::PostgresDatabase& server() const { return *server_; }

    void run(const std::string& sql) {
        if (server_) server_->exec(sql);
        else SqliteFile(file_).run(sql);
    }
    std::vector<SqliteFile::Row> rows(const std::string& sql) { return server_ ? server_->rows(sql) : SqliteFile(file_).rows(sql); }
    std::string value(const std::string& sql) { return rows(sql).at(0).at(0); }

private:
    std::string file_;
    std::unique_ptr<test::PostgresDatabase> server_;
};

class FrontEnd : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // On a server the URI is registered with the test's folder, where the log and backups go.
        const std::string where = books.onServer() ? " --register --log-folder '" + dir.path().string() + "'" : "";
        ASSERT_EQ(std::system(("'" KOVRIN_DB_TOOL "' create '" + db + "' --sample" + where + " >/dev/null").c_str()), 0);
        setRegText(registry::CurrentUser, PrinterKey, "strDefaultPrinter", "pdfFactory");
    }

    // Runs msaccess.exe with the words the library's command line splits into.
    Outcome run(std::vector<std::string> words) {
        words.insert(words.begin(), KOVRIN_FRONTEND);
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        const std::string errFile = dir.file("stderr");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        int raw = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &raw, 0);
        posix_spawn_file_actions_destroy(&actions);
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(errFile)};
    }
    // The library's form: the quoted path and "/x" make one word.
    Outcome macro(const std::string& name, const std::string& argument) {
        return run({db + "/x", name, "/cmd", argument});
    }

    // Prints through pdfFactory and answers the PDF's text, bidi marks removed, blanks collapsed.
    std::string printToPdf(const std::string& name, const std::string& number) {
        const std::string pdf = dir.file(name + "-" + number + ".pdf");
        setRegText(registry::CurrentUser, PdfKey, "OutputFile", pdf);
        const Outcome o = macro(name, number);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(regText(registry::CurrentUser, PdfKey, "OutputFile"), "") << "the hand-shake: cleared when written";
        const std::string txt = pdf + ".txt";
        EXPECT_EQ(std::system(("pdftotext '" + pdf + "' '" + txt + "'").c_str()), 0);
        std::string text, word;
        std::istringstream words(readAll(txt));
        while (words >> word) text += word + " ";
        for (const char* mark : {"\u202A", "\u202B", "\u202C", "\u202D", "\u202E", "\u200E", "\u200F"})
            for (std::size_t at; (at = text.find(mark)) != std::string::npos;) text.erase(at, 3);
        return text;
    }

    TempDir dir;
    test::ScopedRegistry registryStore;
    Books books{dir.file("books.sqlite")};
    std::string db = books.where();
};

// Documents of every kind for customer 1, "מאפיית הגליל בע"מ" of the sample data.
void addDocuments(Books& f) {
    f.run(R"(
        INSERT INTO UsysInvoices (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName,
            vcAddress1, vcCity, curTotal1, fltRebatePrcnt, curRebateAmount, curTotalBeforeVat, curTotalNoVat, curVat,
            curGrandTotal, blnChargeVat, datDueDate, vcCustomerOsekMorshe)
        VALUES (1, 1, 1001, '2026-01-10 00:00:00', 1, 'מאפיית הגליל בע"מ', 'רחוב הרצל 12', 'חיפה', 1250, 10, 125,
            1125, 80, 202.5, 1407.5, 1, '2026-02-09 00:00:00', '513456780');
        INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, vcItemDescription, blnChargeVAT, iItemQty, curUnitPrice,
            curExtendedPrice, vcCurrencySymbol, curRate)
        VALUES (1, 1, 'שעת ייעוץ מחשוב', -1, 5, 250, 1250, '₪', 1), (1, 1, 'ספר הדרכה', 0, 2, 40, 80, '₪', 1);
        INSERT INTO InvoiceHiyuv (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName,
            curGrandTotal, blnChargeVat) VALUES (1, 1, 6001, '2026-01-12 00:00:00', 1, 'מאפיית הגליל בע"מ', 300, 0);
        INSERT INTO InvoiceHiyuvLines (iBusinessID, iInvoicesID, vcItemDescription, iItemQty, curUnitPrice, curExtendedPrice)
            VALUES (1, 1, 'הצעת עבודה', 1, 300, 300);
        INSERT INTO InvoicesZikui (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName,
            curGrandTotal) VALUES (1, 1, 9001, '2026-01-15 00:00:00', 1, 'מאפיית הגליל בע"מ', -117);
        INSERT INTO InvoiceZikuiLines (iBusinessID, iInvoicesID, vcItemDescription, iItemQty, curUnitPrice, curExtendedPrice)
            VALUES (1, 1, 'החזרת ספר', 1, -100, -100);
        INSERT INTO InvoicesKabala (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, vcBusinessName,
            curGrandTotal, curTotal, curNetPmt, curTax, vcAllocationNumber)
            VALUES (1, 1, 7001, '2026-01-20 00:00:00', 1, 'מאפיית הגליל בע"מ', 234, 200, 190, 10, '204123456');
        INSERT INTO InvoiceKabalaLines (iBusinessID, iInvoicesID, vcItemDescription, iItemQty, curUnitPrice, curExtendedPrice)
            VALUES (1, 1, 'תיקון מדפסת', 1, 200, 200);
        INSERT INTO InvoiceKabalaReceiptLines (iBusinessID, iReceiptsID, iPaymentTypesID, vcDetails2, curAmount)
            VALUES (1, 1, 1, NULL, 190);
        INSERT INTO UsysReceipts (iReceiptsID, iBusinessID, iReceiptNumber, datxDate, iInvoiceNumber, curTotal, curTax,
            curNetPmt, iCustomersID, vcBusinessName) VALUES (1, 1, 2001, '2026-01-25 00:00:00', '1001', 500, 0, 500, 1, 'מאפיית הגליל בע"מ');
        INSERT INTO ReceiptLines (iBusinessID, iReceiptsID, iPaymentTypesID, vcDetails1, vcDetails2, vcDetails3, curAmount)
            VALUES (1, 1, 2, '80012345', '12', '601', 500);
        INSERT INTO Refunds (iReceiptsID, iBusinessID, iReceiptNumber, datxDate, curTotal, curNetPmt, iCustomersID, vcBusinessName)
            VALUES (1, 1, 13001, '2026-02-05 00:00:00', -40, -40, 1, 'מאפיית הגליל בע"מ');
        INSERT INTO RefundLines (iBusinessID, iReceiptsID, iPaymentTypesID, curAmount) VALUES (1, 1, 1, -40);
    )");
}

TEST_F(FrontEnd, PrintsEveryKindToPdfFirstTheOriginalThenTrueCopies) {
    Books& file = books;
    addDocuments(file);
    const std::string customer = "מאפיית הגליל בע\"מ";
    struct Case {
        std::string macro, number;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"apiPrintInvoice", "1001", {"חשבונית מס", "1001", "שעת ייעוץ מחשוב", "ספר הדרכה", "1,250.00", "1,407.50",
                                     "202.50", "18%", "514233766", "נגה שירותי מחשוב", "09/02/2026", "10/01/2026"}},
        {"apiPrintInvoiceHiyuv", "6001", {"חשבון עסקה", "6001", "הצעת עבודה", "300.00"}},
        {"apiPrintInvoiceZikui", "9001", {"חשבונית זיכוי", "9001", "החזרת ספר", "-117.00"}},
        {"apiPrintInvoiceKabala", "7001", {"חשבונית מס קבלה", "7001", "תיקון מדפסת", "234.00", "מזומן", "190.00", "10.00",
                                           "מספר הקצאה", "204123456"}},
        {"apiPrintReceipt", "2001", {"קבלה", "2001", "המחאה", "80012345", "601", "500.00", "1001"}},
        {"apiPrintRefund", "13001", {"החזר כספי", "13001", "-40.00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.macro);
        const std::string text = printToPdf(c.macro, c.number);
        EXPECT_THAT(text, AllOf(HasSubstr(customer), HasSubstr("מקור"), Not(HasSubstr("העתק"))));
        for (const std::string& e : c.expected) EXPECT_THAT(text, HasSubstr(e));
        const bool numbered = c.number == "7001";  // only where there is one
        EXPECT_EQ(text.find("הקצאה") != std::string::npos, numbered);
    }
    // Later prints are true copies, in either language; the count is per document.
    EXPECT_THAT(printToPdf("apiPrintInvoice", "1001"), HasSubstr("העתק נאמן למקור"));
    file.run("UPDATE UsysInvoices SET vcAllocationNumber = '012345678' WHERE iInvoiceNumber = 1001");
    const std::string english = printToPdf("apiPrintInvoiceEng", "1001");
    EXPECT_THAT(english, AllOf(HasSubstr("Tax Invoice No. 1001"), HasSubstr("True copy of the original"),
                               HasSubstr("Total due 1,407.50"), HasSubstr("Licensed dealer 514233766"),
                               HasSubstr("Allocation No.: 012345678")));
    EXPECT_THAT(printToPdf("apiPrintReceiptEng", "2001"), AllOf(HasSubstr("Receipt No. 2001"), HasSubstr("True copy")));
    EXPECT_EQ(file.value("SELECT iPrintCount FROM FrontEndPrints WHERE iObjectType = 1 AND iDocumentNumber = 1001"), "3");
    // An invoice without a date is computed with today's VAT rate, and printed with it.
    file.run("INSERT INTO UsysInvoices (iInvoicesID, iBusinessID, iInvoiceNumber, iCustomersID, vcBusinessName, curTotal1, "
             "curTotalBeforeVat, curVat, curGrandTotal, blnChargeVat) VALUES (5, 1, 1005, 1, 'x', 100, 100, 18, 118, -1)");
    EXPECT_THAT(printToPdf("apiPrintInvoice", "1005"), AllOf(HasSubstr("1005"), HasSubstr("18%"), HasSubstr("118.00")));
    EXPECT_EQ(file.value("SELECT SUM(iPrintCount) FROM FrontEndPrints"), "10");
}

TEST_F(FrontEnd, FailsClearlyAndChangesNothingForWhatDoesNotExist) {
    Books& file = books;
    addDocuments(file);
    setRegText(registry::CurrentUser, PdfKey, "OutputFile", dir.file("never.pdf"));
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{dir.file("missing.sqlite") + "/x", "apiPrintInvoice", "/cmd", "1001"}, 1, "does not exist (error 53)"},
        {{db + "/x", "apiPrintInvoice", "/cmd", "999"}, 1, "There is no Invoice number 999 in business 1"},
        {{db + "/x", "apiPrintReceipt", "/cmd", "1001"}, 1, "There is no Receipt number 1001"},
        {{db + "/x", "apiDisplayRefund", "/cmd", "1"}, 1, "There is no Refund number 1"},
        {{db + "/x", "apiPrintEverything", "/cmd", "1001"}, 2, "There is no macro \"apiPrintEverything\""},
        {{db + "/x", "apiPrintInvoice", "/cmd", "10O1"}, 2, "\"10O1\" is not a whole number"},
        {{db + "/x", "apiPrintInvoice"}, 2, "is not a whole number"},
        {{db + "/x", "apiUpdateCustomerBalance", "/cmd", "31/02/2026"}, 2, "\"31/02/2026\" is not a date"},
        {{db, "/x"}, 2, "/x is not followed by a macro name"},
        {{db, "/y"}, 2, "unknown command-line word \"/y\""},
        {{}, 2, "no database was given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Outcome o = run(c.words);
        EXPECT_EQ(o.status, c.status);
        EXPECT_THAT(o.err, HasSubstr(c.message));
    }
    // A printer that does not exist: no page, the count and the PDF hand-shake untouched.
    setRegText(registry::CurrentUser, PrinterKey, "strDefaultPrinter", "No Such Printer");
    const Outcome o = macro("apiPrintInvoice", "1001");
    EXPECT_EQ(o.status, 1);
    EXPECT_THAT(o.err, HasSubstr("The printer \"No Such Printer\" does not exist (error 9112)"));
    EXPECT_EQ(file.value("SELECT COUNT(*) FROM FrontEndPrints"), "0");
    EXPECT_EQ(regText(registry::CurrentUser, PdfKey, "OutputFile"), dir.file("never.pdf"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.pdf")));
    EXPECT_THAT(readAll(dir.file("kovrin-frontend.log")), HasSubstr("No Such Printer"));
}

TEST_F(FrontEnd, BackupIsAConsistentCopyNamedInTheRegistry) {
    if (books.onServer()) GTEST_SKIP() << "a server's backup is a pg_dump archive (the next test)";
    SqliteFile file(db);
    addDocuments(books);
    setRegText(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBackupFile", "");
    const Outcome o = run({db + "/x", "apiPerformBackup"});  // the library appends no /cmd
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string copy = regText(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBackupFile");
    EXPECT_EQ(std::filesystem::path(copy).parent_path(), dir.path() / "Backup");
    SqliteFile backup(copy);
    EXPECT_EQ(backup.value("PRAGMA integrity_check"), "ok");
    for (const char* table : {"Customers", "UsysInvoices", "InvoiceLines", "ReceiptLines", "VATRates"}) {
        const std::string all = std::string("SELECT * FROM ") + table + " ORDER BY 1";
        EXPECT_EQ(backup.rows(all), file.rows(all)) << table;
    }
    // A second backup in the same second gets its own file.
    ASSERT_EQ(run({db + "/x", "apiPerformBackup"}).status, 0);
    EXPECT_NE(regText(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBackupFile"), copy);
}

TEST_F(FrontEnd, BackupOnAServerIsAPgDumpArchiveNamedInTheRegistry) {
    if (!books.onServer()) GTEST_SKIP() << "a file's backup is a copy of the file (the test before)";
    addDocuments(books);
    const std::filesystem::path folder = dir.path() / "Backup";
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
        return names;
    };
    setRegText(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBackupFile", "");
    const Outcome o = run({db + "/x", "apiPerformBackup"});
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string archive = regText(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBackupFile");
    EXPECT_EQ(std::filesystem::path(archive).parent_path(), folder) << "the registered folder of the installation";
    EXPECT_THAT(std::filesystem::path(archive).filename().string(),
                AllOf(::testing::StartsWith(books.server().name() + "-"), ::testing::EndsWith(".dump")));
    EXPECT_EQ(entries().size(), 1u) << "nothing left under a temporary name";

    // Restored into an empty database, the archive holds the same rows.
    test::PostgresDatabase restored(books.server().server());
    ASSERT_EQ(std::system(("pg_restore --no-owner --exit-on-error --dbname='" + restored.uri() + "' '" + archive + "'").c_str()), 0);
    for (const char* table : {"Customers", "UsysInvoices", "InvoiceLines", "ReceiptLines", "VATRates", "KovrinSchema"}) {
        const std::string all = std::string("SELECT * FROM ") + table + " ORDER BY 1";
        EXPECT_EQ(restored.rows(all), books.rows(all)) << table;
    }

    // A pg_dump that fails half-way: its partial archive is removed, the hand-shake is not written
    // and the failure is reported. It is given the connection in libpq's variables, not its arguments.
    const std::filesystem::path bin = dir.path() / "bin";
    std::filesystem::create_directories(bin);
    const std::string seen = dir.file("pg_dump-saw");
    std::ofstream(bin / "pg_dump") << "#!/bin/sh\necho \"$* PGHOST=$PGHOST PGDATABASE=$PGDATABASE\" > '" << seen << "'\n"
                                   << "for a; do case $a in --file=*) echo partial > \"${a#--file=}\";; esac; done\n"
                                   << "echo 'pg_dump: error: connection to server lost' >&2\nexit 1\n";
    std::filesystem::permissions(bin / "pg_dump", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    const Outcome failed = run({db + "/x", "apiPerformBackup"});
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(failed.status, 1);
    EXPECT_THAT(failed.err, AllOf(HasSubstr("Could not back up"), HasSubstr("connection to server lost (error 9113)")));
    EXPECT_EQ(regText(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBackupFile"), archive);
    EXPECT_EQ(entries().size(), 1u) << "the partial archive is removed";
    const std::string arguments = readAll(seen);
    EXPECT_THAT(arguments, AllOf(HasSubstr("--format=custom"), Not(HasSubstr("postgresql:")),
                                 HasSubstr("PGHOST=" + books.server().server().socketFolder()),
                                 HasSubstr("PGDATABASE=" + books.server().name())));
}

// The workstations run as the office's role, which may use the books but not change the schema:
// printing, the balance refresh and the backup all work with that alone.
TEST_F(FrontEnd, OnAServerTheOfficeRoleIsEnough) {
    if (!books.onServer()) GTEST_SKIP() << "roles are a server's";
    addDocuments(books);
    const std::string role = "kovrin_frontend_" + std::to_string(::getpid());
    books.server().server().exec("CREATE ROLE " + role + " LOGIN");
    ASSERT_EQ(std::system(("'" KOVRIN_DB_TOOL "' grant '" + db + "' " + role + " >/dev/null").c_str()), 0);
    db = "postgresql://" + role + "@" + db.substr(std::string("postgresql://").size());
    ASSERT_EQ(std::system(("'" KOVRIN_DB_TOOL "' register '" + db + "' --log-folder '" + dir.path().string() + "' >/dev/null").c_str()), 0);
    const std::string version = books.value("SELECT * FROM KovrinSchema");

    EXPECT_THAT(printToPdf("apiPrintInvoice", "1001"), AllOf(HasSubstr("1,407.50"), HasSubstr("מקור")));
    const Outcome balance = macro("apiUpdateCustomerBalance", "31/01/2026");
    EXPECT_EQ(balance.status, 0) << balance.err;
    EXPECT_EQ(books.value("SELECT CAST(ROUND(curBalance * 100) AS INTEGER) FROM tblCustomerBalance WHERE iCustomersID = 1"), "232450");
    const Outcome backup = run({db + "/x", "apiPerformBackup"});
    EXPECT_EQ(backup.status, 0) << backup.err;
    EXPECT_TRUE(std::filesystem::exists(regText(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBackupFile")));
    EXPECT_EQ(books.value("SELECT * FROM KovrinSchema"), version);
    EXPECT_THAT(readAll(dir.file("kovrin-frontend.log")), HasSubstr("backed up to " + dir.path().string()));
}

TEST_F(FrontEnd, BalanceRefreshCountsTheDocumentsUpToTheDate) {
    Books& file = books;
    addDocuments(file);
    // A cancelled invoice, one dated after every cut-off, and one of customer 3.
    file.run(R"(
        INSERT INTO UsysInvoices (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, iCustomersID, curGrandTotal, iStatusID)
            VALUES (2, 1, 1002, '2026-01-11 00:00:00', 1, 5000, 3), (3, 1, 1003, '2026-03-01 00:00:00', 1, 70, 0),
                   (4, 1, 1004, '2026-01-10 16:30:00', 3, 100, 0);
    )");
    const auto balances = [&](const char* table) {
        return file.rows(std::string("SELECT iCustomersID, CAST(ROUND(curBalance * 100) AS INTEGER) FROM ") + table +
                         " WHERE iCustomersID IN (1, 3) ORDER BY 1");
    };
    using Rows = std::vector<std::vector<std::string>>;
    setRegText(registry::LocalMachine, "SOFTWARE\\Kovrin", "CustomerBalanceLastDateComputed", "old");

    // To 31/01/2026, whole day: opening 1500 + 1407.5 invoice - 117 credit + 34 unpaid of the
    // invoice-receipt - 500 received = 2324.5; the Iska table adds the 300 Iska invoice.
    // Customer 3: opening -250.5 + 100.
    ASSERT_EQ(macro("apiUpdateCustomerBalance", "31/01/2026").status, 0);
    EXPECT_EQ(balances("tblCustomerBalance"), (Rows{{"1", "232450"}, {"3", "-15050"}}));
    EXPECT_EQ(balances("tblCustomerBalanceIska"), (Rows{{"1", "262450"}, {"3", "-15050"}}));
    EXPECT_EQ(file.value("SELECT vcParameterValue FROM sysSystemParameters WHERE iBusinessID = 1 AND "
                         "vcParameterName = 'qryCustomerBalanceDate'"),
              "31/01/2026");
    const std::string stamp = regText(registry::LocalMachine, "SOFTWARE\\Kovrin", "CustomerBalanceLastDateComputed");
    EXPECT_NE(stamp, "old");
    // Suppliers are not listed.
    EXPECT_EQ(file.value("SELECT COUNT(*) FROM tblCustomerBalance b JOIN Customers c USING (iCustomersID) "
                         "WHERE c.iCustomersTypesID NOT IN (1, 3)"),
              "0");

    // With a time, as two words after /cmd: the documents up to that very moment. A later date
    // takes in the refund of 05/02, but not yet the invoice of 01/03.
    ASSERT_EQ(run({db + "/x", "apiUpdateCustomerBalance", "/cmd", "10/01/2026", "16:30:00"}).status, 0);
    EXPECT_EQ(balances("tblCustomerBalance"), (Rows{{"1", "290750"}, {"3", "-15050"}}));
    ASSERT_EQ(run({db + "/x", "apiUpdateCustomerBalance", "/cmd", "10/01/2026", "16:29:59"}).status, 0);
    EXPECT_EQ(balances("tblCustomerBalance"), (Rows{{"1", "290750"}, {"3", "-25050"}}));
    ASSERT_EQ(macro("apiUpdateCustomerBalance", "28/02/2026").status, 0);
    EXPECT_EQ(balances("tblCustomerBalance"), (Rows{{"1", "236450"}, {"3", "-15050"}}));
    EXPECT_EQ(file.value("SELECT CAST(ROUND(curBalance * 100) AS INTEGER) FROM qryComputeCustomerBalance WHERE iCustomersID = 1"),
              "243450");
    EXPECT_NE(regText(registry::LocalMachine, "SOFTWARE\\Kovrin", "CustomerBalanceLastDateComputed"), stamp);
}

TEST_F(FrontEnd, WindowsShowTheDocumentOrTheRecentDocuments) {
    Books& file = books;
    addDocuments(file);
    const std::string picture = dir.file("window.png");
    setenv("KOVRIN_FRONTEND_GRAB", picture.c_str(), 1);
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{db + "/x", "apiDisplayInvoice", "/cmd", "1001"}, {db},
          {db, "/Runtime", "/CMD", "-api"}}) {
        std::filesystem::remove(picture);
        const Outcome o = run(words);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_GT(std::filesystem::file_size(picture), 10000u);
    }
    unsetenv("KOVRIN_FRONTEND_GRAB");
    EXPECT_EQ(file.value("SELECT COUNT(*) FROM FrontEndPrints"), "0") << "showing is not printing";
}

}  // namespace
}  // namespace kovrin::frontend
