// Pieces the entry forms share: the customer and transaction-code lists, the currency list, and
// the payment rows of receipts, refunds and invoice-receipts.
#pragma once

#include "DemoUtils.h"

#include <QString>
#include <QStringList>

#include <vector>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

namespace demo {

// Customers as "BusinessName - CustomersID"; an empty list is error 1040 with `noneMessage`.
// Answers the customers, in the list's order.
std::vector<kovrin::Variant> FillCustomers(QComboBox* list, LateBound& k, const QString& noneMessage);
// Sales codes only (PLCodesID 1) as "Description - TrxCodesID", the first one selected.
void FillTrxCodes(QComboBox* list, LateBound& k);
QComboBox* CurrencyList(QWidget* parent, const QString& name);
QString JoinLines(const QStringList& lines);  // CR LF between lines
QString TrueFalse(bool b);

struct PaymentRow {
    QLineEdit* account;
    QLineEdit* amount;
    QComboBox* bank;
    QLineEdit* branch;
    QLineEdit* check;
    QLineEdit* checkDate;
    QComboBox* pmtType;
};

// Payment rows with their totals: txtTotalPmt (sum of the rows), txtTax, txtNetPmt.
class Payments {
public:
    // Builds the rows into `grid` from `row` on, and fills the bank and payment type lists.
    Payments(QWidget* parent, QGridLayout* grid, int row, LateBound& k);
    QLineEdit* txtTotalPmt;
    QLineEdit* txtTax;
    QLineEdit* txtNetPmt;
    std::vector<PaymentRow> rows;

    kovrin::Variant lineItems() const;  // one ReceiptLineItem per row with a positive amount
    QStringList xmlLines() const;       // the ReceiptLineItem elements
    void recompute();
};

}  // namespace demo
