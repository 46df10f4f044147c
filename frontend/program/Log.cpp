#include "Log.h"

#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <string>

#include <fmt/chrono.h>
#include <fmt/format.h>

namespace kovrin::frontend::app {
namespace {
std::filesystem::path logFile;
}

void logInto(const std::filesystem::path& folder) {
    logFile = folder / "kovrin-frontend.log";
}

void log(std::string_view message) {
    const std::string line = fmt::format("{:%Y-%m-%d %H:%M:%S} [{}] {}\n", fmt::localtime(std::time(nullptr)), getpid(), message);
    std::fputs(("kovrin-frontend: " + std::string(message) + "\n").c_str(), stderr);
    if (logFile.empty()) return;
    // Opened per line and appended with one write, so several front-ends can share the file.
    if (std::FILE* f = std::fopen(logFile.c_str(), "a")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

}  // namespace kovrin::frontend::app
