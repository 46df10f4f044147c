// The command line the library starts the front-end with, after the platform's splitting:
//
//   DATABASE                                  a plain start
//   DATABASE/x MACRO [/cmd ARGUMENT...]       the library's form: the quoted database path is
//                                             followed directly by "/x", so both make one word
//   DATABASE /x MACRO [/cmd ARGUMENT...]      the same with the switch apart
//   DATABASE /runtime /cmd -api               a start as the runtime; taken as a plain start
//
// Switches are read without regard to case. Everything after /cmd is the argument, its words
// joined by one blank (a date with its time arrives as two words).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin::frontend::app {

struct CommandLine {
    std::filesystem::path database;
    std::string macro;     // empty for a plain start
    std::string argument;  // what followed /cmd
};

// Throws std::invalid_argument with a message for the user when the words make no command line.
CommandLine parseCommandLine(const std::vector<std::string>& words);

}  // namespace kovrin::frontend::app
