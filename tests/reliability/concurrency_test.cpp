#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "Writers.h"

using namespace kovrin;
using namespace kovrin::test;

// Several programs create documents of every kind, customers and time bills in one business at
// once. Every call must succeed (waiting for the write lock is the only contention allowed), and
// each must have been told the number of its own stored, whole document.
TEST(Reliability, ConcurrentProgramsWritingEveryKind) {
    const int processes = sizeFromEnv("KOVRIN_RELIABILITY_PROCESSES", 4);
    const int rounds = sizeFromEnv("KOVRIN_RELIABILITY_DOCUMENTS", 25);
    Installation inst;
    TempDir out;
    const auto& writers = allWriters();
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid != 0) {
            children.push_back(pid);
            continue;
        }
        int status = 0;
        std::ofstream told(out.file(std::to_string(p)));
        try {
            Kovrin k;
            // Each program starts at another kind, so the tables are contended in every order.
            for (int i = 0; i < rounds; ++i)
                for (std::size_t j = 0; j < writers.size(); ++j) {
                    const std::size_t w = (j + static_cast<std::size_t>(p)) % writers.size();
                    const std::string tag = "rel-" + std::to_string(p) + "-" + std::to_string(i);
                    told << toldLine(w, tag, writers[w].create(k, tag));
                }
        } catch (const Error& e) {
            fprintf(stderr, "process %d: %d %s %s\n", p, e.number(), e.source().c_str(), e.description().c_str());
            status = 2;
        }
        told.close();
        _exit(status);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program failed: " << status;
    }
    std::string all;
    for (int p = 0; p < processes; ++p) {
        std::ifstream in(out.file(std::to_string(p)));
        all += std::string(std::istreambuf_iterator<char>(in), {});
    }
    const auto told = parseTold(all);
    EXPECT_EQ(told.size(), static_cast<std::size_t>(processes * rounds) * writers.size());
    expectStoredAsTold(inst, told, true);
}
