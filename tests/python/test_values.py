"""Values both ways through the library: Python value -> variant -> the library's own types ->
variant -> Python value. The carriers are record properties of the interface: a Variant property
keeps whatever it is given, the typed ones convert as every declared argument does."""
import datetime as dt
from decimal import Decimal

import pytest

import kovrinapi
from kovrinapi import Null


@pytest.fixture
def carrier():
    return kovrinapi.Dispatch("KovrinAPI.Invoice")  # varInvoiceLines is a Variant kept as it is


def test_every_variant_type_comes_back_as_it_went(carrier):
    cases = [
        (None, None),
        (Null, Null),
        (True, True),
        (False, False),
        (0, 0),
        (-2 ** 31, -2 ** 31),
        (2 ** 31 - 1, 2 ** 31 - 1),
        (2 ** 40, float(2 ** 40)),  # beyond Long: carried as an exact Double
        (1.5, 1.5),
        (Decimal("0.0001"), Decimal("0.0001")),
        (Decimal("350.00"), Decimal("350")),
        (Decimal("-922337203685477.5808"), Decimal("-922337203685477.5808")),  # Currency's least value
        (Decimal("922337203685477.5807"), Decimal("922337203685477.5807")),
        (Decimal("2.00005"), Decimal("2")),  # more than four places: halves to even, as the library rounds
        (Decimal("2.00015"), Decimal("2.0002")),
        (dt.datetime(2026, 12, 8, 10, 30, 15), dt.datetime(2026, 12, 8, 10, 30, 15)),
        (dt.date(2026, 12, 8), dt.datetime(2026, 12, 8)),
        (dt.datetime(1899, 12, 30), dt.datetime(1899, 12, 30)),
        (dt.datetime(1899, 12, 29, 6, 0), dt.datetime(1899, 12, 29, 6, 0)),
        (dt.datetime(100, 1, 1), dt.datetime(100, 1, 1)),
        (dt.datetime(9999, 12, 31, 23, 59, 59), dt.datetime(9999, 12, 31, 23, 59, 59)),
        ("", ""),
        ("חשבונית מס קבלה", "חשבונית מס קבלה"),
        ("a\0b", "a\0b"),  # the length travels with the text
        ((), ()),
        ([1, "א", Decimal("2.5"), None, Null], (1, "א", Decimal("2.5"), None, Null)),
        (((1, "a"), (2, "b"), (3, "c")), ((1, "a"), (2, "b"), (3, "c"))),  # two dimensions: rows
        (((1, 2), (3,)), ((1, 2), (3,))),  # rows of unequal length: an array of arrays
    ]
    for value, expected in cases:
        carrier.varInvoiceLines = value
        back = carrier.varInvoiceLines
        assert back == expected and type(back) is type(expected), (value, back)


def test_typed_properties_convert_exactly():
    line = kovrinapi.Dispatch("KovrinAPI.LineItem")
    payment = kovrinapi.Dispatch("KovrinAPI.ReceiptLineItem")
    cases = [
        # (record, property, value given, value read back)
        (line, "UnitPrice", Decimal("120.5"), Decimal("120.5")),
        (line, "UnitPrice", Decimal("0.3333"), Decimal("0.3333")),
        (line, "UnitPrice", 10 ** 14, Decimal("100000000000000")),  # a Double beyond Long, exact in Currency
        (line, "UnitPrice", 0.1, Decimal("0.1")),
        (line, "UnitPrice", "7.25", Decimal("7.25")),  # the library's own text conversion
        # The date encoding: days since 30 December 1899, before it the fraction counts forward
        # from the (negative) day's midnight.
        (line, "CurrencyRate", dt.datetime(1899, 12, 29, 6, 0), -1.25),
        (line, "CurrencyRate", dt.datetime(1899, 12, 31, 18, 0), 1.75),
        (line, "CurrencyRate", dt.datetime(2026, 12, 8), 46364.0),
        (payment, "CheckDate", -1.25, dt.datetime(1899, 12, 29, 6, 0)),
        (payment, "CheckDate", -2.5, dt.datetime(1899, 12, 28, 12, 0)),
        (payment, "CheckDate", 46364.5, dt.datetime(2026, 12, 8, 12, 0)),
        (payment, "CheckDate", "2026-12-08", dt.datetime(2026, 12, 8)),
        (line, "ChargeVAT", 1, True),
        (line, "ItemDescription", 42, "42"),
        (line, "ItemsID", 7.0, 7),
    ]
    for record, name, value, expected in cases:
        setattr(record, name, value)
        back = getattr(record, name)
        assert back == expected and type(back) is type(expected), (name, value, back)
    line.UnitPrice = Decimal("3.3333")
    line.ItemQuantity = 3
    line.CurrencyRate = 1
    assert line.ExtendedPrice == Decimal("9.9999")


