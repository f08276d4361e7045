"""Benchmark of velbrin's codon-alignment calls against a copy floor and plain Python.

    PYTHONPATH=<build dir> python3.14 benchmarks/run.py [--sizes small,medium,large]
        [--repeat N] [--json PATH] [--quick] [--seed S] [--only GROUP,...] [--callgrind]

For every dataset, in one process: `tarnix` and `tarnix_original_args` (median and best
of --repeat runs, interleaved round by round so that noise hits all alike), the floor
(below), and the pure-Python walk of pure_python.py (run once, on a leading share of the
records when the dataset is large: its time is scaled to the whole dataset and the
table says so).  Every output is checked against the expected alignment, and the peak
memory of one call is measured.  Prints the tables and writes everything as JSON.

The floor is the least work any implementation with this interface must do: one copy
of the bytes of every input `str` (`str.encode`, which for ASCII text is an allocation
and a memcpy), plus building the output `str` from a prebuilt buffer of the result's
size (`bytes.decode("ascii")`: one check-and-copy pass, as the module's own conversion
of its result does).  Per call the floor walks a flat list of the input texts, so it
does not pay for reading the dict and its tuples.

Allocator state.  With megabytes per call, what glibc's malloc does with freed memory
weighs as much as the work itself: memory handed back to the system must be faulted in
again, page by page, by the next call.  glibc adapts its thresholds to the history of
the process, which would make each dataset's numbers depend on the ones run before it,
so every function is timed in two pinned states:

- warm: freed memory stays in the process (no mmap, no trimming): the cost of the work
  itself, as in a pipeline that keeps calling;
- cold: glibc's start-up thresholds, held fixed, and before every run the free heap
  pages are handed back (malloc_trim): every run faults in all the memory it writes,
  as the first call of a process does.

The targets are judged on the warm medians; the cold ones are printed beside them.

Peak memory: `tracemalloc` sees only allocations made through Python's allocators (in
practice the result `str`); the module's C++ allocations are invisible to it.  The
resident side is measured in a fresh process per dataset and function, which loads the
records from a pickle (so that its heap holds nothing but them), pins the cold state,
resets the high-water mark (writing "5" to /proc/self/clear_refs; where that is refused,
ru_maxrss stands in), runs the call(s), and reports VmHWM minus the VmRSS before.  The
limit it is compared with is the input texts plus twice the output.
"""

import argparse
import ctypes
import functools
import gc
import json
import os
import pickle
import platform
import resource
import statistics
import subprocess
import sys
import tempfile
import time
import tracemalloc
from dataclasses import dataclass
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import pure_python  # noqa: E402
import workloads  # noqa: E402

try:
    import velbrin
except ImportError as error:  # a usage error
    sys.exit(
        f"run.py: cannot import velbrin ({error}); build it and put the build "
        "directory on PYTHONPATH, or run tools/toolchain tools/bench"
    )

MB = 1e6
DEFAULT_JSON = HERE.parent / "build" / "bench" / "benchmark.json"
STATES = ("warm", "cold")
TIMED = ("tarnix", "tarnix_original_args", "floor")
PURE = ("pure Python", "pure Python custom")


@dataclass(frozen=True)
class DatasetGroup:
    size: str
    name: str
    genes: int
    records_per_gene: int
    codons: int
    table_num: int = 1
    variants: tuple = ("clean",)
    vary_length: bool = False
    description: str = ""


