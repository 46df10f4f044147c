"""Late binding of the Kovrin object and its records: properties, operations, the arguments that
come back in a tuple, errors, and what dir() and help() show."""
import datetime as dt
import pydoc
import re
from decimal import Decimal

import pytest

import kovrinapi


def record(progid, **values):
    made = kovrinapi.Dispatch(progid)
    for name, value in values.items():
        setattr(made, name, value)
    return made


def test_properties_and_records_as_objects(kovrin):
    assert kovrin.Version == "3.2.74"
    kovrin.BusinessID = 2
    assert kovrin.BusinessID == 2
    assert kovrinapi.Dispatch("KovrinAPI.Kovrin").BusinessID == 1  # a new object resets it, for all
    assert kovrin.businessid == 1  # names are case-insensitive
    kovrin.businessID = 1
    customer = kovrin.GetCustomerByID(1)
    assert type(customer).__name__ == "Customer"
    assert customer.CustomersID == 1 and customer.BusinessName
    customer.City = "באר שבע"
    assert customer.City == "באר שבע"  # the record is ours: nothing is written until UpdateCustomer
    customers = kovrin.GetCustomers()
    assert isinstance(customers, tuple) and {c.CustomersID for c in customers} >= {1}
    values = kovrinapi.properties(customer)
    assert values["City"] == "באר שבע" and "BusinessName" in values
    assert kovrin.GetBanks()[0][0] != ""  # a two-column list: rows of (id, name)
    assert all(len(row) == 2 for row in kovrin.GetBanks())


def test_by_reference_arguments_follow_the_result(kovrin):
    rate, day = kovrin.GetVatRate(0)  # no date: today's rate, and today's date comes back
    assert day == dt.datetime.combine(dt.date.today(), dt.time()) and rate == 18
    assert kovrin.GetVatRate(dt.date(2013, 1, 1)) == (17, dt.datetime(2013, 1, 1))
    assert kovrin.GetVatRate(datDate=dt.date(2014, 1, 1))[0] == 18  # by name, any case
    assert kovrin.GetVatRate(DATDATE=dt.date(2016, 1, 1))[0] == 17

    lines = [record("KovrinAPI.LineItem", ItemDescription=d, UnitPrice=Decimal(p), ItemQuantity=q, CurrencyRate=1)
             for d, p, q in (("שעת ייעוץ", "350", 2), ("Travel", "120.50", 1))]
    number, rebate_percent, rebate, round_total, vat = kovrin.CreateInvoice(
        1, dt.datetime(2026, 12, 8, 9, 0), "from Python", 10, 0, False, 0, True, "", 1,
        kovrinapi.constants.INVOICE_TYPE_STD, lines)
    assert number > 0 and rebate_percent == 10 and vat == pytest.approx(0.18)
    assert rebate == Decimal("82.05") and round_total is False and type(rebate) is Decimal
    stored = kovrin.GetInvoiceByNumber(number)
    assert stored.iInvoiceNumber == number
    assert [x.ItemDescription for x in stored.varInvoiceLines] == ["שעת ייעוץ", "Travel"]
    assert stored.curRebateAmount == Decimal("82.05") and type(stored.curGrandTotal) is Decimal
    assert lines[0].ExtendedPrice == Decimal("700")  # the caller's records are still usable

    # Optional arguments left out take their defaults; a receipt with two changed totals.
    payment = record("KovrinAPI.ReceiptLineItem", PaymentTypesID=1, Amount=Decimal("100.25"))
    receipt, total, net = kovrin.CreateReceipt(1, dt.date(2026, 12, 8), 0, Decimal("0.75"), 0, "", str(number),
                                               [payment])
    assert receipt > 0 and net == Decimal("100.25") and total == Decimal("101")
    # An optional argument left out before one given by name takes its default (the customer's rate).
    bill = kovrin.CreateTimeBill(1, dt.datetime(2026, 12, 8, 9), dt.datetime(2026, 12, 8, 11), "שעתיים", "", "",
                                 strCurrency="NIS")
    assert bill > 0


