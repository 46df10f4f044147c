// A command line given as one text, as the desktop platform hands it to a new process, split into
// the program and its arguments by that platform's rules:
//
//  - The program name ends at the first blank or tab, or, when it begins with a double quote, at
//    the next double quote; backslashes in it are ordinary characters. An unquoted name that holds
//    blanks ("C:\Program Files\App\app.exe") is resolved the way the platform's process start does
//    it: the shortest blank-separated prefix that names an existing file is the program.
//  - The arguments after it are separated by blanks and tabs. A double quote starts or ends a
//    quoted stretch, in which blanks belong to the argument; quoted and unquoted stretches join
//    into one argument ("a b"c gives a bc). Inside a quoted stretch two double quotes give one
//    literal double quote.
//  - 2n backslashes before a double quote give n backslashes and the quote acts as above;
//    2n + 1 backslashes before it give n backslashes and a literal double quote. Backslashes not
//    followed by a double quote are ordinary characters.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin::process {

// Whether a path names an existing file (a seam for tests of the program-name rule).
using FileExists = std::function<bool(const std::string& path)>;
bool fileExists(const std::string& path);

// The program (element 0) and its arguments. An empty or blank text gives no element.
std::vector<std::string> splitCommandLine(std::string_view commandLine, const FileExists& exists = fileExists);

}  // namespace kovrin::process
