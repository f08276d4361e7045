"""Repeated calls, successful and failing, leave memory and reference counts as they were."""

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


class Growing:
    """Adds an entry to the dict being converted: an internal fault."""

    def __init__(self, seqs):
        self.seqs = seqs

    def __index__(self):
        self.seqs[len(self.seqs)] = None
        return 0


def fault_seqs():
    # A new dict per call, since the fault leaves the dict grown.
    seqs = {}
    seqs["s1"] = (("s1", "MK"), (Growing(seqs), "s1", "ATGAAA"))
    return seqs


# name: (call, arguments, the exception it raises or None)
CASES = {
    "tarnix result": (velbrin.tarnix, (*PATHS, 1, SEQS), None),
    "custom table result": (velbrin.tarnix_original_args, (*PATHS, TABLE, PLAIN_SEQS), None),
    "iupac match": (velbrin.attempt_iupac_substitution, ("RAT", ["CCC", "GAT"]), None),
    "iupac match on subclass": (velbrin.attempt_iupac_substitution, (Text("RAT"), ["GAT"]),
                                None),
    "iupac no match": (velbrin.attempt_iupac_substitution, ("RAT", ["CCC"]), None),
    "iupac lying length": (velbrin.attempt_iupac_substitution, ("RAT", Lying()), None),
    "bad table number": (velbrin.tarnix, (*PATHS, 0, SEQS), ValueError),
    "header mismatch": (velbrin.tarnix,
                        (*PATHS, 1, {"s1": (("s1", "M"), (0, "s2", "ATG"))}), ValueError),
    "missing residue": (velbrin.tarnix_original_args, (*PATHS, {"M": []}, PLAIN_SEQS),
                        ValueError),
    "too many positional": (velbrin.tarnix, (*PATHS, 1, SEQS, None), TypeError),
    "missing argument": (velbrin.attempt_iupac_substitution, ("RAT",), TypeError),
    "text refused": (velbrin.tarnix, (None, "a", "n", 1, SEQS), TypeError),
    "lone surrogate": (velbrin.tarnix, ("\ud800", "a", "n", 1, SEQS), UnicodeEncodeError),
    "number out of range": (velbrin.tarnix, (*PATHS, 2**31, SEQS), OverflowError),
    "late record refused": (velbrin.tarnix,
                            (*PATHS, 1, {**SEQS, "bad": (("b", "M"), ("0", "b", "ATG"))}),
                            TypeError),
    "wrong tuple length": (velbrin.tarnix_original_args, (*PATHS, TABLE, SEQS), ValueError),
    "key too long": (velbrin.tarnix_original_args, (*PATHS, {"M": ["ATG"], "MK": []},
                                                     PLAIN_SEQS), ValueError),
    "codon list is a str": (velbrin.tarnix_original_args, (*PATHS, {"M": "ATG"}, PLAIN_SEQS),
                            TypeError),
    "codon item refused": (velbrin.tarnix_original_args,
                           (*PATHS, {"M": ["ATG", 1]}, PLAIN_SEQS), TypeError),
    "taxa not a sequence": (velbrin.attempt_iupac_substitution, ("RAT", {"GAT"}), TypeError),
}

WARM_UP = 200
REPEATS = 10000
TRACED_GROWTH_LIMIT = 32 * 1024


def call_once(function, arguments, expected_error):
    try:
        function(*arguments)
    except BaseException as error:  # noqa: B036 - the internal fault is not an Exception
        if expected_error is None or not isinstance(error, expected_error):
            raise


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


@pytest.mark.parametrize("case", CASES)
def test_repeated_calls_keep_traced_memory_and_reference_counts(case):
    function, arguments, expected_error = CASES[case]
    watched = reachable(arguments)
    counts = [sys.getrefcount(item) for item in watched]
    for _ in range(WARM_UP):
        call_once(function, arguments, expected_error)
    gc.collect()
    tracemalloc.start()
    try:
        before = tracemalloc.get_traced_memory()[0]
        for _ in range(REPEATS):
            call_once(function, arguments, expected_error)
        gc.collect()
        growth = tracemalloc.get_traced_memory()[0] - before
    finally:
        tracemalloc.stop()
    assert growth < TRACED_GROWTH_LIMIT
    assert [sys.getrefcount(item) for item in watched] == counts


def test_internal_fault_leaks_nothing():
    for _ in range(WARM_UP):
        call_once(velbrin.tarnix, (*PATHS, 1, fault_seqs()), BaseException)
    gc.collect()
    tracemalloc.start()
    try:
        before = tracemalloc.get_traced_memory()[0]
        for _ in range(REPEATS):
            call_once(velbrin.tarnix, (*PATHS, 1, fault_seqs()), BaseException)
        gc.collect()
        growth = tracemalloc.get_traced_memory()[0] - before
    finally:
        tracemalloc.stop()
    assert growth < TRACED_GROWTH_LIMIT


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * resource.getpagesize()


# Native copies are not traced by tracemalloc; big records make a leak of them show in the
# resident size (each call copies about 1.2 MB).
BIG_PEPTIDE = "M" * 200_000
BIG_NUCLEOTIDES = "ATG" * 200_000


# The sanitizer holds freed memory back in quarantine, so the resident size grows anyway.
ASAN = "asan" in os.environ.get("LD_PRELOAD", "")


@pytest.mark.skipif(ASAN, reason="the sanitizer's quarantine keeps freed memory resident")
@pytest.mark.parametrize("seqs, expected_error", [
    ({"big": (("h", BIG_PEPTIDE), (0, "h", BIG_NUCLEOTIDES))}, None),
    ({"big": (("h", BIG_PEPTIDE), (0, "h", BIG_NUCLEOTIDES + "A"))}, ValueError),
    ({"big": (("h", BIG_PEPTIDE), (0, "h", BIG_NUCLEOTIDES)), "bad": None}, TypeError),
], ids=["result", "driver failure", "conversion failure"])
def test_native_copies_are_released(seqs, expected_error):
    for _ in range(5):
        call_once(velbrin.tarnix, (*PATHS, 1, seqs), expected_error)
    before = resident_bytes()
    for _ in range(200):
        call_once(velbrin.tarnix, (*PATHS, 1, seqs), expected_error)
    assert resident_bytes() - before < 64 * 1024 * 1024
