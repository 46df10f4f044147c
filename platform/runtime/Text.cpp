#include "Text.h"

#include <algorithm>

namespace kovrin::text {
namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Byte offset of the n-th character (or the end).
std::size_t offsetOf(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    while (n > 0 && i < s.size()) {
        ++i;
        while (i < s.size() && isContinuation(static_cast<unsigned char>(s[i]))) ++i;
        --n;
    }
    return i;
}

}  // namespace

std::size_t length(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return !isContinuation(static_cast<unsigned char>(c)); }));
}

std::string left(std::string_view s, std::size_t n) { return std::string(s.substr(0, offsetOf(s, n))); }

std::string right(std::string_view s, std::size_t n) {
    std::size_t len = length(s);
    return n >= len ? std::string(s) : std::string(s.substr(offsetOf(s, len - n)));
}

std::string ltrim(std::string_view s) {
    std::size_t b = s.find_first_not_of(' ');
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string rtrim(std::string_view s) {
    std::size_t e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string trim(std::string_view s) { return ltrim(rtrim(s)); }

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = s.find(from, pos)) != std::string_view::npos; pos = hit + from.size())
        out.append(s.substr(pos, hit - pos)).append(to);
    out.append(s.substr(pos));
    return out;
}


bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::string toLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

std::string toUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace kovrin::text
