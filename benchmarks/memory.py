"""Peak memory of a dataset's calls: what tracemalloc sees (Python's allocators) and the
resident high-water mark, measured in a fresh process that holds nothing but the records.

    python3 memory.py PICKLE    the fresh process's side: prints its measurement as JSON
"""

import gc
import json
import pickle
import resource
import subprocess
import sys
import tempfile
import tracemalloc
from pathlib import Path

from timing import ALLOCATOR, MB, module_function

# Calls whose output is smaller than this are not judged: their peak is mostly page
# granularity and allocator slack.
JUDGED_OUTPUT_BYTES = 1 * MB


def status_kib(field):
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


def probe(pickle_path):
    """The child's side of `resident_peak`: one run in a process that holds nothing else."""
    with open(pickle_path, "rb") as source:
        name, table_num, custom_table, calls = pickle.load(source)
    run = each_call_keeping_last(module_function(name, table_num, custom_table), calls)
    gc.collect()
    ALLOCATOR.enter("cold")
    before = status_kib("VmRSS")
    exact = _reset_high_water_mark()
    result = run()
    peak = status_kib("VmHWM") if exact else resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
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
            [sys.executable, str(Path(__file__).resolve()), str(path)],
            capture_output=True,
            text=True,
            check=True,
        )
    measured = json.loads(completed.stdout)
    extra = (measured["peak_kib"] - measured["before_kib"]) * 1024
    return extra if measured["exact"] or extra > 0 else None


def memory_of_calls(workload, output_sizes):
    largest = max(
        range(len(output_sizes)),
        key=lambda call: workload.input_bytes[call] + 2 * output_sizes[call],
    )
    call_input, call_output = workload.input_bytes[largest], output_sizes[largest]
    memory = {}
    for name, calls in (("tarnix", workload.calls), ("tarnix_original_args", workload.calls_plain)):
        function = module_function(name, workload.table_num, workload.custom_table)
        memory[name] = {
            "tracemalloc_peak_bytes": tracemalloc_peak(each_call_keeping_last(function, calls)),
            "resident_peak_extra_bytes": resident_peak(name, workload, calls),
            "call_input_bytes": call_input,
            "call_output_bytes": call_output,
            "limit_bytes": call_input + 2 * call_output,
        }
    return memory


if __name__ == "__main__":
    sys.exit(probe(sys.argv[1]))
