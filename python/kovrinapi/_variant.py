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
import struct

from . import _capi
from ._capi import (VT_ARRAY, VT_BOOL, VT_BSTR, VT_CY, VT_DATE, VT_DISPATCH, VT_EMPTY, VT_I2, VT_I4, VT_MISSING,
                    VT_NULL, VT_R8, Variant)
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

_EPOCH_ORDINAL = EPOCH.toordinal()


def date_to_serial(value):
    """Days since 30 December 1899, the time as the fraction. Before that day the day count is
    negative and the fraction still counts forward from midnight, so it is subtracted."""
    days = value.toordinal() - _EPOCH_ORDINAL
    if not isinstance(value, datetime.datetime):
        return float(days)
    time = (value.hour * 3600 + value.minute * 60 + value.second + value.microsecond / 1e6) / 86400.0
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
    whole, fraction = divmod(abs(scaled), 10000)
    sign = "-" if scaled < 0 else ""
    if not fraction:
        return decimal.Decimal("%s%d" % (sign, whole))
    return decimal.Decimal(("%s%d.%04d" % (sign, whole, fraction)).rstrip("0"))


# ---- the variant's bytes ---------------------------------------------------------------------
# Variants are read and written as bytes with struct, in blocks the caller owns (ctypes buffers) or
# the library owns (array elements): far cheaper than a ctypes Structure per access. The layout is
# the C struct's: the type, then the union at its natural alignment.

SIZE = ctypes.sizeof(Variant)
_AT = Variant.value.offset
_TYPE = struct.Struct("@i")
_I2 = struct.Struct("@i%dxh" % (_AT - 4))
_I4 = struct.Struct("@i%dxi" % (_AT - 4))
_R8 = struct.Struct("@i%dxd" % (_AT - 4))
_CY = struct.Struct("@i%dxq" % (_AT - 4))
_PTR = struct.Struct("@i%dxP" % (_AT - 4))
_TEXT = struct.Struct("@%dxPN" % _AT)
_ARRAY = struct.Struct("@%dxNNP" % _AT)
# Types whose variant owns nothing: clearing them is not needed.
PLAIN = frozenset((VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R8, VT_CY, VT_DATE, VT_BOOL, VT_MISSING))


def block(count):
    """A block of count Empty variants, and its address."""
    buf = (ctypes.c_char * (SIZE * count))()
    return buf, ctypes.addressof(buf)


_TYPES = {}  # count -> the struct that reads the types of that many variants in a row


def types(buf, count):
    """The types of the first count variants of a block."""
    reader = _TYPES.get(count)
    if reader is None:
        reader = _TYPES[count] = struct.Struct("@" + ("i%dx" % (SIZE - 4)) * count)
    return reader.unpack_from(buf, 0)


# ---- Python -> variant -----------------------------------------------------------------------

def _is_table(value):
    """A non-empty sequence of sequences of one common, non-zero length: a two-dimensional array."""
    if not value or not isinstance(value[0], (list, tuple)):
        return False
    width = len(value[0])
    return width > 0 and all(isinstance(row, (list, tuple)) and len(row) == width for row in value)


def _as_double(value):
    """An int beyond Long as a Double, when the Double carries it exactly (the library converts it
    to the declared type, so a Currency or Double argument still receives it exactly)."""
    try:
        as_float = float(value)
    except OverflowError:
        raise python_error(6) from None
    if as_float != value:
        raise python_error(6)
    return as_float


def _set_empty(buf, offset, address, value):
    pass


def _set_missing(buf, offset, address, value):
    _TYPE.pack_into(buf, offset, VT_MISSING)


def _set_null(buf, offset, address, value):
    _TYPE.pack_into(buf, offset, VT_NULL)


def _set_bool(buf, offset, address, value):
    _I4.pack_into(buf, offset, VT_BOOL, -1 if value else 0)


def _set_int(buf, offset, address, value):
    if -(2 ** 31) <= value < 2 ** 31:
        _I4.pack_into(buf, offset, VT_I4, value)
    else:
        _R8.pack_into(buf, offset, VT_R8, _as_double(value))


def _set_float(buf, offset, address, value):
    _R8.pack_into(buf, offset, VT_R8, value)


def _set_text(buf, offset, address, value):
    try:
        data = value.encode("utf-8")
    except UnicodeEncodeError:
        raise python_error(13) from None  # lone surrogates have no UTF-8
    _check(_capi._lib.kovrin_variant_set_text(address, data, len(data)))


def _set_currency(buf, offset, address, value):
    _CY.pack_into(buf, offset, VT_CY, decimal_to_scaled(value))


