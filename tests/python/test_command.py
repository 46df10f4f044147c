"""The kovrin command as a user runs it: installed by cmake --install into a fresh prefix, started
by its path with nothing but the registry store in the environment."""
import json
import os
import re
import subprocess
import xml.etree.ElementTree as ET

import pytest

from conftest import BUILD_DIR, DATABASE, SOURCE_DIR, WORK


@pytest.fixture(scope="module")
def kovrin_command():
    prefix = os.path.join(WORK, "prefix")
    subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    command = os.path.join(prefix, "bin", "kovrin")
    assert os.access(command, os.X_OK)
    return command


def run(command, *args, stdin=None):
    env = {"PATH": "/usr/bin:/bin", "KOVRIN_REGISTRY_DIR": os.environ["KOVRIN_REGISTRY_DIR"],
           "TMPDIR": WORK, "HOME": WORK}
    for name in ("LD_PRELOAD", "ASAN_OPTIONS", "UBSAN_OPTIONS"):  # the sanitizer build's runtime
        if name in os.environ:
            env[name] = os.environ[name]
    # Bytes, decoded here: text mode would turn the CR LF of the library's XML into LF.
    run = subprocess.run([command, *args], input=stdin.encode() if stdin else None, capture_output=True, env=env,
                         timeout=120)
    return subprocess.CompletedProcess(run.args, run.returncode, run.stdout.decode(), run.stderr.decode())


INVOICE_XML = """<Kovrin><Document type="Invoice"><CustomerID>1</CustomerID><TrxCodesID>1</TrxCodesID>
<DocComments>מהשורה</DocComments><LineItems><LineItem number="1"><ItemDescription>Support hour</ItemDescription>
<UnitPrice>250</UnitPrice><ItemQuantity>3</ItemQuantity><CurrencyRate>1</CurrencyRate></LineItem></LineItems>
</Document></Kovrin>"""


def test_reading_and_calling(kovrin_command):
    xml_file = os.path.join(WORK, "invoice.xml")
    with open(xml_file, "w", encoding="utf-8") as f:
        f.write(INVOICE_XML)
    lines = json.dumps([{"ItemDescription": "שעת ייעוץ", "UnitPrice": "350.10", "ItemQuantity": 2, "CurrencyRate": 1},
                        {"ItemDescription": "Travel", "UnitPrice": 120.55, "ItemQuantity": 1, "CurrencyRate": 1}],
                       ensure_ascii=False)
    cases = [
        # (arguments, standard input, expected standard output: a text it contains or a check)
        (["list"], None, lambda out: "CreateInvoice" in out and "GetVatRate" in out and "BusinessID" in out),
        (["help", "createinvoice"], None,
         lambda out: re.search(r"fltVAT\s+Double\s+by reference", out) and "datDueDate" in out and "optional" in out),
        (["help", "LineItem"], None, lambda out: "UnitPrice" in out and "Currency" in out),
        (["help", "InvoiceTypes"], None, lambda out: re.search(r"INVOICE_TYPE_STD\s+1", out)),
        (["call", "Version"], None, lambda out: out == "3.2.74\n"),
        (["call", "GetVatRate", "datDate=2013-01-01"], None, lambda out: out == "17\ndatDate: 2013-01-01\n"),
        (["call", "GetVatRate", "datDate=2013-06-02T10:30", "--format", "json"], None,
         lambda out: json.loads(out) == {"result": 18, "datDate": "2013-06-02T10:30:00"}),
        (["--business", "2", "call", "BusinessID"], None, lambda out: out == "2\n"),
        (["call", "GetCustomerByID", "lngCustomerID=1", "--format", "json"], None,
         lambda out: json.loads(out)["result"]["CustomersID"] == 1),
        (["call", "GetCustomerByID", "lngCustomerID=1", "--format", "xml"], None,
         lambda out: ET.fromstring(out).find("Customer/CustomersID").text == "1"),
        (["call", "GetCustomerByID", "lngCustomerID=1"], None, lambda out: re.search(r"^CustomersID: 1$", out, re.M)),
        (["call", "GetBanks"], None, lambda out: re.search(r"^\d+\t\S", out, re.M)),
        (["call", "CreateInvoiceXML", "strXML=@" + xml_file], None, lambda out: re.fullmatch(r"\d+\n", out)),
        (["call", "CreateInvoiceXML", "strXML=@-"], INVOICE_XML, lambda out: re.fullmatch(r"\d+\n", out)),
        (["call", "GetCustomersXML", "--format", "xml"], None, lambda out: out.startswith("<Kovrin>\r\n")),
        (["--database", DATABASE, "call", "GetOsekMorshe"], None, lambda out: out.strip() != ""),
    ]
    for args, stdin, check in cases:
        result = run(kovrin_command, *args, stdin=stdin)
        assert result.returncode == 0 and result.stderr == "", (args, result.stderr)
        assert check(result.stdout), (args, result.stdout)

    # An invoice from JSON lines (Currency from a JSON text and a JSON number), read back exactly.
    created = run(kovrin_command, "call", "CreateInvoice", "iCustomersID=1", "datInvoiceDate=2026-12-08",
                  "strComments=shell", "fltRebatePercent=0", "curRebateAmount=0", "blnRoundTotal=false", "fltVAT=0",
                  "blnChargeVAT=true", "strInvoiceDetails=", "iTrxCodesID=1", "iInvoiceType=INVOICE_TYPE_STD",
                  "varLineItems=" + lines, "--format", "json")
    assert created.returncode == 0, created.stderr
    answer = json.loads(created.stdout)
    assert answer["fltVAT"] == 0.18 and answer["blnRoundTotal"] is False
    number = answer["result"]
    read = run(kovrin_command, "call", "GetInvoiceByNumber", "iInvoiceNumber=%d" % number, "--format", "json")
    lines_back = json.loads(read.stdout)["result"]["varInvoiceLines"]
    assert [x["UnitPrice"] for x in lines_back] == [350.1, 120.55]
    assert '"UnitPrice": 350.1,' in read.stdout  # Currency printed as the exact decimal
    xml = run(kovrin_command, "call", "GetInvoicesByQueryXML", "iInvoiceNumber=%d" % number, "--format", "xml")
    assert xml.stdout.startswith("<Kovrin>\r\n<Document") and "שעת ייעוץ" in xml.stdout


