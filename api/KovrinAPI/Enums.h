// The four enumerations of the automation interface, scoped (ObjectType::Invoice) because the record
// class Invoice shares a name with a member. The values are not contiguous: switch on the
// numbers given here (13 is a refund, not 11).
#pragma once

#include <cstdint>

namespace kovrin {

enum class ObjectType : int32_t {
    Invoice = 1,         // tax invoice
    RECEIPT = 2,         // receipt
    EXPENSES = 3,        // expense document (named only)
    HIYUV = 6,           // debit invoice; also where "Iska" invoices are stored
    INVOICE_KABALA = 7,  // combined invoice-receipt
    INVOICE_ZIKUI = 9,   // credit invoice
    REFUND = 13,         // refund
    ORDER_ = 14,         // order (named only)
    SHIPPING = 15,       // shipping document (named only)
    PROPOSAL = 16,       // price proposal (named only)
};

enum class InvoiceTypes : int32_t {
    INVOICE_TYPE_STD = 1,  // every line carries VAT; rebate and rounding allowed
    INVOICE_TYPE_W = 2,    // lines keep their own VAT flag; no rebate, no rounding
};

enum class PaymentTerms : int32_t {
    Net = 1,   // pays net N days
    Cash = 2,  // cash customer
};

enum class Languages : int32_t {
    Hebrew = 1,
    English = 2,
};

}  // namespace kovrin
