// A document laid out as a printed page: right to left in Hebrew, left to right in English.
#pragma once

#include <QString>

#include "Documents.h"

namespace kovrin::frontend::app {

enum class Language { Hebrew, English };

// Which print this is: the first print of a document is its original, every later one a true copy.
enum class Copy { None, Original, TrueCopy };

// The page as rich text (the subset of HTML that QTextDocument lays out).
QString documentPage(const Document& document, Language language, Copy copy);

// "1,234.50": two decimals, thousands grouped, as money is printed on documents.
QString money(double amount);

}  // namespace kovrin::frontend::app