GROUPS = [
    DatasetGroup(
        "small",
        "small-400",
        1,
        50,
        400,
        1,
        ("clean", "iupac", "lower"),
        description="one family, 50 records x 400 codons",
    ),
    DatasetGroup(
        "small",
        "small-400-t2",
        1,
        50,
        400,
        2,
        description="one family, 50 records x 400 codons, table 2",
    ),
    DatasetGroup(
        "small",
        "family-200x1000",
        1,
        200,
        1000,
        description="one family, 200 records x 1,000 codons",
    ),
    DatasetGroup(
        "medium",
        "medium-long",
        1,
        2700,
        1280,
        1,
        ("clean", "iupac", "lower"),
        description="one family, 2,700 records x 1,280 codons",
    ),
    DatasetGroup(
        "medium",
        "medium-long-t2",
        1,
        2700,
        1280,
        2,
        description="one family, 2,700 records x 1,280 codons, table 2",
    ),
    DatasetGroup(
        "medium",
        "medium-short",
        1,
        30000,
        110,
        description="one family, 30,000 records x 110 codons",
    ),
    DatasetGroup(
        "medium",
        "genome-by-gene",
        20000,
        3,
        400,
        vary_length=True,
        description="20,000 genes x 3 records x 200-600 codons, one call per gene",
    ),
    DatasetGroup(
        "large",
        "large-long",
        1,
        26000,
        1280,
        1,
        ("clean", "iupac"),
        description="one family, 26,000 records x 1,280 codons",
    ),
    DatasetGroup(
        "large",
        "large-short",
        1,
        300000,
        110,
        description="one family, 300,000 records x 110 codons",
    ),
]


# ---------------------------------------------------------------- allocator states


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


# ---------------------------------------------------------------- the timed calls


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


# ---------------------------------------------------------------- correctness


def parse_alignment(text):
    """{key: codon line} of a result text, or None when it is not key/line pairs."""
    if text and not text.endswith("\n"):
        return None
    lines = text.split("\n")[:-1]
    if len(lines) % 2:
        return None
    parsed = dict(zip(lines[0::2], lines[1::2], strict=False))
    return parsed if 2 * len(parsed) == len(lines) else None


def check_outputs(outputs, expected):
    """ "ok" or a short description of the first difference."""
    if len(outputs) != len(expected):
        return f"{len(outputs)} results for {len(expected)} calls"
    for call, (text, wanted) in enumerate(zip(outputs, expected, strict=False)):
        got = parse_alignment(text)
        if got is None:
            return f"call {call}: result is not key/codon-line pairs"
        if got != wanted:
            missing = wanted.keys() - got.keys()
            if missing:
                return f"call {call}: {len(missing)} records missing, e.g. {min(missing)}"
            if got.keys() - wanted.keys():
                return f"call {call}: unexpected records"
            key = next(k for k in wanted if got[k] != wanted[k])
            return f"call {call}: record {key} differs"
    return "ok"


# ---------------------------------------------------------------- plain Python


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


# ---------------------------------------------------------------- memory


def _status_kib(field):
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    raise LookupError(field)


def _reset_high_water_mark():
    try:
        with open("/proc/self/clear_refs", "w") as clear_refs:
            clear_refs.write("5")
        return True
    except OSError:
        return False


def _functions_by_name(name, table_num, custom_table):
    if name == "tarnix":
        return lambda seqs: velbrin.tarnix("bench", "aa.fa", "nt.fa", table_num, seqs)
    return lambda seqs: velbrin.tarnix_original_args("bench", "aa.fa", "nt.fa", custom_table, seqs)


def each_call_keeping_last(function, calls):
    """Runs every call, keeping only the latest result alive, as a pipeline would."""

    def run():
        result = None
        for arguments in calls:
            result = None
            result = function(arguments)
        return result

    return run


def tracemalloc_peak(run):
    gc.collect()
    tracemalloc.start()
    result = run()
    peak = tracemalloc.get_traced_memory()[1]
    tracemalloc.stop()
    del result
    return peak


def memory_probe(pickle_path):
    """The child's side of `resident_peak`: one run in a process that holds nothing else."""
    with open(pickle_path, "rb") as source:
        name, table_num, custom_table, calls = pickle.load(source)
    run = each_call_keeping_last(_functions_by_name(name, table_num, custom_table), calls)
    gc.collect()
    ALLOCATOR.enter("cold")
    before = _status_kib("VmRSS")
    exact = _reset_high_water_mark()
    result = run()
    peak = _status_kib("VmHWM") if exact else resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    del result
    print(json.dumps({"before_kib": before, "peak_kib": peak, "exact": exact}))
    return 0


