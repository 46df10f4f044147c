"""Late-bound objects: a Python class per automation class, made from its type information.

Properties become Python properties (get and put through the entry point), operations become
methods that take their arguments positionally or by name and return the result, or a tuple of
the result and the by-reference arguments in their declared order. Names are case-insensitive, as
automation names are.
"""
import ctypes
import inspect
import json

from . import _capi, _variant
from ._capi import INVOKE_METHOD, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, ErrorInfo
from ._errors import Error, python_error, raise_from

_classes = {}  # type information text -> the Python class made from it
_by_progid = {}  # ProgID (lower case) -> the Python class of that automation class
_libraries = {}  # ProgID (lower case) -> the type library of the library registered for it


def _take_text(call, *args):
    """Calls a function of the entry point that hands out JSON text, and returns it decoded."""
    text = ctypes.c_void_p()
    err = ErrorInfo()
    if call(*args, ctypes.byref(text), ctypes.byref(err)):
        raise_from(err)
    try:
        return ctypes.string_at(text.value).decode("utf-8")
    finally:
        _capi.lib().kovrin_free_text(text)


def describe_library(progid="KovrinAPI.Kovrin"):
    """The whole type library of the library registered for progid: classes and enumerations."""
    return json.loads(_take_text(_capi.lib().kovrin_describe_library, progid.encode("utf-8")))


def invoke(ptr, member, flags, values, byref, where):
    """Calls one member with the Python values; byref lists the indices of the arguments that
    come back, after the result, in a tuple. where is (the member's source name, its argument
    names, the type library of its class): the first two name a value that does not convert, the
    library recognises the objects handed out. Every variant made here is cleared however the call
    ends."""
    lib = _capi._lib
    n = len(values)
    size = _variant.SIZE
    args, address = _variant.block(n + 1)  # the arguments, then the result
    result = n * size
    err = ErrorInfo()
    try:
        for i in range(n):
            try:
                _variant.set_variant(args, i * size, address + i * size, values[i])
            except Error as e:
                names = where[1]
                raise python_error(e.number, where[0] + ("." + names[i] if i < len(names) else "")) from None
        if lib.kovrin_invoke(ptr, member, flags, address if n else None, n, address + result, ctypes.byref(err)):
            raise_from(err)
        library = where[2]
        value = _variant.take_value(args, result, library)
        if byref:
            value = (value,) + tuple(_variant.take_value(args, i * size, library) if i < n else None for i in byref)
        return value
    finally:
        plain = _variant.PLAIN
        for i, kind in enumerate(_variant.types(args, n + 1)):
            if kind not in plain:
                lib.kovrin_variant_clear(address + i * size)


def returned(argument):
    """True for an argument whose new value the caller receives: one the operation changes ("out").
    Every argument of the interface is passed by reference, but only those come back."""
    return argument["out"] if "out" in argument else bool(argument.get("byref"))


class _Unset:
    """The default shown for an optional argument that has no declared default."""

    def __repr__(self):
        return "<optional>"


_UNSET = _Unset()


def _signature(member):
    params = [inspect.Parameter("self", inspect.Parameter.POSITIONAL_OR_KEYWORD)]
    for a in member["arguments"]:
        default = inspect.Parameter.empty
        if a.get("optional"):
            default = a.get("default") if a.get("default") is not None else _UNSET
        params.append(inspect.Parameter(a["name"], inspect.Parameter.POSITIONAL_OR_KEYWORD, default=default,
                                        annotation=a["type"] + (" (returned)" if returned(a) else "")))
    return inspect.Signature(params, return_annotation=member.get("result") or inspect.Signature.empty)


def _doc(member):
    lines = [member.get("doc") or ""]
    byref = [a["name"] for a in member["arguments"] if returned(a)]
    if byref:
        lines.append("Returns a tuple: the result, then %s." % ", ".join(byref))
    return "\n\n".join(line for line in lines if line)


