// The text side of a mail message: the character set it is sent in, header values that hold
// non-ASCII text, the address lists, and the Date header.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin::mail {

// The message's texts as they go on the wire, and the character set that names their bytes:
// "Windows-1255" when every character of every text has a place in it, else "UTF-8" (the texts
// unchanged), so text outside Windows-1255 is never lost.
struct Encoded {
    std::string charset;
    std::vector<std::string> texts;
};
Encoded encodeTexts(const std::vector<std::string>& utf8Texts);

std::string base64(std::string_view bytes, bool wrapLines = false);

// A header value: plain when it is printable ASCII, else encoded words in the charset
// ("=?Windows-1255?B?...?="). Line breaks in the value become blanks, so a value can never add a
// header of its own.
std::string headerText(std::string_view bytes, const std::string& charset);
// A display name for From: quoted when it is ASCII, encoded words otherwise.
std::string displayName(std::string_view bytes, const std::string& charset);

// The addresses of a list split at each ",": every piece as given, blanks around it dropped for the
// SMTP envelope (an address cannot hold them); a piece that is blank adds nobody.
std::vector<std::string> splitAddresses(std::string_view list);

// The current time as an RFC 5322 date ("Tue, 08 Dec 2026 01:15:00 +0200"), independent of locale.
std::string rfc5322Now();

// The address with every line break removed (header and envelope safety).
std::string oneLine(std::string_view text);

}  // namespace kovrin::mail
