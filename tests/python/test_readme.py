"""The README's "From Python" and "From the shell" examples, run exactly as written, and the
Python example program."""
import os
import re
import subprocess
import sys

from conftest import BUILD_DIR, SOURCE_DIR, WORK


def readme_block(section, language):
    with open(os.path.join(SOURCE_DIR, "README.md"), encoding="utf-8") as f:
        text = f.read()
    body = text.split("## " + section + "\n", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```%s\n(.*?)```" % language, body, re.S)
    assert len(blocks) == 1, (section, blocks)
    return blocks[0]


def user_environment():
    """What a user has after scripts/run: the build's package and command within reach."""
    env = dict(os.environ)
    env["PATH"] = os.path.join(BUILD_DIR, "python") + os.pathsep + env["PATH"]
    return env


def run_as_user(args):
    # Bytes, decoded here: text mode would turn the CR LF of the library's XML into LF.
    run = subprocess.run(args, capture_output=True, env=user_environment(), cwd=WORK, timeout=300)
    return subprocess.CompletedProcess(run.args, run.returncode, run.stdout.decode(), run.stderr.decode())


def test_from_python():
    run = run_as_user([sys.executable, "-c", readme_block("From Python", "python")])
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    assert len(lines) == 3 and lines[0].strip()
    assert re.fullmatch(r"VAT on \d{4}-\d\d-\d\d is 18(\.0)? %", lines[1])
    assert re.fullmatch(r"8255 Kovrin\.GetCustomerByForeignKey\[\d+\]\\\S* .+", lines[2])


def test_from_the_shell():
    run = run_as_user(["bash", "-euo", "pipefail", "-c", readme_block("From the shell", "sh")])
    assert run.returncode == 0, run.stderr
    assert run.stderr == ""
    assert "strXML" in run.stdout and "\n18\ndatDate: 2026-12-08\n" in run.stdout
    assert '"CustomersID": 1' in run.stdout
    assert run.stdout.endswith("</Kovrin>\r\n") and "שעת ייעוץ" in run.stdout


def test_the_python_example():
    example = os.path.join(SOURCE_DIR, "examples", "python", "kovrin_example.py")
    for round_ in range(2):  # the first run creates its customer, the second updates it
        run = run_as_user([sys.executable, example])
        assert run.returncode == 0, run.stderr
        out = run.stdout
        assert ("Created customer EXAMPLE-PY" if round_ == 0 else "Updated customer EXAMPLE-PY") in out
        assert re.search(r"^Invoice \d+: lines 820\.5 at VAT 18(\.0)?%$", out, re.M), out
        assert re.search(r"^Invoice \d+ for Example Python Ltd: 2 lines, grand total [\d.]+$", out, re.M), out
        assert "<Kovrin>\r\n<Document" in out and "שעת ייעוץ" in out
        assert re.search(r"^Receipt \d+ for invoice \d+: total [\d.]+$", out, re.M), out
        assert "Balances up to tomorrow:\n<Kovrin>" in out and "Example Python Ltd" in out.split("Balances")[1]
