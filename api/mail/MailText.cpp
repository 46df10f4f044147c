#include "MailText.h"

#include <cerrno>
#include <ctime>
#include <iconv.h>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Text.h>

namespace kovrin::mail {

namespace {

// The text in Windows-1255, or nothing when a character of it has no place there.
std::optional<std::string> toWindows1255(const std::string& utf8) {
    iconv_t cd = iconv_open("WINDOWS-1255", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || rc != 0) return std::nullopt;  // unmappable: not lossless
    out.resize(out.size() - outLeft);
    return out;
}

bool printableAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

}  // namespace

Encoded encodeTexts(const std::vector<std::string>& utf8Texts) {
    Encoded result{"Windows-1255", {}};
    for (const auto& t : utf8Texts) {
        auto converted = toWindows1255(t);
        if (!converted) return {"UTF-8", utf8Texts};
        result.texts.push_back(std::move(*converted));
    }
    return result;
}

std::string base64(std::string_view bytes, bool wrapLines) {
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
        out += Alphabet[(n >> 18) & 63];
        out += Alphabet[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? Alphabet[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? Alphabet[n & 63] : '=';
        if (wrapLines && (column += 4) == 76) {
            out += "\r\n";
            column = 0;
        }
    }
    if (wrapLines && column != 0) out += "\r\n";
    return out;
}

std::string oneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string headerText(std::string_view bytes, const std::string& charset) {
    const std::string value = oneLine(bytes);
    if (printableAscii(value)) return value;
    // Encoded words of at most 45 bytes each (75 characters with the frame), never splitting a
    // UTF-8 character, folded onto continuation lines.
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        std::size_t end = std::min(value.size(), i + 45);
        if (charset == "UTF-8")
            while (end < value.size() && end > i && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) --end;
        if (!out.empty()) out += "\r\n ";
        out += "=?" + charset + "?B?" + base64(std::string_view(value).substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::string displayName(std::string_view bytes, const std::string& charset) {
    const std::string value = oneLine(bytes);
    if (!printableAscii(value)) return headerText(value, charset);
    return "\"" + text::replaceAll(text::replaceAll(value, "\\", "\\\\"), "\"", "\\\"") + "\"";
}

std::vector<std::string> splitAddresses(std::string_view list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        std::string address = text::trim(oneLine(list.substr(start, comma - start)));
        if (!address.empty()) out.push_back(std::move(address));
        start = comma + 1;
    }
    return out;
}

std::string rfc5322Now() {
    static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const long offset = local.tm_gmtoff / 60;
    return fmt::format("{}, {:02} {} {} {:02}:{:02}:{:02} {}{:02}{:02}", Days[local.tm_wday], local.tm_mday,
                       Months[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                       offset < 0 ? '-' : '+', std::abs(offset) / 60, std::abs(offset) % 60);
}

}  // namespace kovrin::mail
