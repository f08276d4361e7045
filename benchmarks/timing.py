"""The timed calls: `tarnix`, `tarnix_original_args`, the copy floor and the plain-Python
walk, each in a pinned allocator state, and the statistics drawn from their samples."""

import ctypes
import gc
import statistics
import time

import pure_python
from datasets import check_outputs

import velbrin

MB = 1e6
STATES = ("warm", "cold")
TIMED = ("tarnix", "tarnix_original_args", "floor")
PURE = ("pure Python", "pure Python custom")


class Allocator:
    """Pins glibc malloc's thresholds (mallopt) so that no state depends on history."""

    M_TRIM_THRESHOLD, M_MMAP_THRESHOLD, M_MMAP_MAX = -1, -3, -4
    START_UP_THRESHOLD = 128 * 1024  # glibc's initial mmap and trim thresholds
    START_UP_MMAP_MAX = 65536

    def __init__(self):
        try:
            libc = ctypes.CDLL(None)
        except OSError:
            libc = None
        glibc = libc is not None and hasattr(libc, "mallopt") and hasattr(libc, "malloc_trim")
        self._libc = libc if glibc else None

    @property
    def controlled(self):
        return self._libc is not None

    def trim(self):
        if self._libc is not None:
            self._libc.malloc_trim(0)

    def enter(self, state):
        if self._libc is None:
            return
        mallopt = self._libc.mallopt
        if state == "warm":
            mallopt(self.M_MMAP_MAX, 0)
            mallopt(self.M_TRIM_THRESHOLD, 2**31 - 1)
        else:
            mallopt(self.M_MMAP_MAX, self.START_UP_MMAP_MAX)
            mallopt(self.M_MMAP_THRESHOLD, self.START_UP_THRESHOLD)
            mallopt(self.M_TRIM_THRESHOLD, self.START_UP_THRESHOLD)
        self.trim()


ALLOCATOR = Allocator()


def module_function(name, table_num, custom_table):
    """One call of the module's `name` on a `seqs` argument of the matching shape."""
    if name == "tarnix":
        return lambda seqs: velbrin.tarnix("bench", "aa.fa", "nt.fa", table_num, seqs)
    return lambda seqs: velbrin.tarnix_original_args("bench", "aa.fa", "nt.fa", custom_table, seqs)


def call_tarnix(workload):
    table_num = workload.table_num
    return [velbrin.tarnix("bench", "aa.fa", "nt.fa", table_num, seqs) for seqs in workload.calls]


def call_original_args(workload):
    table = workload.custom_table
    return [
        velbrin.tarnix_original_args("bench", "aa.fa", "nt.fa", table, seqs)
        for seqs in workload.calls_plain
    ]


def prepare_floor(workload):
    """Per call: the flat list of its input texts and a buffer of its result's size."""
    return [
        (workload.input_texts(call), workload.expected_text(call).encode("ascii"))
        for call in range(len(workload.calls))
    ]


def run_floor(prepared):
    outputs = []
    for texts, result_bytes in prepared:
        copies = list(map(str.encode, texts))  # one copy of every input text
        outputs.append(result_bytes.decode("ascii"))  # the result str
        del copies
    return outputs


def time_interleaved(functions, repeat, state):
    """{name: [seconds, ...]}: one untimed run each, then every function once per round.
    In the cold state every run starts with the free heap pages handed back."""
    ALLOCATOR.enter(state)
    for function in functions.values():
        function()
    samples = {name: [] for name in functions}
    for _ in range(repeat):
        for name, function in functions.items():
            gc.collect()
            if state == "cold":
                ALLOCATOR.trim()
            started = time.perf_counter()
            outputs = function()
            samples[name].append(time.perf_counter() - started)
            del outputs
    return samples


def leading_share(workload, budget_bytes):
    """The leading calls or records holding about `budget_bytes` of nucleotides:
    (calls, plain calls, expected, nucleotide bytes)."""
    if budget_bytes <= 0 or budget_bytes >= workload.nt_bytes:
        return workload.calls, workload.calls_plain, workload.expected, workload.nt_bytes
    calls, plain, expected, taken = [], [], [], 0
    for seqs, seqs_plain, wanted in zip(
        workload.calls, workload.calls_plain, workload.expected, strict=False
    ):
        calls.append({})
        plain.append({})
        expected.append({})
        for key, value in seqs.items():
            calls[-1][key] = value
            plain[-1][key] = seqs_plain[key]
            expected[-1][key] = wanted[key]
            taken += len(value[1][2])
            if taken >= budget_bytes:
                return calls, plain, expected, taken
    return calls, plain, expected, taken


def time_pure_python(workload, budget_bytes):
    calls, plain, expected, taken = leading_share(workload, budget_bytes)
    scale = workload.nt_bytes / taken if taken else 1.0
    result = {
        "share": taken / workload.nt_bytes if workload.nt_bytes else 1.0,
        "nt_bytes_timed": taken,
    }
    for name, run in (
        ("pure Python", lambda: [pure_python.tarnix(workload.table_num, s) for s in calls]),
        (
            "pure Python custom",
            lambda: [pure_python.tarnix_original_args(workload.custom_table, s) for s in plain],
        ),
    ):
        gc.collect()
        started = time.perf_counter()
        outputs = run()
        elapsed = time.perf_counter() - started
        result[name] = {
            "measured_seconds": elapsed,
            "seconds": elapsed * scale,
            "check": check_outputs(outputs, expected),
        }
        del outputs
    return result


def paired_ratio(times, reference_times):
    return statistics.median(t / r for t, r in zip(times, reference_times, strict=False))


def summarise(result):
    """Adds medians, best, MB/s, time per record and per call, and the ratios of each
    allocator state to a result."""
    nt, records, calls = result["nt_bytes"], result["records"], result["calls"]
    stats = {}
    for state in STATES:
        runs = result["samples"][state]
        entries = {
            name: {"median": statistics.median(runs[name]), "best": min(runs[name])}
            for name in TIMED
        }
        for name in PURE:
            seconds = result["pure_python"][name]["seconds"]
            entries[name] = {"median": seconds, "best": seconds}
        floor = entries["floor"]["median"]
        for name, entry in entries.items():
            entry["mb_per_s"] = nt / entry["median"] / MB
            entry["us_per_record"] = entry["median"] / records * 1e6
            entry["us_per_call"] = entry["median"] / calls * 1e6
            # Functions timed in the same round share that round's noise: their ratios
            # are taken round by round, then the median of those.
            entry["x_floor"] = (
                paired_ratio(runs[name], runs["floor"])
                if name in TIMED
                else entry["median"] / floor
            )
        entries["tarnix"]["x_pure_python"] = (
            entries["tarnix"]["median"] / entries["pure Python"]["median"]
        )
        entries["tarnix_original_args"]["x_pure_python"] = (
            entries["tarnix_original_args"]["median"] / entries["pure Python custom"]["median"]
        )
        entries["tarnix_original_args"]["x_tarnix"] = paired_ratio(
            runs["tarnix_original_args"], runs["tarnix"]
        )
        stats[state] = entries
    result["stats"] = stats
    return result
