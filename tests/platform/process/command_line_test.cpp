#include "platform/process/CommandLine.h"
#include "platform/process/Spawn.h"

#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <fstream>
#include <sys/wait.h>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace kovrin::process {
namespace {

using V = std::vector<std::string>;

TEST(CommandLine, SplitsByTheDesktopRules) {
    // Files that "exist" for the program-name rule.
    auto exists = [](const std::string& p) {
        return p == "C:\\Program Files\\Office\\msaccess.exe" || p == "/opt/a b/prog";
    };
    struct Case {
        const char* line;
        V expected;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"prog a b", {"prog", "a", "b"}},
        {"prog  \t a\t\tb  ", {"prog", "a", "b"}},
        // The database path in quotes, the macro switch glued to the closing quote.
        {"/x/msaccess.exe \"/data/my books.sqlite\"/x apiPrintInvoice /cmd 1052",
         {"/x/msaccess.exe", "/data/my books.sqlite/x", "apiPrintInvoice", "/cmd", "1052"}},
        {"prog \"a b\"c d", {"prog", "a bc", "d"}},
        {"prog \"\"", {"prog", ""}},
        {"prog \"a \"\"q\"\" b\"", {"prog", "a \"q\" b"}},
        // Backslashes: literal unless before a quote; 2n -> n and a quote toggle, 2n+1 -> n and ".
        {"prog a\\b c\\\\d", {"prog", "a\\b", "c\\\\d"}},
        {"prog a\\\"b", {"prog", "a\"b"}},
        {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},
        {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},
        {"prog \"C:\\Data\\\\\"", {"prog", "C:\\Data\\"}},
        {"prog \"unterminated arg", {"prog", "unterminated arg"}},
        // The program name: quoted up to the next quote, backslashes ordinary.
        {"\"C:\\a b\\p.exe\" x", {"C:\\a b\\p.exe", "x"}},
        {"\"C:\\a b\\p.exe\"x", {"C:\\a b\\p.exe", "x"}},
        {"C:\\dir\\p.exe\\\" x", {"C:\\dir\\p.exe\\\"", "x"}},
        // Unquoted with blanks: the shortest prefix that names a file.
        {"C:\\Program Files\\Office\\msaccess.exe \"d.mde\" /x m", {"C:\\Program Files\\Office\\msaccess.exe", "d.mde", "/x", "m"}},
        {"/opt/a b/prog c", {"/opt/a b/prog", "c"}},
        {"/opt/a c/prog d", {"/opt/a", "c/prog", "d"}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitCommandLine(c.line, exists), c.expected) << c.line;
}

TEST(Spawn, StartsDetachedWithTheEnvironmentAndLeavesNoChild) {
    test::TempDir dir;
    const std::string out = dir.file("out.txt");
    EXPECT_EQ(startDetached({"/bin/sh", "-c", "printf '%s|%s' \"$KOVRIN_WINDOW_MODE\" \"$1\" > \"$0.tmp\"; mv \"$0.tmp\" \"$0\"",
                             out, "arg one"},
                            {{"KOVRIN_WINDOW_MODE", "6"}}),
              0);
    std::string got;
    for (int i = 0; i < 500 && got.empty(); ++i) {
        std::ifstream f(out);
        std::getline(f, got);
        if (got.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(got, "6|arg one");
    // The intermediate was reaped and the program is not our child: nothing to wait for.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    EXPECT_EQ(startDetached({dir.file("no-such-program")}), ENOENT);
    {
        // A search path with a folder this user may not enter (root's, inherited through su)
        // answers EACCES for a missing program: the search here is over folders everyone enters.
        const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", "/usr/bin:/bin", 1);
        EXPECT_EQ(startDetached({"no-such-program-on-path-kovrin"}), ENOENT);
        setenv("PATH", path.c_str(), 1);
    }
    EXPECT_EQ(startDetached({out}), EACCES);  // exists, not executable
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

}  // namespace
}  // namespace kovrin::process
