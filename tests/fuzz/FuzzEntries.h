// The entry of each fuzz target: one input through the code under test. A kovrin::Error is an
// answer (the input was refused with a number and description); anything else that escapes, and
// every memory fault the sanitizer sees, is a finding. The regression test runs the same entries
// over the seed corpora and every input that ever failed.
#pragma once

#include <string>
#include <string_view>

#include <KovrinAPI/runtime/Error.h>

#include "api/documents/DocumentRead.h"
#include "platform/db/JetDialect.h"

namespace kovrin::fuzz {

// The customer lookup without a database: one known foreign key.
inline int32_t sampleCustomer(const std::string& key) {
    if (key == "CUST-001") return 1;
    raiseError(8255, "Customer not found. Foreign Key: " + key + ", BusinessID: 1");
}

// Every invoice parser; the number of parsers that accepted the text.
inline int invoiceXml(std::string_view data) {
    int accepted = 0;
    for (auto form : {xmlInput::InvoiceForm::Invoice, xmlInput::InvoiceForm::Zikui, xmlInput::InvoiceForm::Kabala}) {
        try {
            xmlInput::parseInvoice(std::string(data), form, sampleCustomer);
            ++accepted;
        } catch (const Error&) {
        }
    }
    return accepted;
}

inline int receiptXml(std::string_view data) {
    try {
        xmlInput::parseReceipt(std::string(data), sampleCustomer);
        return 1;
    } catch (const Error&) {
        return 0;
    }
}

inline int jetSql(std::string_view data) {
    try {
        const std::string plain = db::translateJetSql(data);
        // Lifting the values out never changes what stays text: the shape has a '?' per value.
        const db::BoundSql bound = db::bindJetSql(data);
        std::size_t marks = 0;
        for (char c : bound.shape) marks += c == '?';
        if (marks < bound.params.size()) __builtin_trap();
        if (bound.params.empty() && bound.shape != plain) __builtin_trap();
        return 1;
    } catch (const Error&) {
        return 0;
    }
}

}  // namespace kovrin::fuzz
