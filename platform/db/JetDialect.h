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
#pragma once

#include <string>
#include <string_view>

namespace kovrin::db {

std::string translateJetSql(std::string_view sql);

}  // namespace kovrin::db
