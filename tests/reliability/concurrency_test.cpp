#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "Writers.h"
#include "platform/db/SqliteBackend.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

// Runs body(kovrin, program) in `programs` forked programs at once and returns everything they
// wrote to `told`. A program that fails reports its error and fails the test.
std::string inPrograms(int programs, const std::function<void(Kovrin&, int, std::ostream& told)>& body) {
    TempDir out;
    std::vector<pid_t> children;
    for (int p = 0; p < programs; ++p) {
        const pid_t pid = fork();
        if (pid != 0) {
            EXPECT_GT(pid, 0);
            children.push_back(pid);
            continue;
        }
        int status = 0;
        std::ofstream told(out.file(std::to_string(p)));
        try {
            Kovrin k;
            body(k, p, told);
        } catch (const Error& e) {
            fprintf(stderr, "program %d: %d %s %s\n", p, e.number(), e.source().c_str(), e.description().c_str());
            status = 2;
        }
        told.close();
        _exit(status);
    }
    std::string all;
    for (std::size_t p = 0; p < children.size(); ++p) {
        int status = 0;
        waitpid(children[p], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program failed: " << status;
        std::ifstream in(out.file(std::to_string(p)));
        all += std::string(std::istreambuf_iterator<char>(in), {});
    }
    return all;
}

}  // namespace

// Several programs create documents of every kind, customers and time bills in one business at
// once. Every call must succeed (waiting for the write lock is the only contention allowed), and
// each must have been told the number of its own stored, whole document.
TEST(Reliability, ConcurrentProgramsWritingEveryKind) {
    const int programs = sizeFromEnv("KOVRIN_RELIABILITY_PROCESSES", 4);
    const int rounds = sizeFromEnv("KOVRIN_RELIABILITY_DOCUMENTS", 25);
    // A shorter busy time-out makes a writer that waits too long for its turn visible sooner.
    if (const int ms = sizeFromEnv("KOVRIN_RELIABILITY_BUSY_MS", 0)) db::setBusyTimeoutMs(ms);
    Installation inst;
    const auto& writers = allWriters();
    const auto told = parseTold(inPrograms(programs, [&](Kovrin& k, int p, std::ostream& told) {
        // Each program starts at another kind, so the tables are contended in every order.
        for (int i = 0; i < rounds; ++i)
            for (std::size_t j = 0; j < writers.size(); ++j) {
                const std::size_t w = (j + static_cast<std::size_t>(p)) % writers.size();
                const std::string tag = "rel-" + std::to_string(p) + "-" + std::to_string(i);
                told << toldLine(w, tag, writers[w].create(k, tag));
            }
    }));
    EXPECT_EQ(told.size(), static_cast<std::size_t>(programs * rounds) * writers.size());
    expectStoredAsTold(inst, told, true);
}
