"""The C entry point of the automation interface, reached through ctypes.

The loader library is found, in order: the file named by KOVRINAPI_LIBRARY, the file recorded
when the package was installed or copied into the build tree (_location.py), then the system's
library search.
"""
import ctypes
import ctypes.util
import os

LIBRARY_NAME = "kovrinautomation"

VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R8, VT_CY, VT_DATE, VT_BSTR = 0, 1, 2, 3, 5, 6, 7, 8
VT_DISPATCH, VT_MISSING, VT_BOOL, VT_ARRAY = 9, 10, 11, 8204

INVOKE_METHOD, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT = 1, 2, 4


class _Text(ctypes.Structure):
    _fields_ = [("text", ctypes.c_void_p), ("length", ctypes.c_size_t)]


class _Array(ctypes.Structure):
    _fields_ = [("rows", ctypes.c_size_t), ("columns", ctypes.c_size_t), ("items", ctypes.c_void_p)]


class _Value(ctypes.Union):
    _fields_ = [("boolean", ctypes.c_int32), ("i2", ctypes.c_int16), ("i4", ctypes.c_int32),
                ("r8", ctypes.c_double), ("cy", ctypes.c_int64), ("date", ctypes.c_double),
                ("str", _Text), ("object", ctypes.c_void_p), ("array", _Array)]


class Variant(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int32), ("value", _Value)]


class ErrorInfo(ctypes.Structure):
    _fields_ = [("number", ctypes.c_int32), ("source", ctypes.c_char_p), ("description", ctypes.c_char_p)]



def _candidates():
    named = os.environ.get("KOVRINAPI_LIBRARY")
    if named:
        return [named]  # an explicit choice is never second-guessed
    found = []
    try:
        from . import _location
        found.append(_location.LIBRARY)
    except ImportError:
        pass
    system = ctypes.util.find_library(LIBRARY_NAME)
    found.append(system or "lib%s.so" % LIBRARY_NAME)
    return found


def _declare(lib):
    c = ctypes
    sigs = {
        # Variants are passed by address: the package keeps them in blocks of bytes.
        "kovrin_variant_clear": (None, [c.c_void_p]),
        "kovrin_variant_set_text": (c.c_int32, [c.c_void_p, c.c_char_p, c.c_size_t]),
        "kovrin_variant_set_array": (c.c_int32, [c.c_void_p, c.c_size_t, c.c_size_t]),
        "kovrin_error_clear": (None, [c.POINTER(ErrorInfo)]),
        "kovrin_free_text": (None, [c.c_void_p]),
        "kovrin_create": (c.c_int32, [c.c_char_p, c.POINTER(c.c_void_p), c.POINTER(ErrorInfo)]),
        "kovrin_addref": (None, [c.c_void_p]),
        "kovrin_release": (None, [c.c_void_p]),
        "kovrin_get_id": (c.c_int32, [c.c_void_p, c.c_char_p, c.POINTER(c.c_int32), c.POINTER(ErrorInfo)]),
        "kovrin_invoke": (c.c_int32, [c.c_void_p, c.c_int32, c.c_int32, c.c_void_p, c.c_size_t, c.c_void_p,
                                      c.POINTER(ErrorInfo)]),
        "kovrin_describe": (c.c_int32, [c.c_void_p, c.POINTER(c.c_void_p), c.POINTER(ErrorInfo)]),
        "kovrin_describe_library": (c.c_int32, [c.c_char_p, c.POINTER(c.c_void_p), c.POINTER(ErrorInfo)]),
    }
    for name, (restype, argtypes) in sigs.items():
        f = getattr(lib, name)
        f.restype = restype
        f.argtypes = argtypes
    return lib


_lib = None


def lib():
    """The loaded entry point; loaded on first use so that importing the package never fails."""
    global _lib
    if _lib is None:
        tried = []
        for path in _candidates():
            try:
                _lib = _declare(ctypes.CDLL(path))
                break
            except OSError as e:
                tried.append(str(e))
        else:
            from ._errors import Error
            raise Error(48, "kovrinapi", "Error in loading DLL: %s (KOVRINAPI_LIBRARY names the automation "
                        "library)" % "; ".join(tried))
    return _lib