def resident_peak(name, workload, calls):
    """Peak extra resident bytes of running `calls`, measured in a fresh process that
    loads them from a pickle (a process whose heap holds nothing but the records).
    None when the peak cannot be told apart from the loading's."""
    with tempfile.TemporaryDirectory() as scratch:
        path = Path(scratch) / "calls.pickle"
        with open(path, "wb") as sink:
            pickle.dump(
                (name, workload.table_num, workload.custom_table, calls),
                sink,
                protocol=pickle.HIGHEST_PROTOCOL,
            )
        completed = subprocess.run(
            [sys.executable, str(Path(__file__).resolve()), "--memory-probe", str(path)],
            capture_output=True,
            text=True,
            check=True,
        )
    probe = json.loads(completed.stdout)
    extra = (probe["peak_kib"] - probe["before_kib"]) * 1024
    return extra if probe["exact"] or extra > 0 else None


def memory_of_calls(workload, output_sizes):
    largest = max(
        range(len(output_sizes)),
        key=lambda call: workload.input_bytes[call] + 2 * output_sizes[call],
    )
    call_input, call_output = workload.input_bytes[largest], output_sizes[largest]
    memory = {}
    for name, calls in (("tarnix", workload.calls), ("tarnix_original_args", workload.calls_plain)):
        function = _functions_by_name(name, workload.table_num, workload.custom_table)
        memory[name] = {
            "tracemalloc_peak_bytes": tracemalloc_peak(each_call_keeping_last(function, calls)),
            "resident_peak_extra_bytes": resident_peak(name, workload, calls),
            "call_input_bytes": call_input,
            "call_output_bytes": call_output,
            "limit_bytes": call_input + 2 * call_output,
        }
    return memory


# ---------------------------------------------------------------- one dataset


def bench_dataset(workload, repeat, pure_budget):
    prepared_floor = prepare_floor(workload)
    outputs = {
        "tarnix": call_tarnix(workload),
        "tarnix_original_args": call_original_args(workload),
    }
    checks = {name: check_outputs(texts, workload.expected) for name, texts in outputs.items()}
    checks["floor"] = check_outputs(run_floor(prepared_floor), workload.expected)
    output_sizes = [len(text) for text in outputs["tarnix"]]
    del outputs

    functions = {
        "tarnix": lambda: call_tarnix(workload),
        "tarnix_original_args": lambda: call_original_args(workload),
        "floor": functools.partial(run_floor, prepared_floor),
    }
    samples = {}
    for state in STATES:
        samples[state] = time_interleaved(functions, repeat, state)
    del prepared_floor, functions  # the allocator stays cold for what follows

    pure = time_pure_python(workload, pure_budget)
    for name in PURE:
        checks[name] = pure[name]["check"]

    return {
        "name": workload.name,
        "description": workload.description,
        "table_num": workload.table_num,
        "calls": len(workload.calls),
        "records": workload.records,
        "codons_per_record": workload.codons_per_record,
        "nt_bytes": workload.nt_bytes,
        "input_bytes": sum(workload.input_bytes),
        "output_bytes": sum(output_sizes),
        "samples": samples,
        "pure_python": pure,
        "memory": memory_of_calls(workload, output_sizes),
        "checks": checks,
    }


def paired_ratio(times, reference_times):
    return statistics.median(t / r for t, r in zip(times, reference_times, strict=False))


def summarise(result):
    """Adds medians, best, MB/s and the ratios of each allocator state to a result."""
    nt, records = result["nt_bytes"], result["records"]
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


# ---------------------------------------------------------------- printing


def _ratio(value):
    """A time ratio; far below 1 as "1/n" (n times faster)."""
    if value is None:
        return "-"
    return f"{value:.2f}" if value >= 0.2 else f"1/{1 / value:.0f}"


def _mb(value):
    return "n/a" if value is None else f"{value / MB:.2f}"


