"""kovrin: the library's operations from the shell.

    kovrin list
    kovrin help OPERATION
    kovrin call OPERATION NAME=VALUE ...

Values are parsed by the argument's declared type; the result (and the arguments the operation
changes) is printed as text, JSON or XML. A failure prints "NUMBER SOURCE: DESCRIPTION" on standard
error and exits with status 1.
"""
import argparse
import datetime
import decimal
import json
import os
import re
import sys
import xml.etree.ElementTree as ET

from . import Dispatch, Error, Null, describe_library, properties
from ._dispatch import returned

PROGID = "KovrinAPI.Kovrin"

EXAMPLES = """\
examples:
  kovrin list
  kovrin help CreateInvoice
  kovrin call Version
  kovrin call GetVatRate datDate=2026-12-08
  kovrin call GetCustomerByID lngCustomerID=1 --format json
  kovrin --business 1 call GetCustomersXML
  kovrin call CreateInvoiceXML strXML=@invoice.xml
  kovrin call CreateInvoiceXML strXML=@- < invoice.xml
  kovrin call GetInvoicesByQueryXML iInvoiceNumber=1001 --format xml
  kovrin call CreateInvoice iCustomersID=1 datInvoiceDate=2026-12-08 strComments= \\
      fltRebatePercent=0 curRebateAmount=0 blnRoundTotal=false fltVAT=0 blnChargeVAT=true \\
      strInvoiceDetails= iTrxCodesID=1 iInvoiceType=INVOICE_TYPE_STD \\
      'varLineItems=[{"ItemDescription": "Consulting hour", "UnitPrice": "350", "ItemQuantity": 2,
                      "CurrencyRate": 1}]'

Values by declared type: Long and Integer whole numbers, Double numbers, Currency exact decimals
(120.50), Date ISO dates (2026-12-08 or 2026-12-08T10:30), Boolean true/false, an enumeration its
number or member name, a record (Customer, LineItem, ...) a JSON object of its properties, a
Variant a JSON list or object (a list of records) or else the text itself. A text value @FILE is
read from FILE, @- from standard input; @@ stands for a literal @ at the start.
"""

_TYPE_HELP = {
    "Integer": "whole number", "Long": "whole number", "Double": "number", "Currency": "decimal, exact",
    "Date": "ISO date, 2026-12-08 or 2026-12-08T10:30", "Boolean": "true or false", "String": "text or @FILE",
    "Variant": "JSON list or object, or text",
}


class Library:
    """The type library: classes by name and the enumerations."""

    def __init__(self):
        info = describe_library(PROGID)
        self.classes = {c["class"].lower(): c for c in info.get("classes", [])}
        self.enums = {e["name"].lower(): e for e in info.get("enums", [])}

    def cls(self, name):
        return self.classes.get(name.lower())

    def member(self, class_name, name):
        for m in self.cls(class_name)["members"]:
            if m["name"].lower() == name.lower():
                return m
        raise _error(438, "Object doesn't support this property or method: " + name)


# ---- values from the command line ------------------------------------------------------------

def _error(number, description):
    """A failure found by the command itself, before the library is called."""
    return Error(number, "kovrin", description)


def _mismatch(name, type_name, text):
    hint = _TYPE_HELP.get(type_name)
    return _error(13, "Type mismatch: %s is %s%s, not %r" % (
        name, type_name, " (%s)" % hint if hint else "", text))


def parse_date(text):
    text = text.strip()
    for form in ("%Y-%m-%d", "%Y-%m-%dT%H:%M", "%Y-%m-%dT%H:%M:%S", "%Y-%m-%d %H:%M", "%Y-%m-%d %H:%M:%S"):
        try:
            return datetime.datetime.strptime(text, form)
        except ValueError:
            pass
    raise ValueError(text)


