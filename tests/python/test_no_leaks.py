"""Many calls, successful and failing, leave memory and reference counts as they were.

One test makes 100,000 calls that cycle through every kind of outcome: results, each kind
of conversion and binding error, each report, and the internal fault.  The Python heap
(tracemalloc), the resident size and the reference counts of every argument object must
not grow once the first calls have settled the interpreter's caches.  Native memory is
also watched by LeakSanitizer in the sanitizer run of this suite.
"""

import gc
import os
import resource
import sys
import tracemalloc

import pytest

import velbrin

SEQS = {
    "s1": (("s1", "MK-"), (0, "s1", "ATGAAA")),
    "s2": (("s2", "M"), (-5, "s2", "ATG")),
}
PLAIN_SEQS = {"s1": (("s1", "MK"), ("s1", "ATGAAA"))}
TABLE = {"M": ["ATG"], "K": ("AAA", "AAG")}
PATHS = ("stem", "dir/a.fa", "dir/n.fa")


class Text(str):
    pass


class Lying:
    def __len__(self):
        return 2**60

    def __getitem__(self, index):
        return ["CCC", "GAT"][index]


class Number:
    def __index__(self):
        return 3


class Refusing:
    def __index__(self):
        raise LookupError("no number here")


def one(peptide, nucleotides, nt_header="s1"):
    return {"s1": (("s1", peptide), (0, nt_header, nucleotides))}


tarnix, custom, iupac = (
    velbrin.tarnix,
    velbrin.tarnix_original_args,
    velbrin.attempt_iupac_substitution,
)

# name: (function, positional arguments, keyword arguments, the exception it raises or None)
CASES = {
    # results
    "tarnix result": (tarnix, (*PATHS, 1, SEQS), {}, None),
    "tarnix by keyword": (
        tarnix,
        (),
        {"_file_steem": "s", "aa_path": "a", "nt_path": "n", "table_num": Number(), "seqs": SEQS},
        None,
    ),
    "custom table result": (custom, (*PATHS, TABLE, PLAIN_SEQS), {}, None),
    "iupac match": (iupac, ("RAT", ["CCC", "GAT"]), {}, None),
    "iupac match on subclass": (iupac, (Text("RAT"), ["GAT"]), {}, None),
    "iupac no match": (iupac, ("RAT", ["CCC"]), {}, None),
    "iupac lying length": (iupac, ("RAT", Lying()), {}, None),
    # binding errors
    "too many positional": (tarnix, (*PATHS, 1, SEQS, None), {}, TypeError),
    "missing argument": (iupac, ("RAT",), {}, TypeError),
    "unexpected keyword": (iupac, ("RAT", []), {"other": 1}, TypeError),
    "multiple values": (iupac, ("RAT", []), {"taxa": []}, TypeError),
    # conversion errors
    "text refused": (tarnix, (None, "a", "n", 1, SEQS), {}, TypeError),
    "lone surrogate": (tarnix, ("\ud800", "a", "n", 1, SEQS), {}, UnicodeEncodeError),
    "number out of range": (tarnix, (*PATHS, 2**31, SEQS), {}, OverflowError),
    "number beyond a long": (tarnix, (*PATHS, 2**64, SEQS), {}, OverflowError),
    "number refused": (tarnix, (*PATHS, Refusing(), SEQS), {}, LookupError),
    "seqs not a dict": (tarnix, (*PATHS, 1, [SEQS]), {}, TypeError),
    "late record refused": (
        tarnix,
        (*PATHS, 1, {**SEQS, "bad": (("b", "M"), ("0", "b", "ATG"))}),
        {},
        TypeError,
    ),
    "wrong tuple length": (custom, (*PATHS, TABLE, SEQS), {}, ValueError),
    "key too long": (custom, (*PATHS, {"M": ["ATG"], "MK": []}, PLAIN_SEQS), {}, ValueError),
    "codon list is a str": (custom, (*PATHS, {"M": "ATG"}, PLAIN_SEQS), {}, TypeError),
    "codon item refused": (custom, (*PATHS, {"M": ["ATG", 1]}, PLAIN_SEQS), {}, TypeError),
    "taxa not a sequence": (iupac, ("RAT", {"GAT"}), {}, TypeError),
    # reports
    "bad table number": (tarnix, (*PATHS, 0, SEQS), {}, ValueError),
    "header mismatch": (tarnix, (*PATHS, 1, one("M", "ATG", nt_header="s2")), {}, ValueError),
    "length mismatch": (tarnix, (*PATHS, 1, one("MK", "ATG")), {}, ValueError),
    "sequence mismatch": (tarnix, (*PATHS, 1, one("MW", "ATGTGA")), {}, ValueError),
    "custom sequence mismatch": (
        custom,
        (*PATHS, TABLE, {"s1": (("s1", "MK"), ("s1", "ATGCCC"))}),
        {},
        ValueError,
    ),
    "missing residue": (custom, (*PATHS, {"M": []}, PLAIN_SEQS), {}, ValueError),
}