def _set_date(buf, offset, address, value):
    serial = date_to_serial(value)
    if not (_MIN_SERIAL - 1 < serial < _MAX_SERIAL + 0.5 / 86400):
        raise python_error(6)
    _R8.pack_into(buf, offset, VT_DATE, serial)


def _set_object(buf, offset, address, value):
    _capi._lib.kovrin_addref(value._ptr)
    _PTR.pack_into(buf, offset, VT_DISPATCH, value._ptr)


# The writer of each Python type; subclasses (and the classes of objects) are added on first sight.
_SETTERS = {type(None): _set_empty, _Missing: _set_missing, type(Null): _set_null, bool: _set_bool, int: _set_int,
            float: _set_float, str: _set_text, decimal.Decimal: _set_currency, datetime.datetime: _set_date,
            datetime.date: _set_date}


def _setter_for(kind):
    for base, setter in ((bool, _set_bool), (int, _set_int), (float, _set_float), (str, _set_text),
                         (decimal.Decimal, _set_currency), (datetime.date, _set_date), (list, _set_array),
                         (tuple, _set_array), (wrap_object, _set_object)):
        if base is not None and issubclass(kind, base):
            _SETTERS[kind] = setter
            return setter
    return None


def set_variant(buf, offset, address, value):
    """Writes value into the Empty variant at buf[offset] (at address in memory). On failure the
    variant may hold part of an array: the caller clears it."""
    setter = _SETTERS.get(type(value)) or _setter_for(type(value))
    if setter is None:
        raise python_error(13)  # no automation type
    setter(buf, offset, address, value)


def _set_array(buf, offset, address, value):
    table = _is_table(value)
    rows, columns = len(value), (len(value[0]) if table else 0)
    _check(_capi._lib.kovrin_variant_set_array(address, rows, columns))
    count = rows * max(columns, 1)
    items = _ARRAY.unpack_from(buf, offset)[2]
    if not count:
        return
    elements = (ctypes.c_char * (SIZE * count)).from_address(items)
    flat = [item for row in value for item in row] if table else value
    for i, item in enumerate(flat):
        set_variant(elements, i * SIZE, items + i * SIZE, item)


_SETTERS[list] = _SETTERS[tuple] = _set_array


def _check(status):
    if status:
        raise python_error(7)  # making a text or an array fails only for want of memory


# ---- variant -> Python -----------------------------------------------------------------------

def _text(buf, offset):
    pointer, length = _TEXT.unpack_from(buf, offset)
    return ctypes.string_at(pointer, length).decode("utf-8", "replace") if length else ""


def _object(buf, offset, library):
    """A Dispatch object that takes over the variant's reference (the variant is left Empty)."""
    ptr = _PTR.unpack_from(buf, offset)[1]
    _PTR.pack_into(buf, offset, VT_EMPTY, 0)
    return wrap_object._wrap(ptr, library) if ptr else None


def _array(buf, offset, library):
    rows, columns, items = _ARRAY.unpack_from(buf, offset)
    count = rows * max(columns, 1)
    if not count:
        return ()
    elements = (ctypes.c_char * (SIZE * count)).from_address(items)
    values = [take_value(elements, i * SIZE, library) for i in range(count)]
    if columns:
        return tuple(tuple(values[r * columns:(r + 1) * columns]) for r in range(rows))
    return tuple(values)


_READERS = {
    VT_EMPTY: lambda buf, offset, library: None,
    VT_NULL: lambda buf, offset, library: Null,
    VT_I2: lambda buf, offset, library: _I2.unpack_from(buf, offset)[1],
    VT_I4: lambda buf, offset, library: _I4.unpack_from(buf, offset)[1],
    VT_R8: lambda buf, offset, library: _R8.unpack_from(buf, offset)[1],
    VT_CY: lambda buf, offset, library: scaled_to_decimal(_CY.unpack_from(buf, offset)[1]),
    VT_DATE: lambda buf, offset, library: serial_to_date(_R8.unpack_from(buf, offset)[1]),
    VT_BSTR: lambda buf, offset, library: _text(buf, offset),
    VT_DISPATCH: _object,
    VT_BOOL: lambda buf, offset, library: _I4.unpack_from(buf, offset)[1] != 0,
    VT_ARRAY: _array,
}


def take_value(buf, offset, library=None):
    """The Python value of the variant at buf[offset]. Objects in it are handed over to Python
    (library, when given, is the type library they come from); the caller still clears the
    variant for everything else."""
    reader = _READERS.get(_TYPE.unpack_from(buf, offset)[0])
    if reader is None:
        raise python_error(458, "kovrinapi.%d" % _TYPE.unpack_from(buf, offset)[0])
    return reader(buf, offset, library)
