// Translation of SQL text in the Jet 4.0 dialect into the portable form the backends run.
//
// A tokenizer walks the text once; only whole tokens outside literals are rewritten:
//   #mm/dd/yyyy hh:nn#, #mm/dd/yyyy#, #mm/dd/yyyy hh:nn:ss# (also #yyyy-mm-dd ...#, a time alone,
//       AM/PM)                              -> 'YYYY-MM-DD HH:MM:SS' (a time alone on 1899-12-30)
//   SELECT [DISTINCT|ALL] TOP n ...        -> SELECT [DISTINCT|ALL] ... LIMIT n, at the end of the
//                                             statement or of the parenthesised subquery
//   "text with "" inside"                  -> 'text with " inside' (a ' inside is doubled)
//   [name]                                 -> "name"
//   True / False                           -> 1 / 0
//   --                                     -> - -  (Jet has no comments: it is minus minus)
// Single-quoted literals, names with Hebrew letters, numbers and everything else pass unchanged;
// a '#', '"' or '[' inside a single-quoted literal is text. An unterminated literal or name, or a
// date literal that is no real date, fails with ErrSyntax ("Microsoft JET Database Engine").
//
// bindJetSql makes the same translation but lifts the literal values out of the text, so a
// statement built again with other values has the same shape and is compiled once. A value is
// lifted where it stands in a WHERE, HAVING, ON, SET or VALUES part of a SELECT, INSERT, UPDATE or
// DELETE: text in either quote (as a String), a date literal (a Date), True / False (a Boolean), a
// whole number of 32 bits (a Long) and a number with a fraction or exponent (a Double). Literals
// in a select list (they name its columns), in ORDER BY and GROUP BY (a number there is a column's
// position) and in any other statement stay text, and so does the whole statement when the text
// holds a parameter of its own (?, :name, @name).
#pragma once

#include <string>
#include <string_view>

#include "platform/db/Backend.h"

namespace kovrin::db {

std::string translateJetSql(std::string_view sql);
BoundSql bindJetSql(std::string_view sql);

// The characters of SQL text as both dialects read them.
namespace sqlchar {
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline bool isWordByte(char ch) {
    auto c = static_cast<unsigned char>(ch);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           c >= 0x80;  // every byte of a UTF-8 letter (Hebrew names) belongs to the word
}
}  // namespace sqlchar

// The position of the quote that closes the quoted text opened at `from` (a doubled quote inside
// stands for one), or npos when the text never closes.
std::size_t closingQuote(std::string_view sql, std::size_t from, char quote);

}  // namespace kovrin::db