def read_text(text):
    """A text value: @FILE reads the file, @- standard input, @@ a literal leading @."""
    if text.startswith("@@"):
        return text[1:]
    if text == "@-":
        return sys.stdin.buffer.read().decode("utf-8-sig")
    if text.startswith("@"):
        try:
            with open(text[1:], "rb") as f:
                return f.read().decode("utf-8-sig")
        except OSError as e:
            raise _error(53, "File not found: %s (%s)" % (text[1:], e.strerror)) from None
    return text


class Parser:
    """Turns a command-line text, or a JSON value, into the Python value of a declared type."""

    def __init__(self, library):
        self.library = library

    def value(self, name, type_name, raw, from_json=False):
        """raw is a command-line text, or a value decoded from JSON (from_json): JSON texts are
        taken as they stand, command-line texts may name a file (@FILE) or hold JSON."""
        kind = type_name.lower()
        try:
            if isinstance(raw, bool) and kind not in ("boolean", "variant"):
                raise ValueError(raw)
            if kind in ("integer", "long"):
                return self._whole(raw)
            if kind == "double":
                return float(raw)
            if kind == "currency":
                return decimal.Decimal(str(raw).strip())
            if kind == "date":
                return parse_date(raw)
            if kind == "boolean":
                return self._boolean(raw)
            if kind == "string":
                if not isinstance(raw, str):
                    raise ValueError(raw)
                return raw if from_json else read_text(raw)
            if kind in self.library.enums:
                return self._enum(self.library.enums[kind], raw)
            if self.library.cls(kind) is not None:
                return self.record(name, self.library.cls(kind), raw if from_json else _json(raw))
            return self.variant(name, raw if from_json or not raw.lstrip().startswith(("[", "{")) else _json(raw),
                                from_json)
        except (ValueError, TypeError, ArithmeticError):  # JSONDecodeError is a ValueError
            raise _mismatch(name, type_name, raw) from None

    @staticmethod
    def _whole(raw):
        if isinstance(raw, bool):
            raise ValueError(raw)
        if isinstance(raw, str):
            return int(raw.strip())
        value = decimal.Decimal(str(raw))
        if value != value.to_integral_value():
            raise ValueError(raw)
        return int(value)

    @staticmethod
    def _boolean(raw):
        if isinstance(raw, bool):
            return raw
        word = str(raw).strip().lower()
        if word in ("true", "yes", "1", "-1"):
            return True
        if word in ("false", "no", "0"):
            return False
        raise ValueError(raw)

    @staticmethod
    def _enum(enum, raw):
        for v in enum["values"]:
            if isinstance(raw, str) and v["name"].lower() == raw.strip().lower():
                return v["value"]
        return Parser._whole(raw)

    def variant(self, name, raw, from_json):
        """A Variant argument: a JSON list or object becomes records (of the class the argument's name
        says: varLineItems holds LineItem records) or plain values; a command-line text stays text."""
        if isinstance(raw, str):
            return raw if from_json else read_text(raw)
        if isinstance(raw, dict):
            return self.record(name, self._element_class(name, raw), raw)
        if isinstance(raw, list):
            return tuple(self.variant(name, item, True) for item in raw)
        if isinstance(raw, decimal.Decimal):  # a JSON number with a point
            return float(raw)
        return Null if raw is None else raw

    def _element_class(self, name, raw):
        wanted = raw.get("$class") or re.sub(r"^[a-z]+", "", name)
        for candidate in (wanted, wanted[:-1] if wanted.endswith("s") else wanted):
            cls = self.library.cls(candidate)
            if cls is not None and cls.get("progid"):
                return cls
        raise _error(13, "Type mismatch: %s names no record class; say which with \"$class\"" % name)

    def record(self, name, cls, raw):
        if not isinstance(raw, dict):
            raise ValueError(raw)
        record = Dispatch(cls["progid"])
        for key, value in raw.items():
            if key == "$class":
                continue
            member = next((m for m in cls["members"] if m["name"].lower() == key.lower()), None)
            if member is None:
                raise _error(438, "%s has no property %s" % (cls["class"], key))
            setattr(record, member["name"], self.value("%s.%s" % (name, key), member.get("result") or "Variant",
                                                       value, from_json=True))
        return record


