"""Calls from many Python threads at once.

Concurrent calls on shared inputs give exactly what serial calls give.  A dict, list or
sequence that another thread changes while a call converts it gives a result, a
documented exception or the internal fault, never a crash.  The thread switch interval is
made tiny, and the inputs hold objects that run Python code during conversion, so that
threads change hands in the middle of calls also where an interpreter lock exists.
"""

import random
import subprocess
import sys
import textwrap
import threading
import time
from collections import Counter

import pytest

import velbrin

# The tsan stage selects this module by its marker.
pytestmark = pytest.mark.threads

THREADS = 12
ROUNDS = 20
JOIN_TIMEOUT = 300


class Number:
    """An integer whose conversion runs Python code."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class SlowNumber(Number):
    """Lingers in Python code, so that the other thread often runs mid-conversion."""

    def __index__(self):
        sum(range(200))
        return self.value


class Codons:
    """A sequence read through Python code, item by item."""

    def __init__(self, items, slow=False):
        self.items = items
        self.slow = slow

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        if self.slow:
            sum(range(200))
        return self.items[index]


CODE = {
    "A": "GCT",
    "C": "TGC",
    "D": "GAC",
    "E": "GAA",
    "F": "TTC",
    "G": "GGA",
    "H": "CAT",
    "I": "ATT",
    "K": "AAG",
    "L": "CTG",
    "M": "ATG",
    "N": "AAC",
    "P": "CCA",
    "Q": "CAG",
    "R": "CGT",
    "S": "TCA",
    "T": "ACC",
    "V": "GTG",
    "W": "TGG",
    "Y": "TAC",
}


def gene(records, length, seed):
    rng = random.Random(seed)
    seqs = {}
    for i in range(records):
        peptide = "".join(rng.choice([*list(CODE), "-"]) for _ in range(length))
        nucleotides = "".join(CODE.get(residue, "") for residue in peptide)
        seqs[f"r{i}"] = ((f"h{i}", peptide), (Number(i), f"h{i}", nucleotides))
    return seqs


def plain(seqs):
    return {key: (peptide, nucleotide[1:]) for key, (peptide, nucleotide) in seqs.items()}


GENE = gene(records=40, length=120, seed=1)
BROKEN = dict(GENE, r39=(("h39", "MW"), (Number(0), "h39", "ATGTGA")))
TABLE = {residue: Codons([codon, codon.lower()]) for residue, codon in CODE.items()} | {"*": []}

SHARED_CALLS = [
    (velbrin.tarnix, ("s", "dir/aa.fa", "dir/nt.fa", 1, GENE)),
    (velbrin.tarnix, ("s", "a", "n", Number(11), GENE)),
    (velbrin.tarnix, ("s", "a", "n", 1, BROKEN)),
    (velbrin.tarnix, ("s", "a", "n", 7, GENE)),
    (velbrin.tarnix, ("s", "a", "n", 1, {"k": (("h", "MK"), (0, "other", "ATGAAA"))})),
    (velbrin.tarnix, ("s", "a", "n", 1, {"k": (("h", "MK"), (0, "h", "ATG"))})),
    (velbrin.tarnix, ("s", "a", "n", 2**31, GENE)),
    (velbrin.tarnix, ("s", "a", "n", 1, {**GENE, "bad": (("h", "M"), ["h", "ATG"])})),
    (velbrin.tarnix_original_args, ("s", "a", "n", TABLE, plain(GENE))),
    (velbrin.tarnix_original_args, ("s", "a", "n", TABLE, plain(BROKEN))),
    (velbrin.tarnix_original_args, ("s", "a", "n", {"M": ["ATG"]}, plain(GENE))),
    (velbrin.tarnix_original_args, ("s", "a", "n", {"MK": []}, plain(GENE))),
    (velbrin.attempt_iupac_substitution, ("RAY", Codons(["CCC", "GAT", "GAC"]))),
    (velbrin.attempt_iupac_substitution, ("NNN", Codons(["XXX"]))),
    (velbrin.attempt_iupac_substitution, ("RAY", "GAT")),
]


def outcome(function, arguments):
    try:
        return "result", function(*arguments)
    except BaseException as error:
        return "raised", type(error), str(error), getattr(error, "__notes__", None)


def switch_interval(seconds):
    interval = sys.getswitchinterval()
    sys.setswitchinterval(seconds)
    yield
    sys.setswitchinterval(interval)


@pytest.fixture
def frequent_switches():
    yield from switch_interval(1e-6)


@pytest.fixture
def rare_switches():
    """A thread waiting for the interpreter lock gets it only when its holder lets go."""
    yield from switch_interval(60)


def run_threads(count, target):
    errors = []

    def guarded(n):
        try:
            target(n)
        except BaseException as error:
            errors.append(error)

    threads = [threading.Thread(target=guarded, args=(n,)) for n in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(JOIN_TIMEOUT)
    assert not any(thread.is_alive() for thread in threads), "a thread did not finish"
    assert errors == []


def test_concurrent_calls_on_shared_inputs_match_serial_calls(frequent_switches):
    expected = [outcome(*call) for call in SHARED_CALLS]
    assert {kind for kind, *_ in expected} == {"result", "raised"}
    seen = [None] * THREADS
    start = threading.Barrier(THREADS)

    def worker(n):
        order = list(range(len(SHARED_CALLS))) * ROUNDS
        random.Random(n).shuffle(order)
        start.wait()
        seen[n] = [(i, outcome(*SHARED_CALLS[i])) for i in order]

    run_threads(THREADS, worker)
    differing = [(i, got) for outcomes in seen for i, got in outcomes if got != expected[i]]
    assert differing[:3] == []


@pytest.fixture
def call_while_changing(internal_fault):
    def run(call, change, calls=1500):
        """`call` from this thread while another thread keeps calling `change`; the count of
        each kind of outcome."""
        stop = threading.Event()

        def changer():
            step = 0
            while not stop.is_set():
                change(step)
                step += 1

        thread = threading.Thread(target=changer)
        thread.start()
        kinds = Counter()
        try:
            for _ in range(calls):
                try:
                    result = call()
                except (ValueError, TypeError) as error:
                    kinds[type(error).__name__] += 1
                except internal_fault:
                    kinds["fault"] += 1
                else:
                    kinds["result"] += 1
                    yield result
        finally:
            stop.set()
            thread.join(JOIN_TIMEOUT)
        assert sum(kinds.values()) == calls, kinds

    return run


def record(i):
    return ((f"h{i}", "MK-"), (SlowNumber(i), f"h{i}", "ATGAAA"))


def test_seqs_changed_by_another_thread(frequent_switches, call_while_changing):
    seqs = {f"r{i}": record(i) for i in range(30)}

    def change(step):  # one change at a time, so the size differs between most steps
        action = step % 6
        if action == 0:
            seqs["extra"] = record(step)
        elif action in (1, 4):
            seqs["r0"] = record(step)
        elif action == 2:
            del seqs["extra"]
        elif action == 3:
            seqs["odd"] = None
        else:
            del seqs["odd"]

    for result in call_while_changing(lambda: velbrin.tarnix("s", "a", "n", 1, seqs), change):
        lines = result.split("\n")
        assert lines.pop() == ""
        assert all(line == "ATGAAA---" for line in lines[1::2])


def test_gene_table_and_its_codon_lists_changed_by_another_thread(
    frequent_switches, call_while_changing
):
    shared_list = ["AAA", "AAG"]
    table = {"M": ["ATG"], "K": Codons(shared_list, slow=True), "-": []}
    seqs = {"s1": (("h", "MK"), ("h", "ATGAAA"))}

    def change(step):
        action = step % 4
        if action == 0:
            table["W"] = ["TGG"]
        elif action == 1:
            shared_list.append("AAR")
        elif action == 2:
            del table["W"]
        else:
            del shared_list[2:]

    for result in call_while_changing(
        lambda: velbrin.tarnix_original_args("s", "a", "n", table, seqs), change
    ):
        assert result == "s1\nATGAAA\n"


def test_taxa_changed_by_another_thread(frequent_switches, call_while_changing):
    shared_list = ["CCC", "GAT"]
    taxa = Codons(shared_list, slow=True)

    def change(step):
        shared_list.insert(0, "TTT")
        if len(shared_list) > 10:
            del shared_list[:8]
        if step % 3 == 0:
            shared_list.append(5)
        elif step % 3 == 1 and 5 in shared_list:
            shared_list.remove(5)

    results = call_while_changing(lambda: velbrin.attempt_iupac_substitution("RAT", taxa), change)
    assert set(results) <= {"RAT", None}


def test_threads_racing_to_first_use_share_one_fault_type():
    """In a fresh interpreter the interned names and the fault type are made on first
    use; threads that all get there at once must end up with the same ones."""
    script = textwrap.dedent("""
        import sys, threading, velbrin
        sys.setswitchinterval(1e-6)
        count = 16
        start = threading.Barrier(count)
        types, notes = [None] * count, [None] * count

        def grow(seqs):
            class Growing:
                def __index__(self):
                    seqs["added"] = None
                    return 0
            return Growing()

        def worker(n):
            start.wait()
            try:
                velbrin.tarnix("s", "a", "n", "1", {})
            except TypeError as error:
                notes[n] = error.__notes__
            seqs = {}
            seqs["s"] = (("h", "M"), (grow(seqs), "h", "ATG"))
            try:
                velbrin.tarnix("s", "a", "n", 1, seqs)
            except BaseException as fault:
                types[n] = type(fault)

        threads = [threading.Thread(target=worker, args=(n,)) for n in range(count)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        assert len({id(t) for t in types}) == 1 and types[0].__bases__ == (BaseException,)
        assert notes == [["while processing 'table_num'"]] * count
        print("ok")
    """)
    finished = subprocess.run(
        [sys.executable, "-c", script], capture_output=True, text=True, timeout=JOIN_TIMEOUT
    )
    assert finished.returncode == 0, finished.stderr
    assert finished.stdout.strip() == "ok"


def large_family(records, codons, last_nucleotides=None):
    peptide, nucleotides = "MK" * (codons // 2), "ATGAAA" * (codons // 2)
    seqs = {f"r{i}": (("h", peptide), (0, "h", nucleotides)) for i in range(records)}
    if last_nucleotides is not None:
        seqs[f"r{records - 1}"] = (("h", peptide), (0, "h", last_nucleotides))
    return seqs


def stamp_when_set(event, stamps):
    event.wait()
    stamps.append(time.perf_counter())


@pytest.mark.parametrize("broken", [False, True], ids=["aligned", "last-record-fails"])
def test_another_thread_runs_while_a_large_family_is_aligned(broken, rare_switches):
    """A thread woken just before a large call gets to run before the call returns: the
    call lets go of the interpreter lock while it walks, and its outcome is unchanged."""
    seqs = large_family(records=1500, codons=3000, last_nucleotides="ATG" if broken else None)
    expected = "".join(f"{key}\n{'ATGAAA' * 1500}\n" for key in seqs)
    for _ in range(5):  # a busy machine may not wake the thread in time, now and then
        go, stamps = threading.Event(), []
        thread = threading.Thread(target=stamp_when_set, args=(go, stamps))
        thread.start()
        go.set()
        started = time.perf_counter()
        try:
            result = velbrin.tarnix("s", "a", "n", 1, seqs)
        except ValueError as error:
            result = error
        finished = time.perf_counter()
        thread.join(JOIN_TIMEOUT)
        if broken:
            assert isinstance(result, ValueError)
        else:
            assert result == expected
        if started < stamps[0] < finished:
            return
    pytest.fail("the other thread never ran during the call")


def fresh_codon_table():
    """A custom table whose lists hold the only references to their codon texts."""
    return {
        residue: ["".join(codon) for codon in codons]
        for residue, codons in {"M": ["ATG"], "K": ["AAA", "AAG"], "*": ["TAA"]}.items()
    }


@pytest.mark.parametrize("broken", [False, True], ids=["aligned", "last-record-fails"])
def test_codon_lists_emptied_during_a_large_call_leave_its_table_whole(broken, rare_switches):
    """A call that walks without the interpreter lock keeps the codon texts it converted:
    another thread that makes the module keep another table and empties the caller's
    lists then (freeing those texts) changes neither its result nor its report."""
    codons = 3000
    peptide, nucleotides = "MK" * (codons // 2), "ATGAAA" * (codons // 2)
    seqs = {f"r{i}": (("h", peptide), ("h", nucleotides)) for i in range(1500)}
    if broken:
        seqs["r1499"] = (("h", peptide), ("h", nucleotides[:-3] + "CCC"))
    call = velbrin.tarnix_original_args
    expected = outcome(call, ("s", "a", "n", fresh_codon_table(), seqs))
    table = fresh_codon_table()

    def empty_the_lists(go):
        go.wait()
        velbrin.tarnix_original_args("s", "a", "n", {"M": ["ATG"]}, {})
        for listed in table.values():
            listed.clear()

    go = threading.Event()
    thread = threading.Thread(target=empty_the_lists, args=(go,))
    thread.start()
    go.set()
    got = outcome(call, ("s", "a", "n", table, seqs))
    thread.join(JOIN_TIMEOUT)
    assert got == expected
    assert (expected[0] == "raised") == broken
