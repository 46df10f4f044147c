// Detaching by double start. An intermediate child is forked; it starts the program with
// posix_spawn, reports posix_spawn's result through a close-on-exec pipe and exits at once. The
// caller reaps exactly that intermediate (waitpid on its pid), so no zombie is left, and the
// program, now an orphan, is adopted and later reaped by init (or the nearest subreaper).
//
// The alternatives were worse for a library that lives inside someone else's program: reaping on
// SIGCHLD means installing a handler that the host may have installed itself (or set to SIG_IGN),
// and a waitpid(-1) there would steal the host's children; a reaper thread per start would outlive
// the call and could still be running when the library is unloaded. The intermediate only calls
// posix_spawn (vfork-like in glibc), write and _exit, so forking from a threaded host is safe.
#include "Spawn.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kovrin::process {

namespace {

// This process's environment with the given names set.
std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string_view entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : extra)
            if (entry.size() > name.size() && entry.substr(0, name.size()) == name && entry[name.size()] == '=')
                replaced = true;
        if (!replaced) env.emplace_back(entry);
    }
    for (const auto& [name, value] : extra) env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& t : texts) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

int startDetached(const std::vector<std::string>& argv,
                  const std::vector<std::pair<std::string, std::string>>& environment) {
    if (argv.empty() || argv[0].empty()) return ENOENT;

    // Everything the intermediate needs is prepared here: after fork it may not allocate.
    std::vector<std::string> args = argv;
    std::vector<std::string> env = environmentWith(environment);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(env);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);  // the host may ignore these; the program starts clean
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    int fds[2];
    int result = 0;
    if (pipe2(fds, O_CLOEXEC) != 0) {
        result = errno;
    } else {
        const pid_t intermediate = fork();
        if (intermediate == 0) {
            pid_t program;
            int rc = posix_spawnp(&program, argp[0], &actions, &attr, argp.data(), envp.data());
            ssize_t written = write(fds[1], &rc, sizeof rc);
            _exit(written == sizeof rc ? 0 : 1);
        }
        close(fds[1]);
        if (intermediate < 0) {
            result = errno;
        } else {
            int rc = 0;
            ssize_t got;
            do got = read(fds[0], &rc, sizeof rc);
            while (got < 0 && errno == EINTR);
            result = got == sizeof rc ? rc : ECHILD;
            while (waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        close(fds[0]);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return result;
}

}  // namespace kovrin::process
