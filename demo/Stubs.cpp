#include "Forms.h"
namespace demo {
QWidget* NewInvoiceViewer(bool, QWidget*) { return nullptr; }
QWidget* NewInvoiceXMLViewer(QWidget*) { return nullptr; }
QWidget* NewCustomersXMLList(QWidget*) { return nullptr; }
QWidget* NewCustomerByForeignKey(bool, QWidget*) { return nullptr; }
QWidget* NewCustomerBalance(QWidget*) { return nullptr; }
QWidget* NewPriceListForm(QWidget*) { return nullptr; }
QWidget* NewVatForm(QWidget*) { return nullptr; }
QWidget* NewMailForm(bool, QWidget*) { return nullptr; }
}