def test_failures_exit_1_with_number_source_and_description(kovrin_command):
    cases = [
        (["call", "GetCustomerByForeignKey", "strForeignKey=nobody"],
         r"8255 Kovrin\.GetCustomerByForeignKey\[\d+\]\\.*: .+"),
        (["call", "GetInvoiceByNumber", "iInvoiceNumber=99999"], r"8257 Kovrin\.GetInvoiceByNumber\[\d+\].*: .+"),
        (["call", "NoSuchOperation"], r"438 \S*: Object doesn't support this property or method.*"),
        (["help", "NoSuchOperation"], r"438 kovrin: Object doesn't support this property or method.*"),
        (["call", "GetVatRate", "datDate=08/12/2026"], r"13 kovrin: Type mismatch: datDate is Date .*"),
        (["call", "GetVatRate", "when=2026-12-08"], r"448 kovrin: Named argument not found: when.*"),
        (["call", "GetCustomerByID", "lngCustomerID=1.5"], r"13 kovrin: Type mismatch: lngCustomerID is Long.*"),
        (["call", "CreateInvoice", "varLineItems=[{\"NoSuch\": 1}]"], r"438 kovrin: LineItem has no property NoSuch"),
        (["call", "CreateInvoiceXML", "strXML=@/no/such/file.xml"], r"53 kovrin: File not found: /no/such/file\.xml.*"),
        (["call", "CreateInvoiceXML", "strXML=<Kovrin>"], r"-?\d+ Kovrin\.CreateInvoiceXML\[\d+\].*: .+"),
        (["--database", "/no/such/books.sqlite", "call", "GetCustomers"], r"-?\d+ Kovrin\.GetCustomers\[\d+\].*: .+"),
    ]
    for args, message in cases:
        result = run(kovrin_command, *args)
        assert result.returncode == 1 and result.stdout == "", (args, result.stdout, result.stderr)
        assert re.fullmatch(message + "\n", result.stderr, re.S), (args, result.stderr)


def test_the_examples_of_help_and_of_the_page_run(kovrin_command):
    helped = run(kovrin_command, "--help")
    assert helped.returncode == 0
    examples = helped.stdout.split("\nexamples:\n", 1)[1].split("\n\n", 1)[0]
    with open(os.path.join(SOURCE_DIR, "docs", "command-line.md"), encoding="utf-8") as f:
        page = re.search(r"## Examples\n.*?```sh\n(.*?)```", f.read(), re.S).group(1)
    folder = os.path.join(WORK, "examples")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "invoice.xml"), "w", encoding="utf-8") as f:
        f.write(INVOICE_XML)
    for script in (examples, page):
        assert script.count("kovrin ") >= 10
        env = {"PATH": os.path.dirname(kovrin_command) + ":/usr/bin:/bin",
               "KOVRIN_REGISTRY_DIR": os.environ["KOVRIN_REGISTRY_DIR"], "TMPDIR": WORK, "HOME": WORK}
        result = subprocess.run(["bash", "-euo", "pipefail", "-c", script], cwd=folder, env=env, capture_output=True,
                                timeout=300)
        assert result.returncode == 0 and result.stderr == b"", (script, result.stderr.decode())
        assert b"<Kovrin>\r\n<Document" in result.stdout and b'"CustomersID": 1' in result.stdout
    usage = run(kovrin_command, "call")  # a usage error is argparse's: status 2 and the usage
    assert usage.returncode == 2 and "usage: kovrin" in usage.stderr
