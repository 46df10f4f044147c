"""A private installation for the Python tests: its own registry store, the library registered
in it, and a sample bookkeeping database made by kovrin-db and registered as the installation.

ctest passes the build's programs in the environment (tests/python/CMakeLists.txt).
"""
import os
import subprocess
import tempfile

import pytest

BUILD_DIR = os.environ["KOVRIN_BUILD_DIR"]
SOURCE_DIR = os.environ["KOVRIN_SOURCE_DIR"]
DB_TOOL = os.environ["KOVRIN_DB_TOOL"]
REGISTER = os.environ["KOVRIN_REGISTER_COMMAND"].split("|")  # kovrin-regsvr register LIBRARY TYPELIB

_base = os.environ.get("KOVRIN_TEST_TMP") or None
if _base:
    os.makedirs(_base, exist_ok=True)
WORK = tempfile.mkdtemp(prefix="python-", dir=_base)
DATABASE = os.path.join(WORK, "books.sqlite")

# Set before the library is first loaded: every program the tests start inherits it too.
os.environ["KOVRIN_REGISTRY_DIR"] = os.path.join(WORK, "registry")
os.environ["TMPDIR"] = WORK
subprocess.run(REGISTER, check=True, stdout=subprocess.DEVNULL)
subprocess.run([DB_TOOL, "create", DATABASE, "--sample", "--register"], check=True, stdout=subprocess.DEVNULL)


@pytest.fixture
def kovrin():
    import kovrinapi
    k = kovrinapi.Dispatch("KovrinAPI.Kovrin")
    k.BusinessID = 1
    return k


def rss_kib():
    """The process's resident set, in KiB: C memory that tracemalloc does not see."""
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")
