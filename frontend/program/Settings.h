// The registry values the front-end shares with the library and the PDF printer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kovrin::frontend::app {

// Machine key of the library's settings and hand-shakes.
constexpr std::string_view KovrinKey = "SOFTWARE\\Kovrin";
// The PDF printer's settings; "OutputFile" names the next PDF to write.
constexpr std::string_view PdfFactoryKey = "Software\\FinePrint Software\\pdfFactory3";
// The printer whose pages go to a PDF file instead of the print service.
constexpr std::string_view PdfPrinterName = "pdfFactory";

// A text (or number, as decimal text) value; nullopt when the key or value does not exist.
// A store that cannot be read is an error (kovrin::Error with the store's status).
std::optional<std::string> readSetting(uint32_t hive, std::string_view key, std::string_view name);
// Writes a text value; a refusal is an error.
void writeSetting(uint32_t hive, std::string_view key, std::string_view name, std::string_view text);

// The folder of the installation whose books are `database`: where the log and the backups go. A
// file's own folder; for a server's URI the folder registered with it ("Path" beside "File" under
// HKEY_CURRENT_USER\Software\Kovrin), or the temporary folder when the URI is not the registered one.
std::filesystem::path installationFolder(const std::filesystem::path& database);

// The business the library works with now: "LastBusinessID", written on every change of its
// BusinessID; 1 when none was written yet.
int currentBusiness();

// The business's default printer, kept per licensed-dealer number; empty when none is set.
std::string defaultPrinter(std::string_view licensedDealerNumber);

}  // namespace kovrin::frontend::app
