// Text helpers that count characters, not bytes. Strings are UTF-8 throughout the library, and
// Hebrew names must be cut at 50 characters, not at 50 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kovrin::text {

// Number of characters (code points) in UTF-8 text.
std::size_t length(std::string_view s);
// The first n characters.
std::string left(std::string_view s, std::size_t n);
// The last n characters.
std::string right(std::string_view s, std::size_t n);

// Blanks (spaces only, as the automation Trim does) removed from both ends, the start, the end.
std::string trim(std::string_view s);
std::string ltrim(std::string_view s);
std::string rtrim(std::string_view s);

// Every occurrence of `from` replaced by `to`, left to right.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

// Case-insensitive comparison of ASCII letters (key paths, value names, field names).
inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool equalsNoCase(std::string_view a, std::string_view b);
std::string toLowerAscii(std::string_view s);
std::string toUpperAscii(std::string_view s);

}  // namespace kovrin::text
