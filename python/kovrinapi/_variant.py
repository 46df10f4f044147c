"""Python values to variants and back.

Empty <-> None, Null <-> kovrinapi.Null, Boolean <-> bool, Integer and Long -> int, Double <-> float,
Currency <-> decimal.Decimal (exactly: the scaled integer divided by 10,000), Date <->
datetime.datetime, String <-> str, arrays <-> tuples (a two-dimensional array is a tuple of row
tuples), objects <-> Dispatch objects.
"""
import ctypes
import datetime
import decimal
import math

from . import _capi
from ._capi import (VT_ARRAY, VT_BOOL, VT_BSTR, VT_CY, VT_DATE, VT_DISPATCH, VT_EMPTY, VT_I2, VT_I4, VT_NULL,
                    VT_MISSING, VT_R8, VariantP)
from ._errors import Null, python_error

EPOCH = datetime.datetime(1899, 12, 30)
# The range of the library's dates: 1 January 100 to 31 December 9999 23:59:59.
_MIN_SERIAL = -657434.0
_MAX_SERIAL = 2958465.0 + 86399.0 / 86400.0
_CY_MIN, _CY_MAX = -(2 ** 63), 2 ** 63 - 1
_CY_CONTEXT = decimal.Context(prec=60, rounding=decimal.ROUND_HALF_EVEN)
_FOUR_PLACES = decimal.Decimal(1).scaleb(-4)


class _Missing:
    """An optional argument left out before one given by name."""

    def __repr__(self):
        return "kovrinapi.MISSING"


MISSING = _Missing()

# The Dispatch class, set by _dispatch (which imports this module).
wrap_object = None


# ---- dates ----------------------------------------------------------------------------------

def date_to_serial(value):
    """Days since 30 December 1899, the time as the fraction. Before that day the day count is
    negative and the fraction still counts forward from midnight, so it is subtracted."""
    if not isinstance(value, datetime.datetime):
        value = datetime.datetime(value.year, value.month, value.day)
    delta = value.replace(tzinfo=None) - EPOCH
    days = delta.days
    time = (delta.seconds + delta.microseconds / 1e6) / 86400.0
    return days - time if days < 0 else days + time


def serial_to_date(serial):
    """The moment a serial names, rounded to the second as the library's calendar fields are."""
    if not (_MIN_SERIAL - 1 < serial < _MAX_SERIAL + 0.5 / 86400):
        raise python_error(6)
    days = math.trunc(serial)
    seconds = math.floor(abs(serial - days) * 86400.0 + 0.5)
    if seconds >= 86400:  # rounding reached the next midnight
        seconds -= 86400
        days += 1
    return EPOCH + datetime.timedelta(days=days, seconds=seconds)


# ---- currency --------------------------------------------------------------------------------

def decimal_to_scaled(value):
    """A Decimal as Currency's integer, rounded to four places with halves to even, as the library
    rounds a Double to Currency."""
    if not value.is_finite():
        raise python_error(13 if value.is_nan() else 6)
    scaled = int(_CY_CONTEXT.quantize(value, _FOUR_PLACES).scaleb(4, _CY_CONTEXT))
    if not _CY_MIN <= scaled <= _CY_MAX:
        raise python_error(6)
    return scaled


def scaled_to_decimal(scaled):
    """Currency's integer as an exact Decimal, without trailing zeros after the point."""
    value = decimal.Decimal(scaled).scaleb(-4)
    if value == value.to_integral_value():
        return value.quantize(decimal.Decimal(1))
    return value.normalize(_CY_CONTEXT)


# ---- Python -> variant -----------------------------------------------------------------------

def _is_table(value):
    """A non-empty sequence of sequences of one common, non-zero length: a two-dimensional array."""
    if not value or not all(isinstance(row, (list, tuple)) for row in value):
        return False
    width = len(value[0])
    return width > 0 and all(len(row) == width for row in value)


