#!/usr/bin/env python3
"""GetVatRate and a durable CreateInvoice of three lines from Python, beside the same calls made
directly in C++ and through the C entry point (kovrin_automation_bench), in one run. Rounds
alternate between the two programs so both see the same machine load; the figures are medians of
CPU time per call (the durable write's wait for the disk is not CPU time).

    PYTHONPATH=build/python python3 bench/python_bench.py build [rounds]

Prints a Markdown table for docs/performance.md.
"""
import ctypes
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from decimal import Decimal

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
work = tempfile.mkdtemp(prefix="kovrin-pybench-")
os.environ["KOVRIN_REGISTRY_DIR"] = os.path.join(work, "registry")
source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
library = os.path.join(build, "api", "libKovrinAPI32.so")
subprocess.run([os.path.join(build, "api", "automation", "kovrin-regsvr"), "register", library,
                os.path.join(source, "api", "KovrinAPI", "KovrinAPI32.tlb.txt")], check=True, stdout=subprocess.DEVNULL)
subprocess.run([os.path.join(build, "frontend", "kovrin-db"), "create", os.path.join(work, "books.sqlite"), "--sample",
                "--register"], check=True, stdout=subprocess.DEVNULL)

import datetime  # noqa: E402

import kovrinapi  # noqa: E402
from kovrinapi import _capi, _variant  # noqa: E402

k = kovrinapi.Dispatch("KovrinAPI.Kovrin")
k.BusinessID = 1
lines = []
for description, price, quantity in (("Consulting hour", "350", 2), ("Travel", "120.5", 1), ("Licence", "99.9", 3)):
    line = kovrinapi.Dispatch("KovrinAPI.LineItem")
    line.ItemDescription = description
    line.UnitPrice = Decimal(price)  # the benchmark program's lines
    line.ItemQuantity = quantity
    line.CurrencyRate = 1
    lines.append(line)
day = _variant.serial_to_date(46000)  # the benchmark program's date




def python_get_vat_rate(n):
    for _ in range(n):
        k.GetVatRate(day)


def python_create_invoice(n):
    for _ in range(n):
        k.CreateInvoice(4, datetime.datetime.now(), "", 0, Decimal(0), False, 17, True, "", 1, 1, lines)


def per_call_us(work_, n):
    start = time.process_time()
    work_(n)
    return (time.process_time() - start) / n * 1e6


def package_share_us(work_, n):
    """CPU time per call of the package's own Python work: the same calls with kovrin_invoke
    replaced by a replay of its first answer (the result and the arguments it changed, plain
    values for these two calls), so nothing of the library, its disk waits or its noise is in
    it. The replay's two or three memory copies are counted in."""
    real = _capi._lib
    size = _variant.SIZE
    answers = {}

    class Replay:
        @staticmethod
        def kovrin_invoke(ptr, member, flags, args, count, result, error):
            if member not in answers:
                before = ctypes.string_at(args, count * size)
                status = real.kovrin_invoke(ptr, member, flags, args, count, result, error)
                after = ctypes.string_at(args, count * size)
                changed = [(i, after[i * size:(i + 1) * size]) for i in range(count)
                           if before[i * size:(i + 1) * size] != after[i * size:(i + 1) * size]]
                answers[member] = (changed, ctypes.string_at(result, size))
                return status
            changed, answer = answers[member]
            ctypes.memmove(result, answer, size)
            for i, data in changed:  # plain values for these two calls
                ctypes.memmove(args + i * size, data, size)
            return 0

    replay = Replay()
    for name in dir(real):  # every other function as it is, without a lookup through the replay
        if name.startswith("kovrin_") and name != "kovrin_invoke":
            setattr(replay, name, getattr(real, name))
    _capi._lib = replay
    try:
        work_(1)
        return per_call_us(work_, n)
    finally:
        _capi._lib = real


def cpp_round():
    run = subprocess.run([os.path.join(build, "bench", "kovrin_automation_bench"), "--benchmark_format=json",
                          "--benchmark_min_time=1"], check=True, capture_output=True, text=True)
    times = {}
    for b in json.loads(run.stdout)["benchmarks"]:
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
        times[b["name"]] = b["cpu_time"] * scale
    return times


calls = {"GetVatRate": (python_get_vat_rate, 20000), "CreateInvoice": (python_create_invoice, 300)}
results = {name: ([], [], [], []) for name in calls}
python_get_vat_rate(2000)  # warm: classes made, statements prepared
python_create_invoice(20)
for _ in range(rounds):
    cpp = cpp_round()
    for name, (work_, n) in calls.items():
        results[name][0].append(cpp["Direct" + name])
        results[name][3].append(cpp["Dispatched" + name])
        results[name][1].append(per_call_us(work_, n))
        results[name][2].append(package_share_us(work_, n))

print("| Call | C++ | C entry point | Python | Python - C++ | the package's own work | Aim |")
print("|---|---|---|---|---|---|---|")
for name, (cpp_times, py_times, share_times, c_times) in results.items():
    cpp, c, py, share = (statistics.median(x) for x in (cpp_times, c_times, py_times, share_times))
    print("| `%s` | %.1f µs | %.1f µs | %.1f µs | %.1f µs | %.1f µs | < 25 µs |" % (name, cpp, c, py, py - cpp, share))
shutil.rmtree(work, ignore_errors=True)
