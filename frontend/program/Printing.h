// Printing a document to the business's default printer.
#pragma once

#include "DocumentPage.h"
#include "Documents.h"
#include "Store.h"

namespace kovrin::frontend::app {

// Prints the document on the printer set for its business ("strDefaultPrinter" per
// licensed-dealer number; the system's default printer when none is set). The printer
// "pdfFactory" writes a PDF to the file its "OutputFile" setting names, then clears the setting
// to say the file is complete. The first print is marked as the original, later prints as true
// copies; the count is kept in FrontEndPrints and only a print that succeeded counts.
void printDocument(Store& store, const Document& document, Language language);

}  // namespace kovrin::frontend::app
