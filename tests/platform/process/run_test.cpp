#include "platform/process/Run.h"

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace kovrin::process {
namespace {

using namespace std::chrono_literals;

TEST(RunWithInput, GivesTheInputCollectsTheOutputAndStopsAtTheTimeLimit) {
    test::TempDir dir;
    const std::string big(200 * 1024, 'x');  // more than a pipe holds
    struct Case {
        const char* name;
        std::vector<std::string> argv;
        std::string input;
        int startError, exitCode;
        bool timedOut;
        std::string output, errors;
    } cases[] = {
        {"input back", {"cat"}, "{\"a\":1}\n", 0, 0, false, "{\"a\":1}\n", ""},
        {"exit status and errors", {"/bin/sh", "-c", "echo out; echo err >&2; exit 7"}, "", 0, 7, false, "out\n", "err\n"},
        {"input left unread", {"/bin/sh", "-c", "echo done"}, big, 0, 0, false, "done\n", ""},
        {"output beyond the limit is dropped", {"/bin/sh", "-c", "head -c 100000 /dev/zero | tr '\\0' y"}, "", 0, 0, false,
         std::string(1000, 'y'), ""},
        {"killed with its children at the limit", {"/bin/sh", "-c", "echo started; sleep 30; echo late"}, "", 0, -1, true,
         "started\n", ""},
        {"closes its output and runs on", {"/bin/sh", "-c", "exec >&- 2>&-; sleep 30"}, "", 0, -1, true, "", ""},
        {"killed by a signal", {"/bin/sh", "-c", "kill -9 $$"}, "", 0, -1, false, "", ""},
        {"no such program", {dir.file("absent")}, "", ENOENT, -1, false, "", ""},
        {"not executable", {dir.path().string()}, "", EACCES, -1, false, "", ""},
        {"nothing to run", {}, "", ENOENT, -1, false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        const RunResult r = runWithInput(c.argv, c.input, 1s, 1000);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(r.startError, c.startError);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.timedOut, c.timedOut);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(r.errors, c.errors);
        EXPECT_LT(took, 5s);
    }
}

TEST(RunWithInput, LeavesNothingOfTheProgramRunningAfterTheTimeLimit) {
    test::TempDir dir;
    const std::string mark = dir.file("mark");
    // The child of the script would write the mark after the limit, unless killed with it.
    const RunResult r = runWithInput({"/bin/sh", "-c", "(sleep 2; echo x > '" + mark + "') & wait"}, "", 300ms);
    EXPECT_TRUE(r.timedOut);
    std::this_thread::sleep_for(2500ms);
    EXPECT_FALSE(std::ifstream(mark).good());
}

}  // namespace
}  // namespace kovrin::process
