// The demo's forms, each opened from the main window as a window of its own.
#pragma once

class QWidget;

namespace demo {

enum class InvoiceKind { Invoice, Iska, Zikui, Itemised, InvoiceKabala };

// Entry forms.
QWidget* NewInvoiceForm(InvoiceKind kind, QWidget* parent);
QWidget* NewReceiptForm(bool refund, QWidget* parent);
QWidget* NewCustomerForm(bool update, QWidget* parent);
QWidget* NewTimeBillsForm(QWidget* parent);

// Viewers and utility forms.
QWidget* NewInvoiceViewer(bool invoiceKabala, QWidget* parent);
QWidget* NewInvoiceXMLViewer(QWidget* parent);
QWidget* NewCustomersXMLList(QWidget* parent);
QWidget* NewCustomerByForeignKey(bool xml, QWidget* parent);
QWidget* NewCustomerBalance(QWidget* parent);
QWidget* NewPriceListForm(QWidget* parent);
QWidget* NewVatForm(QWidget* parent);
QWidget* NewMailForm(bool document, QWidget* parent);

}  // namespace demo