def _make_method(member, flags, prefix, library):
    mid = member["id"]
    arguments = member["arguments"]
    names = {a["name"].lower(): i for i, a in enumerate(arguments)}
    byref = tuple(i for i, a in enumerate(arguments) if returned(a))
    where = (prefix + "." + member["name"], tuple(a["name"] for a in arguments), library)

    def bind(positional, named):
        """The argument list in declared order; an argument left out before one that is given
        is sent as missing, so the library applies its default (or refuses a required one)."""
        values = list(positional)
        given = {}
        for key, value in named.items():
            index = names.get(key.lower())
            if index is None:
                raise python_error(448, where[0] + "." + key)
            if index < len(positional) or index in given:
                raise python_error(450, where[0] + "." + arguments[index]["name"])
            given[index] = value
        for index in range(len(values), max(given) + 1):
            values.append(given.get(index, _variant.MISSING))
        return values

    def method(self, *positional, **named):
        return invoke(self._ptr, mid, flags, bind(positional, named) if named else positional, byref, where)

    method.__name__ = method.__qualname__ = member["name"]
    method.__doc__ = _doc(member)
    method.__signature__ = _signature(member)
    return method


def _make_property(member, prefix, library):
    mid = member["id"]
    where = (prefix + "." + member["name"], (), library)

    def get(self):
        return invoke(self._ptr, mid, INVOKE_PROPERTYGET, (), (), where)

    def put(self, value):
        invoke(self._ptr, mid, INVOKE_PROPERTYPUT, (value,), (), where)

    doc = (member.get("doc") or "") + " (%s, %s)" % (member.get("result") or "Variant", {
        "get": "read-only", "put": "write-only", "getput": "read and write"}[member["kind"]])
    return property(get, put, doc=doc.strip())


def _merge(members):
    """One entry per name: a property listed once for its get and once for its put becomes one
    'getput' entry with the get's arguments."""
    merged = {}
    for m in members:
        key = m["name"].lower()
        if key in merged and {merged[key]["kind"], m["kind"]} == {"get", "put"}:
            get = merged[key] if merged[key]["kind"] == "get" else m
            merged[key] = dict(get, kind="getput")
        else:
            merged.setdefault(key, m)
    return list(merged.values())


def _is_property(member):
    # A property put carries its value as its only argument; a property with parameters is called.
    if member["kind"] == "method":
        return False
    return member["kind"] == "put" or not member["arguments"]


def class_for(info_text):
    """The class of an object's type information (the JSON text of kovrin_describe)."""
    cls = _classes.get(info_text)
    if cls is None:
        cls = _classes[info_text] = _class_of(json.loads(info_text))
    return cls


def _class_of(info):
    progid = info.get("progid")
    cls = _by_progid.get(progid.lower()) if progid else None
    return cls if cls is not None else _make_class(info, _library_of(progid) if progid else None)


def _make_class(info, library):
    members = _merge(info.get("members", []))
    prefix = info.get("progid") or info.get("class") or "Object"
    attrs = {"__slots__": (), "__module__": "kovrinapi", "_info": info, "_members": members, "_prefix": prefix,
             "_lower": {m["name"].lower(): m["name"] for m in members},
             "__doc__": "%s (%s), late bound through the automation interface." % (info.get("class"),
                                                                                    info.get("progid") or "")}
    for m in members:
        if _is_property(m):
            attrs[m["name"]] = _make_property(m, prefix, library)
        else:
            attrs[m["name"]] = _make_method(m, INVOKE_METHOD if m["kind"] == "method" else INVOKE_PROPERTYGET,
                                            prefix, library)
    cls = type(str(info.get("class") or "Object"), (Dispatch,), attrs)
    if info.get("progid"):
        _by_progid[info["progid"].lower()] = cls
    return cls


