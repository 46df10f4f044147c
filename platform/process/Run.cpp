// The input goes through an anonymous in-memory file rather than a pipe: the program reads it
// whenever it likes, and a program that exits without reading it cannot raise SIGPIPE in the
// host nor leave us blocked on a full pipe. Output comes back through pipes read with poll().
#include "Run.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace kovrin::process {

namespace {

using Clock = std::chrono::steady_clock;

// Closes a descriptor once, at the end of its scope at the latest.
struct Fd {
    int fd = -1;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

bool writeAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

RunResult runWithInput(const std::vector<std::string>& argv, const std::string& input,
                       std::chrono::milliseconds timeout, std::size_t maxOutput) {
    RunResult result;
    if (argv.empty() || argv[0].empty()) {
        result.startError = ENOENT;
        return result;
    }
    Fd in, out[2], err[2];
    in.fd = memfd_create("kovrin-input", MFD_CLOEXEC);
    int outPipe[2], errPipe[2];
    if (in.fd < 0 || !writeAll(in.fd, input) || lseek(in.fd, 0, SEEK_SET) != 0 || pipe2(outPipe, O_CLOEXEC) != 0) {
        result.startError = errno;
        return result;
    }
    out[0].fd = outPipe[0], out[1].fd = outPipe[1];
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        result.startError = errno;
        return result;
    }
    err[0].fd = errPipe[0], err[1].fd = errPipe[1];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.fd, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1].fd, 1);
    posix_spawn_file_actions_adddup2(&actions, err[1].fd, 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argp[0], &actions, &attr, argp.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    in.reset();
    out[1].reset();
    err[1].reset();
    if (rc != 0) {
        result.startError = rc;
        return result;
    }

    const auto deadline = Clock::now() + timeout;
    auto collect = [&](int fd, std::string& into) {
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
        if (n <= 0) return false;  // end of output
        const std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(n), maxOutput - std::min(maxOutput, into.size()));
        into.append(buffer, keep);
        return true;
    };
    // Read until both outputs end or time runs out.
    bool outOpen = true, errOpen = true;
    while ((outOpen || errOpen) && !result.timedOut) {
        pollfd fds[2] = {{outOpen ? out[0].fd : -1, POLLIN, 0}, {errOpen ? err[0].fd : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            result.timedOut = true;
            break;
        }
        if (fds[0].revents) outOpen = collect(out[0].fd, result.output);
        if (fds[1].revents) errOpen = collect(err[0].fd, result.errors);
    }
    if (result.timedOut) ::kill(-pid, SIGKILL);
    // The outputs are closed: the program has ended or is about to (or closed them and runs on).
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, result.timedOut ? 0 : WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return result;  // reaped by someone else: nothing more to learn
        if (Clock::now() >= deadline) {
            result.timedOut = true;
            ::kill(-pid, SIGKILL);
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (result.timedOut) {
        ::kill(-pid, SIGKILL);  // whatever else the program left running in its group
        return result;
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

}  // namespace kovrin::process
