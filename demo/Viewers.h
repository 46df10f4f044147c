// Text summaries of documents, as the document viewers show them.
#pragma once

#include <KovrinAPI/runtime/Variant.h>

#include <QString>

namespace kovrin {
class Invoice;
class InvoiceKabala;
}  // namespace kovrin

namespace demo {

QString InvoiceSummary(const kovrin::Invoice& d);
// Banks and payment types are the two-column lists of the library, for the names in the lines.
QString InvoiceKabalaSummary(const kovrin::InvoiceKabala& d, const kovrin::Variant& banks,
                             const kovrin::Variant& paymentTypes);

}  // namespace demo
