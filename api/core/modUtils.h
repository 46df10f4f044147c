// The small conversions the data procedures share: values spliced into SQL text, XML dates and
// nodes, database values turned into record fields, and currency names turned into the symbols the
// bookkeeping database stores (and back). Their exact output is what every SQL statement and XML
// text of the library is built from.
//
// Helpers with a source name pass errors on as "modUtils.<Name>[line]\" + source; the others
// (SqlStr, SqlLong, BoolToLong, SqlDate, VarToCurrency, XMLDateToDate, GetTempDir) have no handler,
// so their errors reach the calling procedure unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <KovrinAPI/runtime/Currency.h>
#include <KovrinAPI/runtime/Date.h>
#include <KovrinAPI/runtime/Variant.h>

#include "platform/xml/Dom.h"

namespace kovrin::modUtils {

// A text as an SQL literal: NULL for the empty text, else the text in single quotes with each
// quote doubled. maxLen > 0 keeps at most maxLen characters (not bytes) inside the quotes, counted
// after doubling; a cut that would split a doubled quote drops its first half, so the literal
// never ends early. maxLen <= 0: no limit.
std::string SqlStr(std::string_view text, int32_t maxLen);

// NULL for 0 (a missing key), else the plain decimal digits.
std::string SqlLong(int32_t value);

// 1 for True, 0 for False.
int32_t BoolToLong(bool flag);

// NULL for the zero date, else the Jet date literal "#mm/dd/yyyy hh:nn#" (seconds dropped).
std::string SqlDate(Date value);

// The amount minus its whole part (truncated toward zero): 12.3456 gives 0.3456, -12.3456 -0.3456.
double Frac(Currency amount);

// Zero padding on the left to `width` characters, from a supply of 34 zeros; a text longer than
// `width` comes back unchanged.
std::string Field(std::string_view text, int32_t width);

// The default when the value is Null, else the value (Empty is not Null).
Variant MyNz(const Variant& value, const Variant& defaultValue);

// A numeric value (or text that reads as a number) as currency rounded to 4 places; 0 for Null,
// Empty, the empty text and anything that is not a number.
Currency VarToCurrency(const Variant& value);

// A date (or text that reads as one) as XML text yyyy-mm-ddThh:nn:ss, without zone or fraction;
// the empty text for anything else.
std::string CXMLDate(const Variant& value);

// XML date-time text to a date: the empty text gives the zero date; a fraction of seconds is
// dropped; text that does not read as a date (a zone suffix such as +02:00 or Z) fails with 13.
Date XMLDateToDate(std::string_view text);

// The text of the first element named `tag` anywhere in the document. When it is empty, or there
// is no such element, the default if one is given, else the empty text.
Variant GetNode(const xml::Document& doc, std::string_view tag, const std::optional<Variant>& defaultValue = std::nullopt);

// The text of the first node the XPath `path` selects below `node`; the default when that text is
// empty and one is given. Empty (not the default) when nothing is selected.
Variant GetNode2(const xml::Node& node, std::string_view path, const std::optional<Variant>& defaultValue = std::nullopt);

// "USD" -> "$" and the other names of the currency table (blanks around the name ignored,
// case-sensitive). Any other name fails with 5436 "Unknown currency: " + the name as given.
std::string CurrencyNameToSymbol(const Variant& name);

// "$" -> "USD" and the other symbols of the table, both Hebrew abbreviations of the shekel giving
// "NIS"; blanks give "NIS"; an unknown symbol comes back as it was given. Null fails with 94.
std::string CurrencySymbolToName(const Variant& symbol);

// The folder for temporary files: $TMPDIR, else /tmp/; always ends with "/".
std::string GetTempDir();

// The error number of an unknown currency name.
inline constexpr int32_t UnknownCurrency = 5436;

}  // namespace kovrin::modUtils