def _json(raw):
    return json.loads(raw, parse_float=decimal.Decimal) if isinstance(raw, str) else raw


# ---- results to text, JSON and XML -----------------------------------------------------------

def plain(value):
    """A scalar as text: dates in ISO form (the date alone at midnight), Currency without
    trailing zeros."""
    if value is None:
        return ""
    if value is Null:
        return "Null"
    if isinstance(value, datetime.datetime):
        return value.date().isoformat() if value.time() == datetime.time() else value.isoformat()
    if isinstance(value, float) and value.is_integer():
        return str(int(value))  # a rate of 18.0 reads 18
    return str(value)


def to_data(value):
    """Records as dictionaries of their properties, arrays as lists, all the way down."""
    if isinstance(value, Dispatch):
        return {k: to_data(v) for k, v in properties(value).items()}
    if isinstance(value, tuple):
        return [to_data(v) for v in value]
    return value


def to_json(data, indent=""):
    inner = indent + "  "
    if isinstance(data, dict):
        if not data:
            return "{}"
        return "{\n" + ",\n".join(inner + json.dumps(k, ensure_ascii=False) + ": " + to_json(v, inner)
                                  for k, v in data.items()) + "\n" + indent + "}"
    if isinstance(data, list):
        if not data:
            return "[]"
        return "[\n" + ",\n".join(inner + to_json(v, inner) for v in data) + "\n" + indent + "]"
    if data is None or data is Null:
        return "null"
    if isinstance(data, bool):
        return "true" if data else "false"
    if isinstance(data, (int, decimal.Decimal)):
        return str(data)  # exact: Currency keeps every digit
    if isinstance(data, float):
        return repr(data) if data == data and abs(data) != float("inf") else "null"
    return json.dumps(plain(data), ensure_ascii=False)


def to_text(data, indent=""):
    if isinstance(data, dict):
        return "\n".join(_text_field(k, v, indent) for k, v in data.items())
    if isinstance(data, list):
        if data and all(isinstance(row, list) for row in data):  # a table
            return "\n".join(indent + "\t".join(plain(c) for c in row) for row in data)
        separator = "\n\n" if any(isinstance(v, dict) for v in data) else "\n"
        return separator.join(to_text(v, indent) for v in data)
    return indent + plain(data)


def _text_field(key, value, indent):
    if isinstance(value, (dict, list)) and value:
        return "%s%s:\n%s" % (indent, key, to_text(value, indent + "  "))
    return "%s%s: %s" % (indent, key, plain(value) if not isinstance(value, (dict, list)) else "")


def _xml_element(tag, data, class_name=None):
    element = ET.Element(tag)
    if isinstance(data, dict):
        for k, v in data.items():
            element.append(_xml_element(k, v))
    elif isinstance(data, list):
        for v in data:
            element.append(_xml_element("Row" if isinstance(v, list) else
                                        (v.pop("$class") if isinstance(v, dict) and "$class" in v else "Item"), v))
    elif data is not None and data is not Null:
        element.text = plain(data)
    return element


def _with_classes(value):
    """to_data, with each record's class name kept for its XML element."""
    if isinstance(value, Dispatch):
        data = {k: _with_classes(v) for k, v in properties(value).items()}
        return dict(data, **{"$class": type(value).__name__})
    if isinstance(value, tuple):
        return [_with_classes(v) for v in value]
    return value


def to_xml(operation, result, outputs):
    if isinstance(result, str) and result.lstrip().startswith("<") and not outputs:
        return result  # XML text already
    root = ET.Element("Result", operation=operation)
    value = _with_classes(result)
    if isinstance(value, dict):
        root.append(_xml_element(value.pop("$class"), value))
    else:
        root.append(_xml_element("Value", value))
    for name, v in outputs.items():
        root.append(_xml_element(name, _with_classes(v)))
    ET.indent(root)
    return ET.tostring(root, encoding="unicode") + "\n"


