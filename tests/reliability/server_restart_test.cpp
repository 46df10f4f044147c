#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "Writers.h"
#include "support/PostgresServer.h"

using namespace kovrin;
using namespace kovrin::test;

// The database server restarts while programs write documents of every kind. A call the restart
// interrupts fails with an error and the program repeats it under a new tag, as a user would; a
// failed call may still have been stored (a commit whose answer was lost), but every call told a
// number holds it, whole, and no numbering has a repeat or a gap.
TEST(Reliability, ServerRestartedWhileProgramsWrite) {
    if (!Installation::onServer()) GTEST_SKIP() << "the books are on a server in the /postgresql run only";
    auto server = PostgresServer::startPrivate();  // restarting the run's server would disturb other tests
    ASSERT_TRUE(server) << "PostgreSQL is not installed";
    const int programs = sizeFromEnv("KOVRIN_RELIABILITY_PROCESSES", 4);
    const int rounds = sizeFromEnv("KOVRIN_RELIABILITY_DOCUMENTS", 25);
    Installation inst(*server);
    TempDir out;
    const auto& writers = allWriters();

    std::vector<pid_t> children;
    for (int p = 0; p < programs; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid != 0) {
            children.push_back(pid);
            continue;
        }
        std::ofstream told(out.file(std::to_string(p)));
        std::ofstream failed(out.file("failed-" + std::to_string(p)));
        Kovrin k;
        for (int i = 0; i < rounds; ++i)
            for (std::size_t j = 0; j < writers.size(); ++j) {
                const std::size_t w = (j + static_cast<std::size_t>(p)) % writers.size();
                for (int attempt = 0;; ++attempt) {
                    const std::string tag = "rel-" + std::to_string(p) + "-" + std::to_string(i) + "-" + std::to_string(attempt);
                    try {
                        told << toldLine(w, tag, writers[w].create(k, tag)) << std::flush;
                        break;
                    } catch (const Error& e) {
                        failed << e.number() << " " << e.description() << "\n" << std::flush;
                        if (attempt == 300) _exit(2);  // 15 seconds without the server
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    }
                }
            }
        _exit(0);
    }

    // Restart once the programs are well under way.
    const auto toldSoFar = [&] {
        std::size_t lines = 0;
        for (int p = 0; p < programs; ++p) {
            std::ifstream in(out.file(std::to_string(p)));
            lines += parseTold(std::string(std::istreambuf_iterator<char>(in), {})).size();
        }
        return lines;
    };
    const std::size_t total = static_cast<std::size_t>(programs * rounds) * writers.size();
    for (int waited = 0; toldSoFar() < total / 3 && waited < 600; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_LT(toldSoFar(), total) << "the programs ended before the restart";
    server->restart();

    std::string all, failures;
    for (int p = 0; p < programs; ++p) {
        int status = 0;
        waitpid(children[static_cast<std::size_t>(p)], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program gave up: " << status;
        std::ifstream in(out.file(std::to_string(p))), failed(out.file("failed-" + std::to_string(p)));
        all += std::string(std::istreambuf_iterator<char>(in), {});
        failures += std::string(std::istreambuf_iterator<char>(failed), {});
    }
    const auto told = parseTold(all);
    EXPECT_EQ(told.size(), total);
    EXPECT_NE(failures, "") << "the restart interrupted no call";
    // Every failure says what happened; none pretends to be something else.
    for (std::size_t at = 0, end; (end = failures.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = failures.substr(at, end - at);
        EXPECT_EQ(line.rfind("-2147467259 ", 0), 0u) << line;
    }
    expectStoredAsTold(inst, told, false);
}
