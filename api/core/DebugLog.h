// The debug log: a text file next to the database, one tab-separated line per entry (time stamp,
// procedure, label, value) followed by a separator of 103 hyphens. Logging never fails.
#pragma once

#include <optional>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::modUtils {

// Writes one entry. A missing value is written as the empty text; a value that cannot be turned
// into text is written as the empty text too. Any failure (no folder, no rights) loses the entry.
void LogDebug(const std::string& strProcedure, const std::string& strLabel,
              const std::optional<Variant>& varValue = std::nullopt) noexcept;

// The folder part of a path: up to and including the last ":" or before the last "\" or "/",
// whichever comes last; the empty text when there is none. C:\Data\books.mde gives C:\Data,
// C:books.mde gives C:, /srv/books.sqlite gives /srv.
std::string GetFilePath(const std::string& path);

}  // namespace kovrin::modUtils

namespace kovrin::core {

// The log file's name as fixed by the first entry (empty before it). For tests and tools.
std::string debugLogFileName();
// Lets the next entry fix the name again, as in a freshly loaded library. For tests that run
// several installations in one process.
void forgetDebugLogFileName();
// "kovrinapi3.2.74.txt" for this build.
std::string debugLogBaseName();

}  // namespace kovrin::core
