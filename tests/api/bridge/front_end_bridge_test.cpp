#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/clsRegistry.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "api/bridge/FrontEnd.h"
#include "api/core/DebugLog.h"
#include "support/Checks.h"
#include "support/FakeFrontEnd.h"
#include "support/FastClock.h"
#include "support/Installation.h"

namespace kovrin {
namespace {

using test::errorOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct BridgeTest : ::testing::Test {
    // A database path with a blank: still one argument thanks to the quotes.
    test::Installation inst{test::Installation::Data::Sample, "my books.sqlite"};
    test::FakeFrontEnd frontEnd;
    Kovrin k;
    clsRegistry reg;

    BridgeTest() { core::forgetDebugLogFileName(); }

    std::string logText() {
        std::ifstream in(core::debugLogFileName());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(BridgeTest, CommandLinesWindowModesAndArguments) {
    ASSERT_EQ(k.AccessPath(), frontEnd.program());
    const std::string db = inst.databasePath();
    struct Case {
        std::function<void()> run;
        bool debug;
        std::string tail;
        std::string mode;
    } cases[] = {
        {[&] { EXPECT_TRUE(k.RunKovrin().isEmpty()); }, true, "", "1"},
        {[&] { k.DisplayInvoice(1052); }, false, "/x apiDisplayInvoice /cmd 1052", "1"},
        {[&] { EXPECT_TRUE(k.DisplayInvoiceIska(7).isEmpty()); }, false, "/x apiDisplayInvoiceHiyuv /cmd 7", "1"},
        {[&] { k.DisplayInvoiceZikui(8); }, false, "/x apiDisplayInvoiceZikui /cmd 8", "1"},
        {[&] { k.DisplayReceipt(9); }, false, "/x apiDisplayReceipt /cmd 9", "1"},
        {[&] { k.DisplayRefund(10); }, false, "/x apiDisplayRefund /cmd 10", "1"},
        {[&] { k.DisplayInvoiceKabala(11); }, false, "/x apiDisplayInvoiceKabala /cmd 11", "1"},
        {[&] { k.PrintInvoice(1052); }, false, "/x apiPrintInvoice /cmd 1052", "1"},
        {[&] { k.PrintInvoice(1052, Languages::English); }, false, "/x apiPrintInvoiceEng /cmd 1052", "1"},
        {[&] { k.PrintInvoice(1052, static_cast<Languages>(3)); }, false, "/x apiPrintInvoiceEng /cmd 1052", "1"},
        {[&] { k.PrintInvoiceIska(12); }, false, "/x apiPrintInvoiceHiyuv /cmd 12", "6"},
        {[&] { k.PrintInvoiceIska(12); }, true, "/x apiPrintInvoiceHiyuv /cmd 12", "1"},
        {[&] { k.PrintInvoiceZikui(-3); }, false, "/x apiPrintInvoiceZikui /cmd -3", "6"},
        {[&] { k.PrintReceipt(14); }, false, "/x apiPrintReceipt /cmd 14", "6"},
        {[&] { k.PrintReceipt(14, Languages::English); }, false, "/x apiPrintReceiptEng /cmd 14", "6"},
        {[&] { k.PrintRefund(15); }, false, "/x apiPrintRefund /cmd 15", "6"},
        {[&] { k.PrintInvoiceKabala(16); }, false, "/x apiPrintInvoiceKabala /cmd 16", "6"},
        {[&] { k.RefreshCustomerBalance(Date::fromCalendar(2026, 3, 1)); }, false,
         "/x apiUpdateCustomerBalance /cmd 01/03/2026", "6"},
        {[&] { k.RefreshCustomerBalance(Date::fromCalendar(2026, 3, 1, 10, 5)); }, true,
         "/x apiUpdateCustomerBalance /cmd 01/03/2026 10:05:00", "1"},
    };
    for (const auto& c : cases) {
        k.DebugMode(c.debug);
        c.run();
        const auto call = frontEnd.next();
        const std::string expected = frontEnd.program() + " \"" + db + "\"" + c.tail;
        EXPECT_EQ(call.cmdline, expected);
        EXPECT_EQ(call.mode, c.mode) << expected;
        ASSERT_FALSE(call.args.empty());
        // The desktop splitting rules glue the switch to the quoted path.
        EXPECT_EQ(call.args[0], c.tail.empty() ? db : db + "/x") << expected;
        if (!c.tail.empty()) {
            EXPECT_EQ(call.args[2], "/cmd");
            EXPECT_EQ(call.args[1], c.tail.substr(3, c.tail.find(" /cmd") - 3));
        }
    }
    const std::string log = logText();
    const std::string run = frontEnd.program() + " \"" + db + "\"";
    EXPECT_THAT(log, HasSubstr("\tKovrin.RunKovrin\tKovrin path\t" + run + "\r\n"));
    EXPECT_THAT(log, HasSubstr("\tmodKovrin.PrintInvoiceHiyuv\tcommand\t" + run + "/x apiPrintInvoiceHiyuv /cmd 12\r\n"));
    EXPECT_THAT(log, HasSubstr("\tKovrin.RefreshCustomerBalance\tCall Kovrin\t" + run +
                               "/x apiUpdateCustomerBalance /cmd 01/03/2026 10:05:00\r\n"));
    EXPECT_THAT(log, HasSubstr("\tKovrin.PrintInvoiceIska\tiInvoiceNumber\t12\r\n"));
}

TEST_F(BridgeTest, AMissingProgramFailsAtOnceWithFileNotFound) {
    test::FastClock clock;
    k.AccessPath(frontEnd.dir().file("absent/msaccess.exe"));
    k.DebugMode(true);
    auto e = errorOf([&] { k.DisplayInvoice(1); });
    EXPECT_EQ(e.number(), 53);
    EXPECT_EQ(e.description(), "File not found");
    EXPECT_EQ(e.source(), "");
    EXPECT_EQ(errorOf([&] { k.RunKovrin(); }).source(), "");
    e = errorOf([&] { k.PrintInvoiceIska(5); });
    EXPECT_EQ(e.number(), 53);
    EXPECT_EQ(e.source(), "Kovrin.PrintInvoiceIska[50]\\modKovrin.PrintInvoiceHiyuv[30]\\");
    e = errorOf([&] { k.PrintInvoiceKabala(5); });
    EXPECT_EQ(e.source(), "Kovrin.PrintInvoiceKabala[50]\\modKovrin.PrintInvoiceKabala[20]\\");
    EXPECT_THAT(logText(), HasSubstr("\tKovrin.PrintInvoiceKabala\tError\tError 53 in Kovrin.PrintInvoiceKabala[50]\\"
                                     "modKovrin.PrintInvoiceKabala[20]\\: File not found\r\n"));
    e = errorOf([&] { k.RefreshCustomerBalance(Date::today()); });
    EXPECT_EQ(e.source(), "Kovrin.RefreshCustomerBalance[70]\\");
    EXPECT_EQ(errorOf([&] { k.PerformBackup(); }).number(), 53);
    EXPECT_EQ(clock.sleeps, 0);  // nothing waited
    EXPECT_FALSE(frontEnd.startedWithin(std::chrono::milliseconds(0)));
}

TEST_F(BridgeTest, BackupWaitsForTheFrontEndsAnswer) {
    test::FastClock clock;
    reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", "LastBackupFile", Variant("/old/backup"));
    k.BackupTimeOutSeconds(600);  // the fast clock must not run out before the real process answers
    const std::string path = k.PerformBackup();
    const auto call = frontEnd.next();
    EXPECT_EQ(call.cmdline, frontEnd.program() + " \"" + inst.databasePath() + "\"/x apiPerformBackup ");
    EXPECT_EQ(call.mode, "6");
    EXPECT_THAT(path, HasSubstr(frontEnd.dir().file("backup-")));
    EXPECT_GE(clock.sleeps, 1);  // even an answer found at once costs a sleep

    // A silent front-end: BackupTimeOutSeconds reads, one second apart, then 6367 without a source.
    frontEnd.silent(true);
    k.BackupTimeOutSeconds(3);
    clock.sleeps = 0;
    auto e = errorOf([&] { k.PerformBackup(); });
    EXPECT_EQ(e.number(), 6367);
    EXPECT_EQ(e.description(), "Timeout after 3 seconds");
    EXPECT_EQ(e.source(), "");
    EXPECT_EQ(clock.sleeps, 3);
    EXPECT_EQ(CStr(reg.GetValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", "LastBackupFile")), "");

    // An answer written during the last allowed second still counts.
    clock.sleeps = 0;
    clock.afterSleep = [&](int n) {
        if (n == 2) reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", "LastBackupFile", Variant("/b/late"));
    };
    EXPECT_EQ(k.PerformBackup(), "/b/late");
    clock.afterSleep = nullptr;

    k.BackupTimeOutSeconds(0);
    clock.sleeps = 0;
    EXPECT_EQ(errorOf([&] { k.PerformBackup(); }).description(), "Timeout after 0 seconds");
    EXPECT_EQ(clock.sleeps, 0);
}

TEST_F(BridgeTest, PrinterSettingIsPerBusiness) {
    inst.exec("UPDATE BusinessDetails SET [vcמספרעוסקמורשה]='514000001' WHERE iBusinessID=1");
    k.SetKovrinPrinter("HP LaserJet");
    EXPECT_EQ(CStr(reg.GetValue(reg.HKEY_CURRENT_USER(), "Software\\VB and VBA Program Settings\\קוברין\\514000001",
                                "strDefaultPrinter")),
              "HP LaserJet");
    bool debug = false;
    EXPECT_EQ(CStr(modKovrin::GetKovrinPrinter(debug)), "HP LaserJet");
    // A business without a row: the key of the empty number.
    k.BusinessID(77);
    EXPECT_EQ(CStr(modKovrin::GetKovrinPrinter(debug)), "");
    k.SetKovrinPrinter("Other");
    EXPECT_EQ(CStr(reg.GetValue(reg.HKEY_CURRENT_USER(), "Software\\VB and VBA Program Settings\\קוברין\\",
                                "strDefaultPrinter")),
              "Other");
}

}  // namespace
}  // namespace kovrin
