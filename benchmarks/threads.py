"""Calls from a thread pool against the same calls made one after another.

    PYTHONPATH=<build dir> python3.14 benchmarks/threads.py [--workers N] [--repeat N]

Two measurements:

- throughput: 200 gene families of 50 records x 1,000 codons, each one `tarnix` call,
  run serially and then through a ThreadPoolExecutor of --workers threads.  A large
  family's walk runs without the interpreter lock, so on an ordinary interpreter too
  the pool should approach --workers times the serial rate (on as many free cores);
- a control: SHA-256 of 200 blocks of 150 KB (hashlib lets go of the lock for them), the
  same way; where it does not scale either, the machine has no two cores to spare;
- the share of a large call that holds the lock: the CPU time of converting the same
  family (a call with an unknown table number converts every argument, then fails
  before the walk) over that of the whole call.  With a share s, two workers can reach
  at most 2 / (1 + s) times the serial rate; unlike the wall-clock rates, this does not
  depend on how busy the machine is;
- small calls: the CPU time of one call on a family of 100 codons (one record, and ten
  records), serially: these keep the lock throughout, so their cost shows whether the
  lock handling added anything to short calls.

Memory is timed in the suite's warm allocator state (run.py): freed memory stays in the
process.  Otherwise glibc hands each worker thread's freed result back to the system and
every call faults its pages in again, which costs both threads alike and serialises them
on the kernel's lock of the address space.

Every figure is the best of --repeat runs, so that other load on the machine inflates
it as little as possible; the serial and pooled runs alternate round by round.
"""

import argparse
import hashlib
import os
import sys
import sysconfig
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import workloads
from timing import ALLOCATOR

import velbrin

FAMILIES = 200
DISTINCT_FAMILIES = 20  # generated once, each called FAMILIES / DISTINCT_FAMILIES times


def call(seqs):
    return velbrin.tarnix("bench", "aa.fa", "nt.fa", 1, seqs)


def best_time(run, repeat, clock=time.perf_counter):
    best = float("inf")
    for _ in range(repeat):
        started = clock()
        run()
        best = min(best, clock() - started)
    return best


def convert_only(seqs):
    try:
        velbrin.tarnix("bench", "aa.fa", "nt.fa", 99, seqs)
    except ValueError:
        return
    raise AssertionError("table 99 was accepted")


def lock_held_share(families, repeat):
    whole = best_time(lambda: [call(seqs) for seqs in families], repeat, time.thread_time)
    converting = best_time(
        lambda: [convert_only(seqs) for seqs in families], repeat, time.thread_time
    )
    return converting / whole


def throughput(work, items, workers, repeat):
    with ThreadPoolExecutor(max_workers=workers) as pool:
        list(pool.map(work, items[:workers]))  # threads started and warm
        serial = pooled = float("inf")
        for _ in range(repeat):
            serial = min(serial, best_time(lambda: [work(item) for item in items], 1))
            pooled = min(pooled, best_time(lambda: list(pool.map(work, items)), 1))
    return serial, pooled


def sha256(block):
    return hashlib.sha256(block).digest()


def small_call_time(records, repeat):
    family = workloads.generate(f"small-{records}", 1, records, 100)["clean"]
    seqs, expected = family.seqs, family.expected_text()
    assert call(seqs) == expected
    calls = 20000
    return best_time(lambda: [call(seqs) for _ in range(calls)], repeat, time.thread_time) / calls


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--repeat", type=int, default=7)
    options = parser.parse_args()
    ALLOCATOR.enter("warm")

    generated = workloads.generate("threads", DISTINCT_FAMILIES, 50, 1000)["clean"]
    for index, seqs in enumerate(generated.calls):
        assert call(seqs) == generated.expected_text(index)
    families = [generated.calls[i % DISTINCT_FAMILIES] for i in range(FAMILIES)]
    nt_mb = generated.nt_bytes * FAMILIES / DISTINCT_FAMILIES / 1e6

    gil = "free-threaded" if sysconfig.get_config_var("Py_GIL_DISABLED") else "with the GIL"
    print(
        f"CPython {sys.version.split()[0]} ({gil}), {os.cpu_count()} cores, "
        f"load {os.getloadavg()[0]:.2f}, best of {options.repeat}"
    )
    for label, work, items in (
        (f"{FAMILIES} families of 50 x 1,000 codons", call, families),
        (
            "control: SHA-256 of as many bytes",
            sha256,
            [os.urandom(int(nt_mb * 1e6 / FAMILIES))] * FAMILIES,
        ),
    ):
        serial, pooled = throughput(work, items, options.workers, options.repeat)
        print(f"{label} ({nt_mb:.0f} MB):")
        print(f"  serial               {serial * 1e3:8.1f} ms  {nt_mb / serial:7.0f} MB/s")
        print(
            f"  {options.workers} worker threads     {pooled * 1e3:8.1f} ms  {nt_mb / pooled:7.0f} MB/s"
            f"  {serial / pooled:.2f}x serial"
        )
        if work is call:
            share = lock_held_share(families, options.repeat)
            print(
                f"  lock held for {share:.1%} of a call's CPU time: {options.workers} workers reach "
                f"at most {options.workers / (1 + (options.workers - 1) * share):.2f}x serial"
            )
    for records in (1, 10):
        cost = small_call_time(records, options.repeat)
        print(f"one call, {records:2} x 100 codons  {cost * 1e6:8.2f} us of CPU time")


if __name__ == "__main__":
    main()
