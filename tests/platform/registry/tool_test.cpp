// kovrin-reg, run as a program the way people and scripts run it.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "support/TempDir.h"

using namespace kovrin::registry;
using namespace kovrin::registry::test;
using kovrin::test::ScopedRegistry;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

struct ToolRun {
    int exit = -1;
    std::string out, err;
};

ToolRun tool(std::vector<std::string> args) {
    kovrin::test::TempDir dir;
    const std::string outFile = dir.file("out"), errFile = dir.file("err");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        std::vector<char*> argv{const_cast<char*>(KOVRIN_REG_TOOL)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(KOVRIN_REG_TOOL, argv.data());
        _exit(127);
    }
    ToolRun run;
    int st = 0;
    if (pid > 0 && waitpid(pid, &st, 0) == pid && WIFEXITED(st)) run.exit = WEXITSTATUS(st);
    run.out = fileBytes(outFile);
    run.err = fileBytes(errFile);
    return run;
}

}  // namespace

TEST(KovrinRegTool, WritesReadsListsExportsAndDeletes) {
    ScopedRegistry registry;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"set", "HKCU\\Software\\Kovrin", "Path", "/srv/data"},
             {"set", "hkey_current_user\\SOFTWARE\\KOVRIN", "File", "books \"2024\".sqlite"},
             {"set-number", "HKCU\\Software\\Kovrin", "Count", "0x2A"},
             {"set-number", "HKCU\\Software\\Kovrin", "Neg", "-5"},
             {"set", "HKCU\\Software\\Kovrin\\API", "", "C:\\Data"},
             {"set", "HKLM\\SOFTWARE\\Kovrin", "LastBusinessID", "3"}}) {
        ToolRun r = tool(args);
        EXPECT_EQ(r.exit, 0) << args[0] << " " << args[1] << ": " << r.err;
        EXPECT_EQ(r.out, "");
    }
    // What the tool wrote, the store reads.
    EXPECT_EQ(readText(CurrentUser, "software\\kovrin", "FILE"), "books \"2024\".sqlite");
    EXPECT_EQ(readText(LocalMachine, "SOFTWARE\\Kovrin", "LastBusinessID"), "3");

    EXPECT_EQ(tool({"get", "HKCU\\software\\kovrin", "path"}).out, "/srv/data\n");
    EXPECT_EQ(tool({"get", "HKCU\\Software\\Kovrin", "Count"}).out, "42\n");
    ASSERT_EQ(setKeyValue(CurrentUser, "Software\\Kovrin", "Blob", Value{Binary, "\x01\xab"}), status::Success);
    EXPECT_EQ(tool({"get", "HKCU\\Software\\Kovrin", "Blob"}).out, "01ab\n");

    ToolRun list = tool({"list", "HKCU\\Software\\Kovrin"});
    EXPECT_EQ(list.exit, 0);
    EXPECT_EQ(list.out,
              "HKEY_CURRENT_USER\\Software\\Kovrin\n"
              "    Blob    REG_BINARY    01ab\n"
              "    Count    REG_DWORD    42\n"
              "    File    REG_SZ    books \"2024\".sqlite\n"
              "    Neg    REG_DWORD    -5\n"
              "    Path    REG_SZ    /srv/data\n"
              "HKEY_CURRENT_USER\\Software\\Kovrin\\API\n");

    ToolRun exported = tool({"export", "HKCU\\SOFTWARE\\KOVRIN"});
    EXPECT_EQ(exported.exit, 0);
    EXPECT_EQ(exported.out,
              "[HKEY_CURRENT_USER\\Software\\Kovrin]\n"
              "\"Blob\"=hex:01,ab\n"
              "\"Count\"=dword:0000002a\n"
              "\"File\"=\"books \\\"2024\\\".sqlite\"\n"
              "\"Neg\"=dword:fffffffb\n"
              "\"Path\"=\"/srv/data\"\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Kovrin\\API]\n"
              "@=\"C:\\\\Data\"\n"
              "\n");

    EXPECT_EQ(tool({"delete-value", "HKCU\\Software\\Kovrin", "neg"}).exit, 0);
    EXPECT_EQ(tool({"delete-key", "HKCU\\Software\\Kovrin\\api"}).exit, 0);
    EXPECT_FALSE(keyExists(CurrentUser, "Software\\Kovrin\\API"));
    Value v;
    EXPECT_EQ(read(CurrentUser, "Software\\Kovrin", "Neg", v), status::NotFound);
    EXPECT_EQ(readText(CurrentUser, "Software\\Kovrin", "Path"), "/srv/data");
}

