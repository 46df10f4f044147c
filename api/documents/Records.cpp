// The accessors of the record classes that can fail carry their own source names.
#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/runtime/Procedure.h>

namespace kovrin {

Variant Invoice::varInvoiceLines() const {
    return passOn("Invoice.varInvoiceLines", [&](Line&) { return varInvoiceLines_; });
}

void Invoice::varInvoiceLines(const Variant& v) {
    passOn("Invoice.varInvoiceLines", [&](Line&) { varInvoiceLines_ = v; });
}

void Invoice::setVarInvoiceLines(const ObjectRef& v) {
    passOn("Invoice.varInvoiceLines", [&](Line&) { varInvoiceLines_ = Variant(v); });
}

}  // namespace kovrin
