#include "CommandLine.h"

#include <stdexcept>

namespace kovrin::frontend::app {
namespace {

bool same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

bool endsWithMacroSwitch(std::string_view word) {
    return word.size() > 2 && same(word.substr(word.size() - 2), "/x");
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& words) {
    if (words.empty() || words[0].empty()) throw std::invalid_argument("no database was given");
    CommandLine line;
    std::size_t next = 1;
    bool macroFollows = false;
    // The library writes the closing quote of the path and "/x" together: one word after
    // splitting. A file whose own name ends in "/x" is still taken whole.
    if (endsWithMacroSwitch(words[0]) && words.size() > 1 && !std::filesystem::exists(words[0])) {
        line.database = words[0].substr(0, words[0].size() - 2);
        macroFollows = true;
    } else {
        line.database = words[0];
    }
    for (; next < words.size(); ++next) {
        const std::string& word = words[next];
        if (macroFollows) {
            if (word.empty() || word[0] == '/') throw std::invalid_argument("/x is not followed by a macro name");
            line.macro = word;
            macroFollows = false;
        } else if (same(word, "/x")) {
            if (!line.macro.empty()) throw std::invalid_argument("more than one macro was given");
            macroFollows = true;
        } else if (same(word, "/cmd")) {
            for (++next; next < words.size(); ++next) line.argument += (line.argument.empty() ? "" : " ") + words[next];
        } else if (same(word, "/runtime")) {
            // The runtime start of the value query: nothing to do but open the database.
        } else {
            throw std::invalid_argument("unknown command-line word \"" + word + "\"");
        }
    }
    if (macroFollows) throw std::invalid_argument("/x is not followed by a macro name");
    if (line.macro.empty()) line.argument.clear();  // "/runtime /cmd -api": a plain start
    return line;
}

}  // namespace kovrin::frontend::app
