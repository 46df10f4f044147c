"""The error of every failing call, and the Null value."""
import ctypes


class Error(Exception):
    """A failure with the library's number, the call path as source, and the description."""

    def __init__(self, number, source, description):
        super().__init__(number, source, description)
        self.number = number
        self.source = source
        self.description = description

    def __str__(self):
        return "%d %s: %s" % (self.number, self.source, self.description)


class MemberError(Error, AttributeError):
    """A name the object does not have (438); also an AttributeError, so hasattr() works."""


def raise_from(info):
    """Raises the error the entry point filled in, after freeing its texts."""
    try:
        number = info.number
        source = (info.source or b"").decode("utf-8", "replace")
        description = (info.description or b"").decode("utf-8", "replace")
    finally:
        from ._capi import lib
        lib().kovrin_error_clear(ctypes.byref(info))
    cls = MemberError if number == 438 else Error
    raise cls(number, source, description)


# The automation texts of the failures the package itself finds, as the library words them.
STANDARD = {
    6: "Overflow",
    7: "Out of memory",
    13: "Type mismatch",
    48: "Error in loading DLL",
    438: "Object doesn't support this property or method",
    448: "Named argument not found",
    450: "Wrong number of arguments or invalid property assignment",
    458: "Variable uses an Automation type not supported in Visual Basic",
}


def python_error(number, source="kovrinapi", description=None):
    """An error found on the Python side, before anything reached the library. The source names
    the member and argument, as the library's dispatch does ("KovrinAPI.Kovrin.GetVatRate.datDate")."""
    cls = MemberError if number == 438 else Error
    return cls(number, source, description or STANDARD[number])


class _NullType:
    """The automation Null: a value that is known to be missing (a database Null)."""
    __slots__ = ()
    _instance = None

    def __new__(cls):
        if cls._instance is None:
            cls._instance = super().__new__(cls)
        return cls._instance

    def __repr__(self):
        return "kovrinapi.Null"

    def __bool__(self):
        return False

    def __reduce__(self):
        return (_NullType, ())


Null = _NullType()