TEST(KovrinRegTool, BadArgumentsExitTwoWithUsageAndWriteNothing) {
    ScopedRegistry registry;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate", "HKCU"},
             {"get", "HKCU\\Software"},
             {"set", "HKCU\\Software", "name"},
             {"list", "HKCU", "extra"},
             {"set", "HKEY_NOWHERE\\Software", "n", "v"},
             {"set-number", "HKCU\\Software", "n", "12x"},
             {"set-number", "HKCU\\Software", "n", "4294967296"},
             {"set-number", "HKCU\\Software", "n", "-2147483649"},
             {"set-number", "HKCU\\Software", "n", ""}}) {
        ToolRun r = tool(args);
        SCOPED_TRACE(args.empty() ? "(none)" : args[0]);
        EXPECT_EQ(r.exit, 2);
        EXPECT_THAT(r.err, StartsWith("kovrin-reg: "));
        EXPECT_THAT(r.err, HasSubstr("usage: kovrin-reg COMMAND KEY"));
        EXPECT_EQ(r.out, "");
    }
    EXPECT_THAT(tool({"set-number", "HKCU\\Software", "n", "12x"}).err,
                StartsWith("kovrin-reg: \"12x\" is not a 32-bit number\n"));
    EXPECT_FALSE(keyExists(CurrentUser, "Software"));
    EXPECT_FALSE(std::filesystem::exists(registry.path() / "HKEY_CURRENT_USER.sqlite"));

    // The largest unsigned and the smallest signed number both fit.
    EXPECT_EQ(tool({"set-number", "HKCU\\Software", "max", "4294967295"}).exit, 0);
    EXPECT_EQ(tool({"set-number", "HKCU\\Software", "min", "-2147483648"}).exit, 0);
    EXPECT_EQ(tool({"get", "HKCU\\Software", "max"}).out, "-1\n");
    EXPECT_EQ(tool({"get", "HKCU\\Software", "min"}).out, "-2147483648\n");

    ToolRun help = tool({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_THAT(help.out, StartsWith("usage: kovrin-reg COMMAND KEY"));
}

TEST(KovrinRegTool, StoreFailuresExitOneWithTheStatusAndItsText) {
    ScopedRegistry registry;
    ToolRun missing = tool({"get", "HKCU\\Software\\Kovrin", "Path"});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_EQ(missing.err, "kovrin-reg: HKEY_CURRENT_USER\\Software\\Kovrin: error 2: The system cannot find the file specified.\n");
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "File", "b"), status::Success);
    EXPECT_EQ(tool({"get", "HKCU\\Software\\Kovrin", "Path"}).err,
              "kovrin-reg: value \"Path\" of HKEY_CURRENT_USER\\Software\\Kovrin: error 2: The system cannot find the "
              "file specified.\n");
    EXPECT_EQ(tool({"delete-key", "HKCU\\Nowhere"}).exit, 1);

    ToolRun badPath = tool({"set", "HKCU\\Software\\\\Kovrin", "Path", "x"});
    EXPECT_EQ(badPath.exit, 1);
    EXPECT_EQ(badPath.err,
              "kovrin-reg: value \"Path\" of HKEY_CURRENT_USER\\Software\\\\Kovrin: error 161: The specified path is "
              "invalid.\n");

    ToolRun root = tool({"delete-key", "HKLM"});
    EXPECT_EQ(root.exit, 1);
    EXPECT_EQ(root.err, "kovrin-reg: HKEY_LOCAL_MACHINE: error 5: Access is denied.\n");

    const auto file = registry.path() / "HKEY_CURRENT_USER.sqlite";
    writeFile(file, std::string(8192, '\x7f'));
    for (const auto& args : std::vector<std::vector<std::string>>{{"list", "HKCU"},
                                                                  {"set", "HKCU\\Software\\Kovrin", "Path", "x"},
                                                                  {"export", "HKCU"}}) {
        ToolRun r = tool(args);
        EXPECT_EQ(r.exit, 1) << args[0];
        EXPECT_THAT(r.err, HasSubstr(": error 1009: The configuration registry database is corrupt.\n")) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
    }
    EXPECT_EQ(fileBytes(file), std::string(8192, '\x7f'));
}
