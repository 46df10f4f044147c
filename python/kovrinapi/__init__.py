"""KovrinAPI from Python, late bound through the automation interface.

    import kovrinapi
    k = kovrinapi.Dispatch("KovrinAPI.Kovrin")
    k.BusinessID = 1
    customer = k.GetCustomerByID(1)
    print(customer.BusinessName)
    rate, day = k.GetVatRate(0)     # by-reference arguments follow the result

Failures raise kovrinapi.Error with number, source and description.
"""
from ._dispatch import Dispatch, describe_library, properties
from ._errors import Error, MemberError, Null

__all__ = ["Dispatch", "Error", "MemberError", "Null", "constants", "describe_library", "properties"]


class _Constants:
    """The enumerations of the type library by member name: kovrinapi.constants.INVOICE_TYPE_STD.
    Read from the library registered for KovrinAPI.Kovrin on first use."""

    def __init__(self):
        self._values = None

    def _load(self):
        if self._values is None:
            values = {}
            for enum in describe_library().get("enums", []):
                for v in enum.get("values", []):
                    values[v["name"]] = v["value"]
            self._values = values
        return self._values

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        try:
            return self._load()[name]
        except KeyError:
            raise AttributeError("no enumeration member named " + name) from None

    def __dir__(self):
        return sorted(self._load())


constants = _Constants()