def render(fmt, operation, result, outputs):
    if fmt == "xml":
        return to_xml(operation, result, outputs)
    if fmt == "json":
        return to_json(dict({"result": to_data(result)}, **{k: to_data(v) for k, v in outputs.items()})) + "\n"
    text = to_text(to_data(result))
    for name, v in outputs.items():
        data = to_data(v)
        text += ("\n" if text else "") + _text_field(name, data, "")
    return text + "\n" if text and not text.endswith("\n") else text


# ---- the commands ----------------------------------------------------------------------------

def _signature(member):
    args = []
    for a in member["arguments"]:
        text = "%s: %s" % (a["name"], a["type"])
        if a.get("optional"):
            text = "[%s%s]" % (text, " = %s" % json.dumps(a["default"], ensure_ascii=False)
                               if a.get("default") is not None else "")
        args.append(text)
    result = member.get("result") or ""
    return "%s(%s)%s" % (member["name"], ", ".join(args), " -> " + result if result else "")


_KINDS = {"method": "", "get": "property, read-only", "put": "property, write-only", "getput": "property"}


def command_list(library, fmt, out):
    members = library.cls("Kovrin")["members"]
    if fmt == "json":
        out.write(json.dumps(members, ensure_ascii=False, indent=2) + "\n")
        return
    width = max(len(m["name"]) for m in members)
    for m in members:
        kind = _KINDS.get(m["kind"], m["kind"])
        out.write(("%-*s  %s%s" % (width, m["name"], m.get("result") or "", " (%s)" % kind if kind else "")).rstrip()
                  + "\n")
    out.write("\nClasses (kovrin help CLASS): %s\n" % ", ".join(c["class"] for c in library.classes.values()
                                                                 if c["class"] != "Kovrin"))
    out.write("Enumerations: %s\n" % ", ".join(e["name"] for e in library.enums.values()))


def command_help(library, name, fmt, out):
    cls = library.cls(name)
    if cls is not None:  # a record or service class: its properties, as JSON objects name them
        if fmt == "json":
            out.write(json.dumps(cls, ensure_ascii=False, indent=2) + "\n")
            return
        out.write("%s (%s)\n\n" % (cls["class"], cls.get("progid") or "not creatable"))
        for m in cls["members"]:
            out.write("  %s\n" % _signature(m) if m["kind"] == "method" else
                      "  %-28s %s\n" % (m["name"], m.get("result") or ""))
        return
    enum = library.enums.get(name.lower())
    if enum is not None:
        for v in enum["values"]:
            out.write("%-28s %d\n" % (v["name"], v["value"]))
        return
    members = [m for m in library.cls("Kovrin")["members"] if m["name"].lower() == name.lower()]
    if not members:
        raise _error(438, "Object doesn't support this property or method: " + name)
    if fmt == "json":
        out.write(json.dumps(members, ensure_ascii=False, indent=2) + "\n")
        return
    for m in members:
        if m["kind"] == "method":
            out.write(_signature(m) + "\n")
        else:
            out.write("%s: %s  (%s)\n" % (m["name"], m.get("result") or "Variant", _KINDS.get(m["kind"], m["kind"])))
        if m.get("doc"):
            out.write("\n  %s\n" % m["doc"])
        if m["arguments"]:
            out.write("\nArguments:\n")
            for a in m["arguments"]:
                hint = _TYPE_HELP.get(a["type"]) or ("a %s record as a JSON object" % a["type"]
                                                     if library.cls(a["type"]) else
                                                     "number or member name" if a["type"].lower() in library.enums
                                                     else "")
                notes = ["by reference: its new value is printed after the result" if returned(a) else "", hint]
                if a.get("optional"):
                    notes.append("optional" + (", default %s" % json.dumps(a["default"], ensure_ascii=False)
                                               if a.get("default") is not None else ""))
                out.write("  %-24s %-14s %s\n" % (a["name"], a["type"], "; ".join(filter(None, notes))))
        out.write("\n")


