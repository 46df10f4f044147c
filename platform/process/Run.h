// Running a helper program to completion: its standard input given, its standard output and
// error collected, and a time limit after which it is killed.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace kovrin::process {

struct RunResult {
    int startError = 0;     // the errno of a failed start (ENOENT, EACCES); 0 when it ran
    bool timedOut = false;  // it was killed at the time limit
    int exitCode = -1;      // its exit status; -1 when it was ended by a signal or did not run
    std::string output;     // standard output, at most maxOutput bytes
    std::string errors;     // standard error, at most maxOutput bytes
};

// Starts argv[0] (searched on PATH when it holds no "/") with the arguments argv, `input` as its
// standard input, in a process group of its own, and waits for it to end. At `timeout` the whole
// group is killed (a script's children too) and reaped. Output beyond maxOutput is read and
// dropped, so a chatty program cannot fill memory nor block on a full pipe. No descriptor of the
// caller beyond the three standard ones reaches the program. Safe in a program with threads.
RunResult runWithInput(const std::vector<std::string>& argv, const std::string& input,
                       std::chrono::milliseconds timeout, std::size_t maxOutput = 64 * 1024);

}  // namespace kovrin::process
