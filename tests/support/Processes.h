// Several programs writing through the library at once.
#pragma once

#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/runtime/Error.h>

#include <cstdio>
#include <functional>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kovrin::test {

// Runs create(kovrin, process, i) `perProcess` times in each of `processes` forked programs at
// once; a program whose call fails prints the error and the test fails.
inline void inProcesses(int processes, int perProcess, const std::function<void(Kovrin&, int, int)>& create) {
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                Kovrin k;
                for (int i = 0; i < perProcess; ++i) create(k, p, i);
            } catch (const Error& e) {
                std::fprintf(stderr, "child %d: %d %s %s\n", p, e.number(), e.source().c_str(), e.description().c_str());
                status = 2;
            }
            _exit(status);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

}  // namespace kovrin::test