def test_errors_carry_number_source_and_description(kovrin):
    unsupported = "Object doesn't support this property or method"
    wrong = "Wrong number of arguments or invalid property assignment"
    cases = [
        # (call, number, source (a pattern), description)
        (lambda: kovrin.GetCustomerByForeignKey("no such key"), 8255,
         r"Kovrin\.GetCustomerByForeignKey\[50\]\\modKovrin\.GetCustomerByForeignKey\[\d+\].*", None),
        (lambda: kovrin.GetInvoiceByNumber(999999), 8257, r"Kovrin\.GetInvoiceByNumber\[50\]\\.+", None),
        (lambda: kovrin.NoSuchOperation(), 438, r"KovrinAPI\.Kovrin\.NoSuchOperation", unsupported),
        (lambda: kovrin.GetCustomerByID(), 450, r"KovrinAPI\.Kovrin\.GetCustomerByID\.lngCustomerID", wrong),
        (lambda: kovrin.GetCustomerByID(1, 2), 450, r"KovrinAPI\.Kovrin\.GetCustomerByID", wrong),
        (lambda: kovrin.GetCustomerByID("one"), 13, r"KovrinAPI\.Kovrin\.GetCustomerByID\.lngCustomerID",
         "Type mismatch"),
        (lambda: kovrin.GetCustomerByID(object()), 13, r"KovrinAPI\.Kovrin\.GetCustomerByID\.lngCustomerID",
         "Type mismatch"),
        (lambda: setattr(kovrin, "Version", "9"), 450, r"KovrinAPI\.Kovrin\.Version", wrong),
        (lambda: setattr(kovrin, "NoSuchProperty", 1), 438, r"KovrinAPI\.Kovrin\.NoSuchProperty", unsupported),
        (lambda: setattr(kovrin, "getbanks", 1), 450, r"KovrinAPI\.Kovrin\.GetBanks", wrong),
        (lambda: kovrin.GetVatRate(nosuch=1), 448, r"KovrinAPI\.Kovrin\.GetVatRate\.nosuch",
         "Named argument not found"),
        (lambda: kovrin.GetVatRate(0, datDate=0), 450, r"KovrinAPI\.Kovrin\.GetVatRate\.datDate", wrong),
        (lambda: kovrin.CreateReceipt(1, strCurrency="USD"), 450,
         r"KovrinAPI\.Kovrin\.CreateReceipt\.datReceiptDate", wrong),
        (lambda: kovrinapi.Dispatch("KovrinAPI.NoSuchClass"), 429, r".*", None),
    ]
    for call, number, source, description in cases:
        with pytest.raises(kovrinapi.Error) as failure:
            call()
        e = failure.value
        assert e.number == number and re.fullmatch(source, e.source), e
        assert e.description == description if description else e.description, e
        assert str(e) == "%d %s: %s" % (e.number, e.source, e.description)
    assert not hasattr(kovrin, "NoSuchProperty")  # an unknown name is also an AttributeError
    kovrin.KovrinPath = ""
    with pytest.raises(kovrinapi.Error) as failure:
        kovrin.GetCustomers()
    assert failure.value.number == 6479 and failure.value.source.startswith("Kovrin.GetCustomers[")


def test_dir_and_help_come_from_the_type_library(kovrin):
    names = dir(kovrin)
    for name in ("CreateInvoice", "GetVatRate", "BusinessID", "KovrinPath", "GetSystemParameter"):
        assert name in names
    assert "_ptr" not in names
    assert set(dir(kovrinapi.Dispatch("KovrinAPI.LineItem"))) >= {"UnitPrice", "ItemQuantity", "ExtendedPrice"}
    text = pydoc.render_doc(kovrin, renderer=pydoc.plaintext)
    assert "CreateInvoice(self, iCustomersID" in text
    assert "Returns a tuple: the result, then fltRebatePercent, curRebateAmount, blnRoundTotal, fltVAT" in text
    assert "GetVatRate(self, datDate" in text and "BusinessID" in text
    assert kovrinapi.constants.INVOICE_TYPE_STD == 1 and "INVOICE_TYPE_STD" in dir(kovrinapi.constants)
