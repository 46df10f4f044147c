#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/runtime/Error.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "DocumentTests.h"
#include "support/Processes.h"
#include "platform/db/Database.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

// Count, distinct numbers, first and last number, and the documents whose line count is not `lines`.
std::string numbering(const Installation& inst, const std::string& header, const std::string& number,
                      const std::string& key, const std::string& lineTable, const std::string& lineKey, int lines) {
    return rowsText(inst, "SELECT COUNT(*), COUNT(DISTINCT " + number + "), MIN(" + number + "), MAX(" + number +
                              "), SUM(CASE WHEN (SELECT COUNT(*) FROM " + lineTable + " l WHERE l." + lineKey + " = h." + key +
                              ") <> " + std::to_string(lines) + " THEN 1 ELSE 0 END) FROM " + header + " h");
}

}  // namespace

TEST(DocumentNumbers, ConcurrentWritersGetConsecutiveNumbersAndWholeDocuments) {
    Installation inst;
    inProcesses(4, 250, [](Kovrin& k, int, int) {
        double percent = 0, vat = 17;
        Currency rebate;
        bool round = false;
        k.CreateInvoice(1, Date::today(), "", percent, rebate, round, vat, true, "", 1,
                        InvoiceTypes::INVOICE_TYPE_STD, lines({{"100", 1}, {"50", 2}}));
    });
    EXPECT_EQ(numbering(inst, "UsysInvoices", "iInvoiceNumber", "iInvoicesID", "InvoiceLines", "iInvoicesID", 2),
              "1000|1000|1001|2000|0");

    inProcesses(4, 50, [](Kovrin& k, int, int) {
        Currency total, net;
        k.CreateReceipt(2, Date::today(), total, Currency(0), net, "", "", payments({{"100"}, {"60"}}));
        double percent = 0, vat = 17;
        Currency rebate;
        bool round = false;
        k.CreateInvoiceKabala(3, Date::today(), "", percent, rebate, round, vat, true, "", 1, lines({{"10", 3}}), total,
                              Currency(0), net, payments({{"35.1"}}));
    });
    EXPECT_EQ(numbering(inst, "UsysReceipts", "iReceiptNumber", "iReceiptsID", "ReceiptLines", "iReceiptsID", 2),
              "200|200|2001|2200|0");
    EXPECT_EQ(numbering(inst, "InvoicesKabala", "iInvoiceNumber", "iInvoicesID", "InvoiceKabalaReceiptLines", "iReceiptsID", 1),
              "200|200|7001|7200|0");
    EXPECT_EQ(rowsText(inst, "SELECT COUNT(*) FROM InvoicesKabala WHERE curNetPmt <> 35.1 OR curGrandTotal <> 35.1"), "0");
}

TEST(DocumentNumbers, AProgramKilledInTheMiddleOfAnInvoiceLeavesNothing) {
    Installation inst;
    const std::string before = documentTables(inst);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Killed as the second line is about to be written: header and first line are in the file.
        int lineInserts = 0;
        db::setStatementTrace([&](std::string_view sql) {
            if (sql.starts_with("INSERT INTO InvoiceLines") && ++lineInserts == 2) raise(SIGKILL);
        });
        Kovrin k;
        double percent = 0, vat = 17;
        Currency rebate;
        bool round = false;
        k.CreateInvoice(1, Date::today(), "", percent, rebate, round, vat, true, "", 1, InvoiceTypes::INVOICE_TYPE_STD,
                        lines({{"1", 1}, {"2", 1}}));
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(documentTables(inst), before);
    Kovrin k;
    double percent = 0, vat = 17;
    Currency rebate;
    bool round = false;
    EXPECT_EQ(k.CreateInvoice(1, Date::today(), "", percent, rebate, round, vat, true, "", 1,
                              InvoiceTypes::INVOICE_TYPE_STD, lines({{"1", 1}})),
              1001);
}
