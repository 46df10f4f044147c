#include "CommandLine.h"

#include <sys/stat.h>

namespace kovrin::process {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The arguments after the program name, by the quoting and backslash rules.
void splitArguments(std::string_view s, std::size_t i, std::vector<std::string>& out) {
    const std::size_t n = s.size();
    while (true) {
        while (i < n && isBlank(s[i])) ++i;
        if (i >= n) return;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(s[i]))) {
            if (s[i] == '\\') {
                std::size_t count = 0;
                while (i < n && s[i] == '\\') ++count, ++i;
                if (i < n && s[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                    // An even count leaves the quote to the branch below.
                } else {
                    arg.append(count, '\\');
                }
            } else if (s[i] == '"') {
                if (quoted && i + 1 < n && s[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += s[i++];
            }
        }
        out.push_back(std::move(arg));
    }
}

}  // namespace

bool fileExists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::vector<std::string> splitCommandLine(std::string_view s, const FileExists& exists) {
    std::vector<std::string> out;
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && isBlank(s[i])) ++i;
    if (i >= n) return out;

    std::size_t end;
    if (s[i] == '"') {
        end = s.find('"', i + 1);
        if (end == std::string_view::npos) end = n;
        out.emplace_back(s.substr(i + 1, end - i - 1));
        if (end < n) ++end;  // past the closing quote
    } else {
        // The first word, or when that names no file, the shortest longer blank-separated prefix
        // that does; when none does, the first word.
        end = i;
        while (end < n && !isBlank(s[end])) ++end;
        if (!exists(std::string(s.substr(i, end - i)))) {
            for (std::size_t e = end;;) {
                while (e < n && isBlank(s[e])) ++e;
                if (e >= n) break;
                while (e < n && !isBlank(s[e])) ++e;
                if (exists(std::string(s.substr(i, e - i)))) {
                    end = e;
                    break;
                }
            }
        }
        out.emplace_back(s.substr(i, end - i));
    }
    splitArguments(s, end, out);
    return out;
}

}  // namespace kovrin::process