class TypeLibrary:
    """The classes of one library, to tell which class an object handed out belongs to.

    Asking each object for its type information costs the library a JSON text per object (tens of
    microseconds for a record, more for Kovrin). Asking whether it has a member name costs about
    one microsecond when it has, a few when it has not. So the class of the object before is tried
    first, by a name only that class has (a list holds one class, mostly); otherwise names that
    split the remaining candidates in halves single the class out."""

    def __init__(self, progid):
        self.progid = progid
        self.info = None
        self.unique = {}  # class index -> a member name no other class has
        self.plans = {}  # candidate classes -> the name to ask about, None when none tells them apart
        self.last = None  # the class index found last

    def _load(self):
        if self.info is None:
            classes = describe_library(self.progid).get("classes", [])
            info = [(frozenset(m["name"].lower() for m in c["members"]), c) for c in classes]
            for i, (names, _) in enumerate(info):
                own = names.difference(*(other for j, (other, _) in enumerate(info) if j != i))
                if own:
                    self.unique[i] = min(own).encode()
            self.info = info
        return self.info

    def _plan(self, candidates):
        best, best_score = None, None
        for name in sorted(set().union(*(self.info[i][0] for i in candidates))):
            count = sum(1 for i in candidates if name in self.info[i][0])
            if 0 < count < len(candidates) and (best is None or abs(2 * count - len(candidates)) < best_score):
                best, best_score = name, abs(2 * count - len(candidates))
        return best

    @staticmethod
    def _has(ptr, name):
        member = ctypes.c_int32()
        err = ErrorInfo()
        if _capi._lib.kovrin_get_id(ptr, name, ctypes.byref(member), ctypes.byref(err)) == 0:
            return True
        _capi._lib.kovrin_error_clear(ctypes.byref(err))
        return False

    def class_of(self, ptr):
        """The Python class of the object, or None when the member names do not single it out."""
        try:
            info = self._load()
        except Error:
            return None
        if self.last in self.unique and self._has(ptr, self.unique[self.last]):
            return _class_of(info[self.last][1])
        candidates = tuple(range(len(info)))
        while len(candidates) > 1:
            if candidates not in self.plans:
                self.plans[candidates] = self._plan(candidates)
            name = self.plans[candidates]
            if name is None:
                return None
            has = self._has(ptr, name.encode())
            candidates = tuple(i for i in candidates if (name in info[i][0]) == has)
        if not candidates:
            return None
        self.last = candidates[0]
        return _class_of(info[candidates[0]][1])


def _library_of(progid):
    key = progid.lower()
    if key not in _libraries:
        _libraries[key] = TypeLibrary(progid)
    return _libraries[key]


class Dispatch:
    """An automation object: Dispatch("KovrinAPI.Kovrin") creates one by its ProgID."""
    __slots__ = ("_ptr", "__weakref__")
    _members = ()
    _lower = {}
    _prefix = "Object"

    def __new__(cls, progid):
        lib = _capi.lib()
        ptr = ctypes.c_void_p()
        err = ErrorInfo()
        if lib.kovrin_create(progid.encode("utf-8"), ctypes.byref(ptr), ctypes.byref(err)):
            raise_from(err)
        known = _by_progid.get(progid.lower())  # an object made by a ProgID is of its class
        if known is not None:
            self = object.__new__(known)
            object.__setattr__(self, "_ptr", ptr.value)
            return self
        return Dispatch._wrap(ptr.value)

    @staticmethod
    def _wrap(ptr, library=None):
        """A Python object for an object reference, taking over that reference. library is the
        type library of the object that handed it out, which knows the classes it can be."""
        try:
            cls = library.class_of(ptr) if library is not None else None
            if cls is None:
                cls = class_for(_take_text(_capi._lib.kovrin_describe, ptr))
        except BaseException:
            _capi._lib.kovrin_release(ptr)
            raise
        self = object.__new__(cls)
        object.__setattr__(self, "_ptr", ptr)
        return self

    def __del__(self):
        # Python calls this once per object; at interpreter exit the module may already be
        # gone, and the process then frees everything anyway.
        try:
            _capi._lib.kovrin_release(self._ptr)
        except Exception:
            pass

    def __getattr__(self, name):
        # Only reached when the exact name is not found: automation names are case-insensitive.
        if name.startswith("_"):
            raise AttributeError(name)
        canonical = type(self)._lower.get(name.lower())
        if canonical is not None:
            return getattr(self, canonical)
        raise python_error(438, type(self)._prefix + "." + name)

    def __setattr__(self, name, value):
        canonical = type(self)._lower.get(name.lower())
        attr = getattr(type(self), canonical, None) if canonical else None
        if isinstance(attr, property):
            attr.__set__(self, value)
        elif attr is not None:  # an operation cannot be assigned
            raise python_error(450, type(self)._prefix + "." + canonical)
        else:
            raise python_error(438, type(self)._prefix + "." + name)

    def __dir__(self):
        return sorted(m["name"] for m in type(self)._members)

    def __repr__(self):
        return "<kovrinapi %s object at 0x%x>" % (type(self).__name__, self._ptr or 0)


_variant.wrap_object = Dispatch


def properties(obj):
    """The values of the object's readable properties, by name, in declared order: a record as a
    dictionary."""
    values = {}
    for m in type(obj)._members:
        if _is_property(m) and m["kind"] in ("get", "getput"):
            values[m["name"]] = getattr(obj, m["name"])
    return values
