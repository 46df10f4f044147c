#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/clsBusinessDetails.h>
#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/runtime/Error.h>

#include <filesystem>
#include <fstream>
#include <filesystem>
#include <regex>
#include <sstream>

#include <sys/wait.h>
#include <pwd.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "api/core/DebugLog.h"
#include "support/Installation.h"
#include "support/Checks.h"
#include "support/StatementLog.h"

using namespace kovrin;
using kovrin::test::Installation;
using kovrin::test::ScopedRegistry;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;

using kovrin::test::errorOf;
using kovrin::test::StatementLog;

namespace {

std::string regText(int32_t hive, const std::string& key, const std::string& name) {
    return CStr(clsRegistry().GetValue(hive, key, name, Variant("<missing>")));
}

const int32_t HKLM = static_cast<int32_t>(0x80000002u);
const int32_t HKCU = static_cast<int32_t>(0x80000001u);

}  // namespace

TEST(KovrinCreation, FindsTheInstallationThroughTheRegistry) {
    ScopedRegistry registry;
    clsRegistry reg;
    // No installation at all: error 6367, and nothing is created.
    Error e = errorOf([] { Kovrin k; });
    EXPECT_EQ(e.number(), 6367);
    EXPECT_EQ(e.description(), "לא נמצאה התקנה של קוברין");
    EXPECT_EQ(e.source(), "Kovrin.Class_Initialize[80]\\");

    // Folder only under the current user, file only under the machine key: both combine.
    reg.SaveValue(HKCU, "Software\\Kovrin", "Path", Variant("/srv/books"));
    reg.SaveValue(HKLM, "Software\\Kovrin", "File", Variant("main.sqlite"));
    Kovrin k;
    EXPECT_EQ(k.KovrinPath(), "/srv/books/main.sqlite");
    EXPECT_EQ(k.AccessPath(), "C:\\Program Files\\Microsoft Office\\OFFICE11\\msaccess.exe");
    EXPECT_EQ(k.BusinessID(), 1);
    EXPECT_EQ(regText(HKLM, "SOFTWARE\\Kovrin", "LastBusinessID"), "1");
    EXPECT_EQ(regText(HKLM, "SOFTWARE\\Kovrin\\API", "IsAPIDebug"), "False");

    // The per-user value wins when both exist; Office 12 is preferred over 11.
    reg.SaveValue(HKLM, "Software\\Kovrin", "Path", Variant("/machine"));
    reg.SaveValue(HKCU, "Software\\Kovrin", "File", Variant("user.sqlite"));
    reg.SaveValue(HKLM, "SOFTWARE\\Microsoft\\Office\\11.0\\Access\\InstallRoot", "Path", Variant("C:\\Office11\\"));
    Kovrin k2;
    EXPECT_EQ(k2.KovrinPath(), "/srv/books/user.sqlite");
    EXPECT_EQ(k2.AccessPath(), "C:\\Office11\\msaccess.exe");
    reg.SaveValue(HKLM, "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot", "Path", Variant("C:\\Office12\\"));
    EXPECT_EQ(Kovrin().AccessPath(), "C:\\Office12\\msaccess.exe");
}