def print_timing_table(results):
    header = (
        f"{'dataset':<22} {'records':>7} {'cod/rec':>7} {'nt MB':>6}  {'function':<25}"
        f" | {'warm s':>9} {'MB/s':>7} {'x floor':>7} | {'cold s':>9} {'MB/s':>7} {'x floor':>7}"
        f" | {'x pure Py':>9} {'us/rec':>8}  check"
    )
    print(header)
    print("-" * len(header))
    for result in results:
        warm, cold = result["stats"]["warm"], result["stats"]["cold"]
        lead = (
            f"{result['name']:<22} {result['records']:>7} {result['codons_per_record']:>7}"
            f" {result['nt_bytes'] / MB:>6.2f}"
        )
        for name in TIMED + PURE:
            label = name
            if name in PURE:
                share = result["pure_python"]["share"]
                label += "" if share >= 1 else f" [{share * 100:.2g}%]"
                cold_columns = f"{'':>9} {'':>7} {'':>7}"
            else:
                cold_columns = (
                    f"{cold[name]['median']:>9.6f} {cold[name]['mb_per_s']:>7.0f}"
                    f" {_ratio(cold[name]['x_floor']):>7}"
                )
            entry = warm[name]
            print(
                f"{lead}  {label:<25} | {entry['median']:>9.6f} {entry['mb_per_s']:>7.1f}"
                f" {_ratio(entry['x_floor']):>7} | {cold_columns} | {_ratio(entry.get('x_pure_python')):>9}"
                f" {entry['us_per_record']:>8.3f}  {result['checks'][name]}"
            )
            lead = " " * len(lead)
    print()
    print(
        "Seconds are medians of the timed runs (bests in the JSON), in the warm and the cold allocator"
    )
    print(
        "state (see run.py).  x floor = median over the rounds of time / floor time of the same round."
    )
    print(
        "Pure Python runs once; [n%] means it ran on that leading share of the records and its time"
    )
    print(
        "is scaled to the whole dataset.  x pure Py = warm median / pure-Python time (1/n: n times"
    )
    print("faster).  us/rec from the warm median.  MB = 10^6 bytes of nucleotides.")


def print_memory_table(results):
    print()
    print("Peak memory of a call, cold allocator (by-gene datasets: their largest call)")
    header = (
        f"{'dataset':<22} {'function':<22} {'input MB':>9} {'output MB':>9}"
        f" {'peak extra MB':>13} {'limit MB':>9} {'x limit':>8} {'tracemalloc MB':>14}"
    )
    print(header)
    print("-" * len(header))
    for result in results:
        for name, memory in result["memory"].items():
            extra, limit = memory["resident_peak_extra_bytes"], memory["limit_bytes"]
            ratio = "n/a" if extra is None else f"{extra / limit:.2f}"
            print(
                f"{result['name']:<22} {name:<22} {memory['call_input_bytes'] / MB:>9.2f}"
                f" {memory['call_output_bytes'] / MB:>9.2f} {_mb(extra):>13} {limit / MB:>9.2f}"
                f" {ratio:>8} {memory['tracemalloc_peak_bytes'] / MB:>14.2f}"
            )
    print("peak extra = VmHWM during the call - VmRSS before it (module and Python allocations);")
    print("limit = input texts + 2 x output; tracemalloc sees only Python-side allocations.  Below")
    print(
        "1 MB of output a call's peak is mostly page granularity and allocator slack: not judged."
    )


