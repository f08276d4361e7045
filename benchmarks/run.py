"""Benchmark of velbrin's codon-alignment calls against a copy floor and plain Python.

    PYTHONPATH=<build dir> python3.14 benchmarks/run.py [--sizes small,medium,large]
        [--repeat N] [--json PATH] [--quick] [--seed S] [--only GROUP,...] [--callgrind]

The datasets are in datasets.py, the timed calls and allocator states in timing.py, peak
memory in memory.py, the targets in targets.py and the printed tables in report.py.

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
import functools
import json
import os
import platform
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

try:
    import velbrin
except ImportError as error:  # a usage error
    sys.exit(
        f"run.py: cannot import velbrin ({error}); build it and put the build "
        "directory on PYTHONPATH, or run tools/toolchain tools/bench"
    )

# These import velbrin themselves, so they come after the check above.
import report  # noqa: E402
import targets  # noqa: E402
from datasets import GROUPS, SIZES, check_outputs, selected_groups  # noqa: E402
from memory import memory_of_calls  # noqa: E402
from timing import (  # noqa: E402
    ALLOCATOR,
    MB,
    PURE,
    STATES,
    call_original_args,
    call_tarnix,
    prepare_floor,
    run_floor,
    summarise,
    time_interleaved,
    time_pure_python,
)

DEFAULT_JSON = HERE.parent / "build" / "bench" / "benchmark.json"


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


def wrong_results(results):
    """(dataset, function, check) of every result that differs from the expected one."""
    return [
        (result["name"], name, check)
        for result in results
        for name, check in result["checks"].items()
        if check != "ok"
    ]


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
    arguments = parser.parse_args(argv)
    arguments.sizes = [size for size in arguments.sizes.split(",") if size]
    unknown = set(arguments.sizes) - set(SIZES)
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


def measure(arguments):
    """The summarised result of every selected dataset, progress on standard error."""
    pure_budget = 0.3 * MB if arguments.quick else 1.5 * MB
    results = []
    for group in selected_groups(arguments.sizes, arguments.only):
        started = time.perf_counter()
        ALLOCATOR.enter("cold")
        generated = group.generate(arguments.seed)
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
    return results


def main(argv=None):
    arguments = parse_arguments(argv)
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
    results = measure(arguments)
    print()
    report.print_timing_table(results)
    report.print_memory_table(results)
    report.print_family_and_genome_speed(results)
    judged = targets.evaluate(results)
    report.print_targets(judged)
    sys.stdout.flush()

    callgrind_result = None
    if arguments.callgrind:
        import callgrind

        callgrind_result = callgrind.measure(seed=arguments.seed)

    failures = wrong_results(results)
    report.print_wrong_results(failures)

    document = {
        "environment": env,
        "seed": arguments.seed,
        "repeat": arguments.repeat,
        "quick": arguments.quick,
        "datasets": results,
        "targets": judged,
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