TOTAL_CALLS = 100_000
SETTLING_CALLS = 20_000  # after these, nothing may grow
TRACED_GROWTH_LIMIT = 64 * 1024
RESIDENT_GROWTH_LIMIT = 2 * 1024 * 1024

# The sanitizer holds freed memory back in quarantine, so the resident size grows anyway.
ASAN = "asan" in os.environ.get("LD_PRELOAD", "")


def mixed_calls(internal_fault, growing_seqs):
    """The calls in a fixed cycle: every case, then the internal fault."""
    calls = list(CASES.values())
    calls.append((lambda: tarnix(*PATHS, 1, growing_seqs()), (), {}, internal_fault))
    while True:
        yield from calls


def call_once(function, arguments, keywords, expected_error):
    try:
        function(*arguments, **keywords)
    except BaseException as error:
        if expected_error is None or not isinstance(error, expected_error):
            raise
    else:
        assert expected_error is None


def reachable(root):
    """The argument objects and everything inside their dicts, tuples and lists."""
    seen, pending = {}, [root]
    while pending:
        item = pending.pop()
        if id(item) in seen:
            continue
        seen[id(item)] = item
        if isinstance(item, dict):
            pending.extend(item.keys())
            pending.extend(item.values())
        elif isinstance(item, (tuple, list)):
            pending.extend(item)
    return list(seen.values())


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * resource.getpagesize()


def run_calls(calls, count):
    """At least `count` calls, in whole cycles: the module keeps the last custom table it
    converted, so reference counts compare only after the same call."""
    cycle = len(CASES) + 1
    for _ in range(-(-count // cycle) * cycle):
        call_once(*next(calls))


def test_many_mixed_calls_leak_nothing(internal_fault, growing_seqs):
    calls = mixed_calls(internal_fault, growing_seqs)
    watched = reachable([(arguments, keywords) for _, arguments, keywords, _ in CASES.values()])
    run_calls(calls, 20 * (len(CASES) + 1))
    gc.collect()
    counts = [sys.getrefcount(item) for item in watched]

    tracemalloc.start()
    try:
        run_calls(calls, SETTLING_CALLS)
        gc.collect()
        settled = tracemalloc.take_snapshot()
        traced_before = tracemalloc.get_traced_memory()[0]
        resident_before = resident_bytes()
        run_calls(calls, TOTAL_CALLS - SETTLING_CALLS)
        gc.collect()
        traced_growth = tracemalloc.get_traced_memory()[0] - traced_before
        resident_growth = resident_bytes() - resident_before
        grown = tracemalloc.take_snapshot().compare_to(settled, "lineno")[:5]
    finally:
        tracemalloc.stop()

    assert traced_growth < TRACED_GROWTH_LIMIT, "\n".join(map(str, grown))
    after = [sys.getrefcount(item) for item in watched]
    changed = [
        (repr(item)[:60], before, now)
        for item, before, now in zip(watched, counts, after, strict=False)
        if now != before
    ]
    assert changed == []
    if not ASAN:
        assert resident_growth < RESIDENT_GROWTH_LIMIT


# Native memory is not traced by tracemalloc.  Records view the caller's strings, so what a
# call allocates natively grows with the result and the walk's working memory; big records
# make a leak of either show in the resident size.
BIG_PEPTIDE = "M" * 200_000
BIG_NUCLEOTIDES = "ATG" * 200_000


@pytest.mark.skipif(ASAN, reason="the sanitizer's quarantine keeps freed memory resident")
@pytest.mark.parametrize(
    "seqs, expected_error",
    [
        ({"big": (("h", BIG_PEPTIDE), (0, "h", BIG_NUCLEOTIDES))}, None),
        ({"big": (("h", BIG_PEPTIDE), (0, "h", BIG_NUCLEOTIDES + "A"))}, ValueError),
        ({"big": (("h", BIG_PEPTIDE), (0, "h", BIG_NUCLEOTIDES)), "bad": None}, TypeError),
    ],
    ids=["result", "driver failure", "conversion failure"],
)
def test_native_memory_is_released(seqs, expected_error):
    for _ in range(5):
        call_once(tarnix, (*PATHS, 1, seqs), {}, expected_error)
    before = resident_bytes()
    for _ in range(200):
        call_once(tarnix, (*PATHS, 1, seqs), {}, expected_error)
    assert resident_bytes() - before < 64 * 1024 * 1024
