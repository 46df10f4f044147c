// The documents the front-end prints and shows, read from their header, goods and payment tables.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Store.h"
#include "api/documents/DocumentKinds.h"

namespace kovrin::frontend::app {

// The document kinds, as the library knows them.
using documents::DocumentKind;

struct GoodsLine {
    std::string description;
    double quantity = 0, unitPrice = 0, extendedPrice = 0, rate = 0;
    std::string currency;  // the currency's symbol as stored; empty or "₪" for shekels
    bool chargeVat = false;
};

struct PaymentLine {
    std::string paymentType;  // the payment type's name
    std::string bank;         // the bank's name (or its number when unknown)
    std::string branch, account, cheque, chequeDate;
    double amount = 0;
};

struct Document {
    const DocumentKind* kind = nullptr;
    int business = 0;
    std::string businessName, businessNumber;  // the issuing business and its licensed-dealer number
    long number = 0;
    std::string date, dueDate;                 // dd/mm/yyyy, or empty
    bool cancelled = false;

    // The customer as recorded on the document when it was issued.
    std::string customerName, customerNumber, address1, address2, city, postalCode, contact, phone1, phone2,
        fax;
    std::string comments, details;
    std::string allocationNumber;  // the Tax Authority's, on invoices and invoice-receipts; or empty

    // Invoice totals (invoices, Iska, credit and invoice-receipts).
    double total1 = 0, rebatePercent = 0, rebate = 0, roundAmount = 0, totalBeforeVat = 0, totalNoVat = 0,
           vat = 0, grandTotal = 0, vatRate = 0;
    bool chargeVat = false, rounded = false;

    // Payment totals (receipts, refunds and invoice-receipts).
    std::string paidInvoices;  // the invoice numbers a receipt pays, as the caller wrote them
    double paymentTotal = 0, taxWithheld = 0, netPayment = 0;

    std::vector<GoodsLine> lines;
    std::vector<PaymentLine> payments;
};

// Reads the document, or fails with DocumentNotFound naming kind, number and business.
Document loadDocument(Store& store, const DocumentKind& kind, int business, long number);

// "YYYY-MM-DD HH:MM:SS" as stored -> "dd/mm/yyyy"; empty stays empty.
std::string shortDate(const std::string& stored);

}  // namespace kovrin::frontend::app