def evaluate_targets(results):
    by_name = {result["name"]: result for result in results}
    targets = []

    def add(description, metric, unit, limit, at_most=True):
        warm, cold = metric("warm"), metric("cold")
        passed = warm <= limit if at_most else warm >= limit
        targets.append(
            {
                "target": description,
                "warm": warm,
                "cold": cold,
                "unit": unit,
                "limit": limit,
                "passed": passed,
            }
        )

    clean = by_name.get("medium-long/clean")
    if clean:
        add(
            "tarnix on medium-long/clean >= 1 GB/s of nucleotides",
            lambda s: clean["stats"][s]["tarnix"]["mb_per_s"],
            "MB/s",
            1000,
            at_most=False,
        )
    for result in results:
        limit = 2 if result["name"] == "medium-long/clean" else 3
        if result["codons_per_record"] >= 1000 or result["name"] == "medium-short/clean":
            add(
                f"tarnix <= {limit}x floor on {result['name']}",
                lambda s, r=result: r["stats"][s]["tarnix"]["x_floor"],
                "x floor",
                limit,
            )
    for result in results:
        add(
            f"tarnix_original_args <= 1.5x tarnix on {result['name']}",
            lambda s, r=result: r["stats"][s]["tarnix_original_args"]["x_tarnix"],
            "x tarnix",
            1.5,
        )
    short = by_name.get("medium-short/clean")
    if short and clean:

        def overhead(state):
            # What the short records cost beyond their bytes, charged at the long records' rate.
            per_byte = clean["stats"][state]["tarnix"]["median"] / clean["nt_bytes"]
            extra = short["stats"][state]["tarnix"]["median"] - per_byte * short["nt_bytes"]
            return extra / short["records"] * 1e6

        add(
            "per-record overhead of tarnix (medium-short against medium-long) <= 0.15 us",
            overhead,
            "us",
            0.15,
        )
    memory_targets = []
    for result in results:
        for name, memory in result["memory"].items():
            extra = memory["resident_peak_extra_bytes"]
            if extra is not None and memory["call_output_bytes"] >= 1 * MB:
                ratio = extra / memory["limit_bytes"]
                memory_targets.append(
                    {
                        "target": f"peak extra memory of {name} on {result['name']} <= inputs + 2x output",
                        "cold": ratio,
                        "unit": "x limit",
                        "limit": 1.0,
                        "passed": ratio <= 1.0,
                    }
                )
    return targets + memory_targets


def print_targets(targets):
    print()
    print("Targets, judged on warm medians (cold in brackets); 2 noisy cores: read the ratios")
    for target in targets:
        mark = "PASS" if target["passed"] else "FAIL"
        if "warm" in target:
            value = f"{target['warm']:.3g} {target['unit']} (cold {target['cold']:.3g})"
        else:
            value = f"{target['cold']:.3g} {target['unit']} (cold allocator)"
        print(f"  [{mark}] {target['target']}: {value}; limit {target['limit']:g}")


def print_earlier_issue_lines(results):
    lines = []
    for result in results:
        if result["name"] in ("family-200x1000/clean", "genome-by-gene/clean"):
            warm, cold = result["stats"]["warm"]["tarnix"], result["stats"]["cold"]["tarnix"]
            lines.append(
                f"  tarnix on {result['name']} ({result['description']}):"
                f" {warm['mb_per_s']:.1f} MB/s of nucleotides, {warm['us_per_record']:.3f} us"
                f" per record (cold: {cold['mb_per_s']:.1f} MB/s, {cold['us_per_record']:.3f} us)"
            )
    if lines:
        print()
        print("Gene family and genome-scale batch")
        print("\n".join(lines))


# ---------------------------------------------------------------- main