def parse_assignments(parser, member, assignments):
    """NAME=VALUE words into the argument list, by the declared types."""
    arguments = member["arguments"]
    by_name = {a["name"].lower(): a for a in arguments}
    named = {}
    for word in assignments:
        name, sep, text = word.partition("=")
        if not sep:
            raise _error(448, "Named argument not found: %r is not NAME=VALUE" % word)
        a = by_name.get(name.lower())
        if a is None:
            raise _error(448, "Named argument not found: %s (see kovrin help %s)" % (name, member["name"]))
        named[a["name"]] = parser.value(a["name"], a["type"], text)
    return named


def command_call(library, operation, assignments, options, out):
    kovrin = Dispatch(PROGID)
    if options.database:
        kovrin.KovrinPath = options.database
    if options.business is not None:
        kovrin.BusinessID = options.business
    member = library.member("Kovrin", operation)
    name = member["name"]
    if member["kind"] != "method":
        if assignments:
            raise _error(450, "Wrong number of arguments or invalid property assignment: %s is a property"
                               % name)
        result, outputs = getattr(kovrin, name), {}
    else:
        named = parse_assignments(Parser(library), member, assignments)
        value = getattr(kovrin, name)(**named)
        changed = [a["name"] for a in member["arguments"] if returned(a)]
        if changed:
            result, values = value[0], value[1:]
            outputs = dict(zip(changed, values))
        else:
            result, outputs = value, {}
    out.write(render(options.format, name, result, outputs))


def build_parser():
    common = argparse.ArgumentParser(add_help=False)
    common.add_argument("--format", choices=("text", "json", "xml"), default=argparse.SUPPRESS,
                        help="how results are printed (default text)")
    common.add_argument("--database", metavar="PATH", default=argparse.SUPPRESS,
                        help="the bookkeeping database to use instead of the registered one")
    common.add_argument("--business", metavar="N", type=int, default=argparse.SUPPRESS,
                        help="the business to work in (default 1)")
    parser = argparse.ArgumentParser(prog="kovrin", parents=[common], epilog=EXAMPLES,
                                     formatter_class=argparse.RawDescriptionHelpFormatter,
                                     description="Calls the KovrinAPI operations from the shell.")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    commands.add_parser("list", parents=[common], help="the operations and properties")
    help_ = commands.add_parser("help", parents=[common], help="one operation's arguments and types")
    help_.add_argument("operation", metavar="OPERATION")
    call = commands.add_parser("call", parents=[common], help="call an operation",
                               epilog=EXAMPLES, formatter_class=argparse.RawDescriptionHelpFormatter)
    call.add_argument("operation", metavar="OPERATION")
    call.add_argument("assignments", nargs="*", metavar="NAME=VALUE")
    return parser


def main(argv=None):
    for stream in (sys.stdout, sys.stderr):
        stream.reconfigure(encoding="utf-8")
    options = build_parser().parse_args(argv)
    for name, default in (("format", "text"), ("database", None), ("business", None)):
        if not hasattr(options, name):
            setattr(options, name, default)
    try:
        library = Library()
        if options.command == "list":
            command_list(library, options.format, sys.stdout)
        elif options.command == "help":
            command_help(library, options.operation, options.format, sys.stdout)
        else:
            command_call(library, options.operation, options.assignments, options, sys.stdout)
        sys.stdout.flush()
    except Error as e:
        sys.stdout.flush()
        sys.stderr.write("%d %s: %s\n" % (e.number, e.source, e.description))
        return 1
    except BrokenPipeError:  # the reader went away (kovrin list | head): not a failure of ours
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    return 0


if __name__ == "__main__":
    sys.exit(main())
