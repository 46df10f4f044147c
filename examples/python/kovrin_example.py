#!/usr/bin/env python3
"""A short tour of the library from Python, against the registered bookkeeping database: the same
steps as the C++ example (examples/kovrin_example.cpp), late bound through the automation
interface."""
import datetime
import sys
from decimal import Decimal

import kovrinapi


def line_item(description, price, quantity):
    line = kovrinapi.Dispatch("KovrinAPI.LineItem")
    line.ItemDescription = description
    line.UnitPrice = Decimal(price)
    line.ItemQuantity = quantity
    line.CurrencyRate = 1
    return line


def main():
    k = kovrinapi.Dispatch("KovrinAPI.Kovrin")  # finds the installation through the registry
    print("KovrinAPI %s, %s" % (k.Version, k.Clock))
    print("Database: %s" % k.KovrinPath)
    businesses = k.GetKovrinBusinessList()
    if businesses is None:
        print("The database has no business.")
        return 1
    for b in businesses:
        print("Business %d: %s (%s)" % (b.BusinessID, b.BusinessName, b.OsekMorshe))
    k.BusinessID = 1

    rate, today = k.GetVatRate(0)  # no date: today's rate, and the variable receives today's date
    print("VAT rate on %s: %s%%" % (today.date(), rate))

    # A customer of our own, found again by our key: created once, updated on later runs.
    try:
        k.GetCustomerByForeignKey("EXAMPLE-PY")
        k.UpdateCustomerByForeignKey("Example Python Ltd", "512345679", "נועה", "בר", "EXAMPLE-PY",
                                     strCity="תל אביב", curCharge=Decimal("350"), strCurrencyName="NIS")
        print("Updated customer EXAMPLE-PY")
    except kovrinapi.Error as e:
        if e.number != 8255:  # anything but "not found" is a real failure
            raise
        key = k.CreateCustomer("Example Python Ltd", "512345679", "נועה", "בר", "Rothschild 1", "", "תל אביב", "",
                               "03-5555555", "", "", "noa@example.co.il", "made by the Python example", Decimal(0),
                               "", "", 0, 1, Decimal("350"), "NIS", "EXAMPLE-PY")
        print("Created customer EXAMPLE-PY with key %d" % key)
    customer = k.GetCustomerByForeignKey("EXAMPLE-PY")
    print("Customer %d: %s, %s" % (customer.CustomersID, customer.BusinessName, customer.City))

    # An invoice of two lines; VAT 0 means the rate of the invoice date. The by-reference arguments
    # come back after the number.
    lines = [line_item("שעת ייעוץ", "350", 2), line_item("Travel", "120.50", 1)]
    invoice, rebate_percent, rebate, round_total, vat = k.CreateInvoice(
        customer.CustomersID, datetime.datetime.now(), "made by the Python example", 0, Decimal(0), False, 0, True,
        "", 1, kovrinapi.constants.INVOICE_TYPE_STD, lines)
    print("Invoice %d: lines %s at VAT %s%%" % (invoice, sum(x.ExtendedPrice for x in lines), round(vat * 100, 2)))

    # The invoice read back as a record and as XML.
    stored = k.GetInvoiceByNumber(invoice)
    print("Invoice %d for %s: %d lines, grand total %s" % (stored.iInvoiceNumber, stored.vcBusinessName,
                                                          len(stored.varInvoiceLines), stored.curGrandTotal))
    print(k.GetInvoicesByQueryXML(invoice), end="")

    # A receipt paying it by cheque.
    cheque = kovrinapi.Dispatch("KovrinAPI.ReceiptLineItem")
    cheque.PaymentTypesID = 2
    cheque.Bank = 12
    cheque.Branch = "782"
    cheque.Check = "100234"
    cheque.CheckDate = datetime.date.today()
    cheque.Amount = stored.curGrandTotal
    receipt, total, net = k.CreateReceipt(customer.CustomersID, datetime.datetime.now(), 0, Decimal(0), 0, "",
                                          str(invoice), [cheque])
    print("Receipt %d for invoice %d: total %s" % (receipt, invoice, total))

    # The balance tables are recomputed by the front-end only for a date other than the one they were
    # last computed to (today, for a new sample database): ask up to tomorrow.
    print("Balances up to tomorrow:")
    print(k.GetCustomersBalance(datetime.date.today() + datetime.timedelta(days=1)))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except kovrinapi.Error as e:
        print("Error %d in %s: %s" % (e.number, e.source, e.description), file=sys.stderr)
        sys.exit(1)
