#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <thread>

#include "Writers.h"

using namespace kovrin;
using namespace kovrin::test;

// A program creating documents of every kind is killed at random moments. Before it goes on after
// a call, it has written what it was told to a file and synced it. After each kill the database is
// sound, and holds every document the program was told of, whole, with no gap in any numbering.
TEST(Reliability, ProgramKilledAtRandomMomentsLosesNothingItWasTold) {
    const int kills = sizeFromEnv("KOVRIN_RELIABILITY_KILLS", 20);
    const char* given = std::getenv("KOVRIN_RELIABILITY_SEED");
    const auto seed = static_cast<unsigned>(given && *given ? std::strtoul(given, nullptr, 10) : std::random_device()());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(0, 250);
    Installation inst;
    TempDir out;
    const std::string toldPath = out.file("told");
    const auto& writers = allWriters();
    for (int round = 0; round < kills; ++round) {
        SCOPED_TRACE("kill " + std::to_string(round) + ", seed " + std::to_string(seed));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int fd = open(toldPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            try {
                Kovrin k;
                for (int i = 0;; ++i) {
                    const std::size_t w = static_cast<std::size_t>(i) % writers.size();
                    const std::string tag = "rel-" + std::to_string(round) + "-" + std::to_string(i);
                    const std::string line = toldLine(w, tag, writers[w].create(k, tag));
                    if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || fsync(fd) != 0) _exit(3);
                }
            } catch (const Error& e) {
                fprintf(stderr, "killed program: %d %s %s\n", e.number(), e.source().c_str(), e.description().c_str());
            }
            _exit(2);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the program stopped by itself: " << status;
        std::ifstream in(toldPath);
        expectStoredAsTold(inst, parseTold(std::string(std::istreambuf_iterator<char>(in), {})), false);
    }
    std::ifstream in(toldPath);
    EXPECT_GT(parseTold(std::string(std::istreambuf_iterator<char>(in), {})).size(), 0u) << "no document was created";
}