def _set_int(v, value):
    if -(2 ** 31) <= value < 2 ** 31:
        v.type = VT_I4
        v.value.i4 = value
        return
    # Beyond Long: a Double when it carries the number exactly (the library converts it to the
    # declared type, so a Currency or Double argument still receives it exactly).
    try:
        as_float = float(value)
    except OverflowError:
        as_float = math.inf
    if as_float != value:
        raise python_error(6)
    v.type = VT_R8
    v.value.r8 = as_float


def set_variant(v, value):
    """Fills the Empty variant v with value. On failure v may hold part of an array: the caller
    clears it."""
    if value is None:
        return
    if value is MISSING:
        v.type = VT_MISSING
    elif value is Null:
        v.type = VT_NULL
    elif isinstance(value, bool):
        v.type = VT_BOOL
        v.value.boolean = -1 if value else 0
    elif isinstance(value, int):
        _set_int(v, value)
    elif isinstance(value, float):
        v.type = VT_R8
        v.value.r8 = value
    elif isinstance(value, str):
        try:
            data = value.encode("utf-8")
        except UnicodeEncodeError:
            raise python_error(13) from None  # lone surrogates have no UTF-8
        _check(_capi.lib().kovrin_variant_set_text(ctypes.byref(v), data, len(data)))
    elif isinstance(value, decimal.Decimal):
        scaled = decimal_to_scaled(value)
        v.type = VT_CY
        v.value.cy = scaled
    elif isinstance(value, (datetime.datetime, datetime.date)):
        serial = date_to_serial(value)
        if not (_MIN_SERIAL - 1 < serial < _MAX_SERIAL + 0.5 / 86400):
            raise python_error(6)
        v.type = VT_DATE
        v.value.date = serial
    elif isinstance(value, (list, tuple)):
        _set_array(v, value)
    elif wrap_object is not None and isinstance(value, wrap_object):
        _capi.lib().kovrin_addref(value._ptr)
        v.type = VT_DISPATCH
        v.value.object = value._ptr
    else:
        raise python_error(13)  # no automation type


def _set_array(v, value):
    table = _is_table(value)
    rows, columns = len(value), (len(value[0]) if table else 0)
    _check(_capi.lib().kovrin_variant_set_array(ctypes.byref(v), rows, columns))
    items = ctypes.cast(v.value.array.items, VariantP)
    if table:
        for r, row in enumerate(value):
            for c, item in enumerate(row):
                set_variant(items[r * columns + c], item)
    else:
        for i, item in enumerate(value):
            set_variant(items[i], item)


def _check(status):
    if status:
        raise python_error(7)  # making a text or an array fails only for want of memory


# ---- variant -> Python -----------------------------------------------------------------------

def _text(v):
    return ctypes.string_at(v.value.str.text, v.value.str.length).decode("utf-8", "replace")


def _object(v, library):
    """A Dispatch object that takes over the variant's reference (the variant is left Empty)."""
    ptr = v.value.object
    v.type = VT_EMPTY
    v.value.object = None
    return wrap_object._wrap(ptr, library) if ptr else None


def _array(v, library):
    a = v.value.array
    items = ctypes.cast(a.items, VariantP)
    if a.columns:
        return tuple(tuple(take_value(items[r * a.columns + c], library) for c in range(a.columns))
                     for r in range(a.rows))
    return tuple(take_value(items[i], library) for i in range(a.rows))


_READERS = {
    VT_EMPTY: lambda v, library: None,
    VT_NULL: lambda v, library: Null,
    VT_I2: lambda v, library: v.value.i2,
    VT_I4: lambda v, library: v.value.i4,
    VT_R8: lambda v, library: v.value.r8,
    VT_CY: lambda v, library: scaled_to_decimal(v.value.cy),
    VT_DATE: lambda v, library: serial_to_date(v.value.date),
    VT_BSTR: lambda v, library: _text(v),
    VT_DISPATCH: _object,
    VT_BOOL: lambda v, library: v.value.boolean != 0,
    VT_ARRAY: _array,
}


def take_value(v, library=None):
    """The Python value of v. Objects in it are handed over to Python (library, when given, is the
    type library they come from); the caller still clears v for everything else."""
    reader = _READERS.get(v.type)
    if reader is None:
        raise python_error(458, "kovrinapi.%d" % v.type)
    return reader(v, library)
