// Text summaries of documents, as the document viewers show them.
#pragma once

#include <KovrinAPI/runtime/Variant.h>

#include <QString>

namespace demo {

// The documents are the library's Invoice and InvoiceKabala objects.
QString InvoiceSummary(const kovrin::Variant& d);
// Banks and payment types are the two-column lists of the library, for the names in the lines.
QString InvoiceKabalaSummary(const kovrin::Variant& d, const kovrin::Variant& banks,
                             const kovrin::Variant& paymentTypes);

}  // namespace demo