TEST(KovrinCreation, NeverPairsOneInstallationsFolderWithAnothersFile) {
    // One process registers two installations in turn while this one creates objects.
    ScopedRegistry registry;
    kovrin::test::TempDir dir;
    const std::string installations[] = {dir.file("a/one.sqlite"), dir.file("b/two.sqlite")};
    for (const std::string& path : installations) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        ASSERT_EQ(std::system((std::string(KOVRIN_DB_TOOL) + " create '" + path + "' --register >/dev/null").c_str()), 0);
    }
    const std::string loop = "for i in $(seq 20); do for p in '" + installations[0] + "' '" + installations[1] +
                             "'; do '" KOVRIN_DB_TOOL "' register \"$p\" >/dev/null || exit 1; done; done";
    const pid_t registrar = fork();
    ASSERT_GE(registrar, 0);
    if (registrar == 0) {
        execl("/bin/sh", "sh", "-c", loop.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = -1, created = 0, mixed = 0;
    while (created < 100000 && waitpid(registrar, &status, WNOHANG) == 0) {
        const std::string path = Kovrin().KovrinPath();
        ++created;
        if (path != installations[0] && path != installations[1]) ++mixed;
    }
    EXPECT_EQ(mixed, 0) << "of " << created;
    EXPECT_EQ(status, 0);
}

TEST(KovrinCreation, SettingsAreSharedByEveryObjectAndResetByANewOne) {
    Installation inst;
    Kovrin first;
    first.DebugMode(true);
    EXPECT_EQ(regText(HKLM, "SOFTWARE\\Kovrin\\API", "IsAPIDebug"), "True");
    first.KovrinPath("/elsewhere/other.sqlite");
    first.BusinessID(7);
    first.AccessPath("/usr/bin/kovrin-frontend");
    EXPECT_EQ(regText(HKLM, "SOFTWARE\\Kovrin", "LastBusinessID"), "7");

    Kovrin second;  // resets the shared settings for the first object too
    EXPECT_EQ(first.KovrinPath(), inst.databasePath());
    EXPECT_EQ(first.BusinessID(), 1);
    // The installation's registration names the front-end program as Access.
    EXPECT_EQ(first.AccessPath(), regText(HKLM, "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot", "Path") + "msaccess.exe");
    EXPECT_TRUE(std::filesystem::exists(first.AccessPath()));
    EXPECT_TRUE(first.DebugMode());  // per object
    EXPECT_FALSE(second.DebugMode());
    EXPECT_EQ(regText(HKLM, "SOFTWARE\\Kovrin\\API", "IsAPIDebug"), "False");

    second.BusinessID(3);
    EXPECT_EQ(first.BusinessID(), 3);
    EXPECT_EQ(first.Version(), "3.2.74");
    EXPECT_TRUE(std::regex_match(first.Clock(), std::regex(R"(\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)?)")));
}

TEST(KovrinBusinesses, ListAndLicensedDealerNumber) {
    Installation inst;
    Kovrin k;
    StatementLog log;
    Variant list = k.GetKovrinBusinessList();
    ASSERT_TRUE(list.isArray());
    auto b = list.array()(0).objectAs<clsBusinessDetails>();
    EXPECT_EQ(b->BusinessID(), 1);
    EXPECT_FALSE(b->BusinessName().empty());
    std::string osek = k.GetOsekMorshe();
    EXPECT_EQ(CStr(b->OsekMorshe()), osek);
    EXPECT_FALSE(osek.empty());
    EXPECT_THAT(log.sql, ElementsAre("SELECT iBusinessID, vcBusinessName, [vcמספרעוסקמורשה] FROM BusinessDetails WHERE iBusinessID > 0",
                                     "SELECT vcמספרעוסקמורשה FROM BusinessDetails  WHERE iBusinessID=1"));

    k.BusinessID(42);  // no such business
    EXPECT_EQ(k.GetOsekMorshe(), "");

    inst.exec("INSERT INTO BusinessDetails (iBusinessID, vcBusinessName, vcמספרעוסקמורשה) VALUES (5, 'No number', NULL)");
    Error e = errorOf([&] { k.GetKovrinBusinessList(); });
    EXPECT_EQ(e.number(), 94);
    EXPECT_EQ(e.source(),
              "Kovrin.GetKovrinBusinessList[50]\\modKovrin.GetKovrinBusinessList[50]\\clsBusinessDetails.OsekMorshe[10]\\");

    inst.exec("UPDATE BusinessDetails SET iBusinessID = -iBusinessID");
    EXPECT_TRUE(k.GetKovrinBusinessList().isEmpty());
}

TEST(KovrinErrors, DatabaseProblemsAreClearErrorsWithTheCallPath) {
    Installation inst;
    Kovrin k;
    k.KovrinPath("");
    Error e = errorOf([&] { k.GetOsekMorshe(); });
    EXPECT_EQ(e.number(), 6479);
    EXPECT_EQ(e.description(), "You need to specify the location of the Kovrin database. Use KovrinAPI.KovrinPath");
    EXPECT_EQ(e.source(), "Kovrin.GetOsekMorshe[50]\\modKovrin.GetOsekMorshe[10]\\modKovrin.OpenConnection[30]\\");

    k.KovrinPath(inst.dir().file("missing.sqlite"));
    e = errorOf([&] { k.AddErrorToKovrin("x"); });
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_THAT(e.description(), HasSubstr("missing.sqlite"));
    EXPECT_EQ(e.source(), "Kovrin.AddErrorToKovrin[50]\\modKovrin.AddErrorToKovrin[10]\\modKovrin.OpenConnection[40]\\"
                          "Microsoft JET Database Engine");

    std::ofstream(inst.dir().file("notes.txt")) << "this is not a database, just some text\n";
    k.KovrinPath(inst.dir().file("notes.txt"));
    e = errorOf([&] { k.GetKovrinBusinessList(); });
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_THAT(e.source(), StartsWith("Kovrin.GetKovrinBusinessList[50]\\modKovrin.GetKovrinBusinessList[10]\\"));

    // A database without the tables: the provider's unknown-table error, passed on unchanged.
    Installation bare(Installation::Data::Empty, "bare.sqlite");
    bare.exec("DROP TABLE Errors");
    k.KovrinPath(bare.databasePath());
    e = errorOf([&] { k.AddErrorToKovrin("lost"); });
    EXPECT_EQ(e.number(), -2147217865);
    EXPECT_EQ(e.source(), "Kovrin.AddErrorToKovrin[50]\\modKovrin.AddErrorToKovrin[20]\\Microsoft JET Database Engine");
}

TEST(KovrinErrors, AddErrorToKovrinStoresTheMessageIntact) {
    Installation inst;
    Kovrin k;
    k.BusinessID(2);
    StatementLog log;
    k.AddErrorToKovrin("He said \"no\" and O'Brien agreed");
    EXPECT_EQ(log.sql.back(),
              "INSERT INTO Errors ( vcErrorDescription, iBusinessID ) VALUES(\"He said \"\"no\"\" and O'Brien agreed\", 2)");
    EXPECT_EQ(CStr(inst.scalar("SELECT vcErrorDescription FROM Errors WHERE iBusinessID=2")),
              "He said \"no\" and O'Brien agreed");

    std::string longHebrew;
    for (int i = 0; i < 300; ++i) longHebrew += "א";
    k.BusinessID(3);
    k.AddErrorToKovrin(longHebrew);
    std::string stored = CStr(inst.scalar("SELECT vcErrorDescription FROM Errors WHERE iBusinessID=3"));
    EXPECT_EQ(stored, longHebrew.substr(0, 255 * 2));  // 255 characters of two bytes each
}

TEST(KovrinDebugLog, BooksOnAServerLogToTheInstallationFolderWithoutThePassword) {
    if (!Installation::onServer()) GTEST_SKIP() << "the books are on a server in the /postgresql run only";
    Installation inst;
    Kovrin k;
    core::forgetDebugLogFileName();
    EXPECT_EQ(k.KovrinPath(), inst.databasePath());  // the registered URI, as it stands
    k.DebugMode(true);
    // The test server trusts its local users, so the password is not even needed.
    const std::string user = getpwuid(geteuid())->pw_name;
    k.KovrinPath("postgresql://" + user + ":s3cret@" + inst.databasePath().substr(std::string("postgresql://").size()));
    EXPECT_EQ(k.GetOsekMorshe(), "514233766");

    std::ifstream in(inst.dir().file("kovrinapi3.2.74.txt"), std::ios::binary);
    ASSERT_TRUE(in) << core::debugLogFileName();
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_THAT(all.str(), HasSubstr("\tmodKovrin.OpenConnection\tConnectionString\tProvider=Microsoft.Jet.OLEDB.4.0;Data Source=postgresql://" +
                                     user + ":***@"));
    EXPECT_EQ(all.str().find("s3cret"), std::string::npos) << all.str();
}

TEST(KovrinDebugLog, EntriesAndErrorsInTheirFormat) {
    Installation inst;
    Kovrin k;
    core::forgetDebugLogFileName();  // as in a freshly loaded library
    const std::string logFile = inst.dir().file("kovrinapi3.2.74.txt");
    k.AddErrorToKovrin("quiet");
    k.GetOsekMorshe();
    EXPECT_FALSE(std::filesystem::exists(logFile)) << "no log while DebugMode is off";

    k.DebugMode(true);
    k.KovrinPath(inst.dir().file("missing.sqlite"));  // the log name was not fixed yet: it follows this path
    EXPECT_THROW(k.AddErrorToKovrin("boom"), Error);
    k.KovrinPath(inst.databasePath());

    std::ifstream in(logFile, std::ios::binary);
    ASSERT_TRUE(in) << logFile << " (" << core::debugLogFileName() << ")";
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> lines;
    std::string text = all.str(), line;
    for (std::size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        lines.push_back(text.substr(pos, end - pos));
    const std::string separator(103, '-');
    ASSERT_EQ(lines.size(), 6u) << text;
    std::regex stamp(R"(\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)?\t)");
    for (int i : {0, 2, 4}) EXPECT_TRUE(std::regex_search(lines[i], stamp)) << lines[i];
    EXPECT_THAT(lines[0], testing::EndsWith("\tKovrin.AddErrorToKovrin\tstrErrMessage\tboom"));
    EXPECT_THAT(lines[2], testing::EndsWith("\tmodKovrin.OpenConnection\tConnectionString\tProvider=Microsoft.Jet.OLEDB.4.0;"
                                            "Data Source=" + inst.dir().file("missing.sqlite") + ";Mode=Read|Write"));
    EXPECT_THAT(lines[4], HasSubstr("\tKovrin.AddErrorToKovrin\tError\tError -2147467259 in Kovrin.AddErrorToKovrin[50]\\"
                                    "modKovrin.AddErrorToKovrin[10]\\modKovrin.OpenConnection[40]\\Microsoft JET Database Engine: "));
    for (int i : {1, 3, 5}) EXPECT_EQ(lines[i], separator);

    // Later entries stay in that file whatever KovrinPath says now.
    Installation other(Installation::Data::Empty, "other.sqlite");
    k.KovrinPath(other.databasePath());
    Kovrin second;
    second.DebugMode(true);
    second.GetOsekMorshe();
    EXPECT_FALSE(std::filesystem::exists(other.dir().file("kovrinapi3.2.74.txt")));
    EXPECT_EQ(core::debugLogFileName(), logFile);

    // A missing value still gives four fields.
    modUtils::LogDebug("Test.Proc", "Label");
    std::ifstream again(logFile, std::ios::binary);
    std::stringstream all2;
    all2 << again.rdbuf();
    EXPECT_THAT(all2.str(), HasSubstr("\tTest.Proc\tLabel\t\r\n" + separator + "\r\n"));
}

TEST(KovrinDebugLog, FolderOfAPath) {
    EXPECT_EQ(modUtils::GetFilePath("C:\\Data\\books.mde"), "C:\\Data");
    EXPECT_EQ(modUtils::GetFilePath("C:books.mde"), "C:");
    EXPECT_EQ(modUtils::GetFilePath("books.mde"), "");
    EXPECT_EQ(modUtils::GetFilePath("/srv/data/books.sqlite"), "/srv/data");
}

TEST(KovrinRegSettings, TextSettingsInTheMachineKey) {
    ScopedRegistry registry;
    clsRegistry().SaveValue(HKCU, "Software\\Kovrin", "Path", Variant("/srv"));
    clsRegistry().SaveValue(HKCU, "Software\\Kovrin", "File", Variant("b.sqlite"));
    Kovrin k;
    EXPECT_EQ(CStr(k.GetKovrinRegSetting("Nothing", Variant(int32_t{5}))), "5");
    k.SetKovrinRegSetting("Ready", Variant(true));
    Variant v = k.GetKovrinRegSetting("Ready", Variant(""));
    EXPECT_EQ(v.type(), VarType::String);
    EXPECT_EQ(CStr(v), "True");
    EXPECT_EQ(regText(HKLM, "SOFTWARE\\Kovrin", "Ready"), "True");
}

TEST(KovrinConnection, AConnectionLeftOpenFollowsAChangedPath) {
    Installation first(Installation::Data::Empty, "first.sqlite");
    Installation second(Installation::Data::Empty, "second.sqlite");
    Kovrin k;
    k.KovrinPath(first.databasePath());
    k.GetCustomerByID(1);  // ends without closing the shared connection
    k.KovrinPath(second.databasePath());
    k.AddErrorToKovrin("meant for the second book");
    EXPECT_EQ(CLng(first.scalar("SELECT COUNT(*) FROM Errors")), 0);
    EXPECT_EQ(CLng(second.scalar("SELECT COUNT(*) FROM Errors")), 1);

    // The same after a new object resets the path from the registry (the second installation).
    k.KovrinPath(first.databasePath());
    k.GetCustomerByID(1);
    Kovrin fresh;
    fresh.AddErrorToKovrin("also for the second book");
    EXPECT_EQ(CLng(first.scalar("SELECT COUNT(*) FROM Errors")), 0);
    EXPECT_EQ(CLng(second.scalar("SELECT COUNT(*) FROM Errors")), 2);
}