def environment():
    cpu = "unknown"
    try:
        with open("/proc/cpuinfo") as info:
            cpu = next(
                line.split(":", 1)[1].strip() for line in info if line.startswith("model name")
            )
    except (OSError, StopIteration):
        pass
    return {
        "python": sys.version.split()[0],
        "platform": platform.platform(),
        "cpu": cpu,
        "cpus": os.cpu_count(),
        "load_average": os.getloadavg(),
        "module": velbrin.__file__,
        "allocator_controlled": ALLOCATOR.controlled,
    }


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument(
        "--sizes",
        default="small,medium",
        help="comma-separated: small, medium, large (large needs a few GB)",
    )
    parser.add_argument(
        "--repeat",
        type=int,
        default=None,
        help="timed runs per function and allocator state (default 7; 3 with --quick)",
    )
    parser.add_argument("--json", default=str(DEFAULT_JSON), help="where to write the results")
    parser.add_argument(
        "--quick", action="store_true", help="fewer runs and a smaller share for pure Python"
    )
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument(
        "--only",
        default="",
        help="comma-separated dataset groups to run, e.g. medium-long,medium-short",
    )
    parser.add_argument(
        "--callgrind",
        action="store_true",
        help="also count the instructions of one tarnix call on medium-long/clean",
    )
    parser.add_argument("--memory-probe", help=argparse.SUPPRESS)
    arguments = parser.parse_args(argv)
    arguments.sizes = [size for size in arguments.sizes.split(",") if size]
    unknown = set(arguments.sizes) - {"small", "medium", "large"}
    if unknown:
        parser.error(f"unknown sizes: {', '.join(sorted(unknown))}")
    arguments.only = {name for name in arguments.only.split(",") if name}
    unknown = arguments.only - {group.name for group in GROUPS}
    if unknown:
        parser.error(f"unknown dataset groups: {', '.join(sorted(unknown))}")
    if arguments.repeat is None:
        arguments.repeat = 3 if arguments.quick else 7
    if arguments.repeat < 1:
        parser.error("--repeat must be at least 1")
    return arguments


def main(argv=None):
    arguments = parse_arguments(argv)
    if arguments.memory_probe:
        return memory_probe(arguments.memory_probe)
    pure_budget = 0.3 * MB if arguments.quick else 1.5 * MB
    env = environment()
    print(
        f"velbrin benchmark: Python {env['python']}, {env['cpus']} CPUs ({env['cpu']}),"
        f" load {env['load_average'][0]:.2f}"
    )
    print(
        f"module {env['module']}; seed {arguments.seed}; {arguments.repeat} timed runs per function"
        " and allocator state"
    )
    if not ALLOCATOR.controlled:
        print("(malloc thresholds could not be pinned: warm and cold are the same state)")
    print(flush=True)
    results = []
    for group in GROUPS:
        if group.size not in arguments.sizes or (
            arguments.only and group.name not in arguments.only
        ):
            continue
        started = time.perf_counter()
        ALLOCATOR.enter("cold")
        generated = workloads.generate(
            group.name,
            group.genes,
            group.records_per_gene,
            group.codons,
            group.table_num,
            group.variants,
            arguments.seed,
            group.vary_length,
            group.description,
        )
        print(
            f"  generated {group.name} ({', '.join(group.variants)}) in"
            f" {time.perf_counter() - started:.1f} s",
            file=sys.stderr,
            flush=True,
        )
        for variant in group.variants:
            workload = generated.pop(variant)
            started = time.perf_counter()
            results.append(summarise(bench_dataset(workload, arguments.repeat, pure_budget)))
            print(
                f"  measured {workload.name} in {time.perf_counter() - started:.1f} s",
                file=sys.stderr,
                flush=True,
            )
            del workload
        del generated
    print()
    print_timing_table(results)
    print_memory_table(results)
    print_earlier_issue_lines(results)
    targets = evaluate_targets(results)
    print_targets(targets)
    sys.stdout.flush()

    callgrind_result = None
    if arguments.callgrind:
        import callgrind

        callgrind_result = callgrind.measure(seed=arguments.seed)

    failures = [
        (result["name"], name, check)
        for result in results
        for name, check in result["checks"].items()
        if check != "ok"
    ]
    if failures:
        print()
        print("WRONG RESULTS:")
        for name, function, check in failures:
            print(f"  {name} {function}: {check}")

    document = {
        "environment": env,
        "seed": arguments.seed,
        "repeat": arguments.repeat,
        "quick": arguments.quick,
        "datasets": results,
        "targets": targets,
        "callgrind": callgrind_result,
    }
    path = Path(arguments.json)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(json.dumps(document, indent=1))
    print()
    print(f"results written to {os.path.relpath(path)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