def test_values_that_do_not_convert_fail_with_the_library_numbers(carrier):
    line = kovrinapi.Dispatch("KovrinAPI.LineItem")
    cases = [
        (carrier, "varInvoiceLines", object(), 13),  # no automation type
        (carrier, "varInvoiceLines", b"bytes", 13),
        (carrier, "varInvoiceLines", "\ud800", 13),  # not valid Unicode
        (carrier, "varInvoiceLines", Decimal("922337203685477.5808"), 6),  # past Currency
        (carrier, "varInvoiceLines", Decimal("NaN"), 13),
        (carrier, "varInvoiceLines", Decimal("Infinity"), 6),
        (carrier, "varInvoiceLines", 2 ** 80 + 1, 6),  # no exact Double
        (carrier, "varInvoiceLines", [1, 2, object()], 13),  # one bad element fails the whole array
        (line, "ItemsID", 2 ** 31, 6),  # the library's conversion to Long
        (line, "ItemsID", "many", 13),
        (line, "UnitPrice", 1e300, 6),
        (line, "ChargeVAT", Null, 13),  # Null for a declared type is a mismatch of types
    ]
    for record, name, value, number in cases:
        carrier.varInvoiceLines = "before"
        with pytest.raises(kovrinapi.Error) as failure:
            setattr(record, name, value)
        assert failure.value.number == number, (name, value, failure.value)
        assert failure.value.source == "KovrinAPI.%s.%s" % (type(record).__name__, name), failure.value
        assert failure.value.description in ("Type mismatch", "Overflow"), failure.value
        if record is carrier:
            assert carrier.varInvoiceLines == "before"  # a failed put leaves the value alone


def test_objects_in_arrays_are_the_same_objects(carrier):
    lines = [kovrinapi.Dispatch("KovrinAPI.LineItem") for _ in range(3)]
    for i, line in enumerate(lines):
        line.ItemDescription = "שורה %d" % i
    carrier.varInvoiceLines = lines
    back = carrier.varInvoiceLines
    assert [x.ItemDescription for x in back] == ["שורה 0", "שורה 1", "שורה 2"]
    back[1].ItemDescription = "changed"  # the array holds references to the records, not copies
    assert lines[1].ItemDescription == "changed"
    assert [type(x).__name__ for x in back] == ["LineItem"] * 3


def test_objects_handed_out_are_recognised_as_their_classes(carrier):
    # Objects inside results are told apart by their member names, not by asking each for its type
    # information: every class of the library, in an order where the class before is mostly
    # another one, then runs of one class.
    classes = [c["class"] for c in kovrinapi.describe_library()["classes"]]
    order = classes + classes[::-1] + [name for name in classes for _ in range(3)]
    objects = [kovrinapi.Dispatch("KovrinAPI." + name) for name in order]
    assert [type(o).__name__ for o in objects] == order  # made by ProgID
    carrier.varInvoiceLines = objects
    assert [type(o).__name__ for o in carrier.varInvoiceLines] == order
    assert len(classes) >= 14 and "clsBusinessDetails" in classes  # the one class with no name of its own
