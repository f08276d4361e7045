"""Instructions per nucleotide of one `tarnix` call on medium-long/clean, under callgrind.

    PYTHONPATH=<build dir> python3.14 benchmarks/callgrind.py [--seed S] [--out DIR]
        [--toggle PATTERN] [--top N]

The dataset is generated here, outside valgrind, and handed to the measured process as a
pickle, so that generating it costs no simulated time.  Two measurements:

1. the call alone: callgrind collects only while the module's call entry (PATTERN,
   default "velbrin::lib::call_tarnix(*") runs; this covers argument conversion, the
   walk and building the result `str`.  Its profile is printed with callgrind_annotate;
2. the whole call as Python sees it: two runs of the same process, with and without the
   call, and the difference of their instruction counts (independent of symbol names;
   includes the interpreter's share of making the call and freeing the result).
"""

import argparse
import os
import pickle
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

DATASET = ("medium-long", 1, 2700, 1280)
DEFAULT_TOGGLE = "velbrin::lib::call_tarnix(*"
DEFAULT_OUT = HERE.parent / "build" / "bench" / "callgrind"


def _child(pickle_path, calls):
    """The measured process: load the records, then make `calls` tarnix calls."""
    import velbrin

    with open(pickle_path, "rb") as source:
        table_num, seqs = pickle.load(source)
    for _ in range(calls):
        result = velbrin.tarnix("bench", "aa.fa", "nt.fa", table_num, seqs)
        del result


def _total_instructions(out_file):
    text = Path(out_file).read_text()
    match = re.search(r"^(?:totals|summary):\s+(\d+)", text, re.MULTILINE)
    return int(match.group(1)) if match else 0


def _callgrind(out_file, pickle_path, calls, toggle=None):
    command = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out_file}"]
    if toggle:
        command += ["--collect-atstart=no", f"--toggle-collect={toggle}"]
    command += [
        sys.executable,
        str(Path(__file__).resolve()),
        "--child",
        str(pickle_path),
        "--calls",
        str(calls),
    ]
    environment = dict(os.environ, PYTHONHASHSEED="0")  # the same interpreter work in every run
    completed = subprocess.run(
        command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=environment
    )
    if completed.returncode != 0:
        raise RuntimeError(f"valgrind failed ({completed.returncode}):\n{completed.stderr[-2000:]}")
    return _total_instructions(out_file)


_SHORTER_NAMES = (
    (
        "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >",
        "std::string",
    ),
    ("std::basic_string_view<char, std::char_traits<char> >", "std::string_view"),
    ("[abi:cxx11]", ""),
)


def _shorten(line):
    for long_name, short_name in _SHORTER_NAMES:
        line = line.replace(long_name, short_name)
    # "[/path/to/object.so]" -> "[object.so]"
    return re.sub(r"\[(?:[^\]]*/)?([^/\]]+)\]$", r"[\1]", line)


def _annotate(out_file, total, top, inclusive):
    """The head of callgrind_annotate's function list; in the inclusive list, the
    interpreter's frames that merely enclose the call are left out."""
    command = [
        "callgrind_annotate",
        f"--inclusive={'yes' if inclusive else 'no'}",
        "--threshold=100",
        str(out_file),
    ]
    completed = subprocess.run(command, capture_output=True, text=True)
    if completed.returncode != 0:
        return completed.stderr
    lines = completed.stdout.splitlines()
    try:
        start = next(i for i, line in enumerate(lines) if "file:function" in line)
    except StopIteration:
        return completed.stdout
    body = []
    for line in lines[start + 1 :]:
        if not line.strip() or line.startswith("--"):
            continue
        if not re.match(r"\s*[\d,]+ ", line):
            break  # the end of the function list
        count = int(line.split()[0].replace(",", ""))
        if inclusive and count == total and "velbrin" not in line:
            continue
        body.append(_shorten(line))
    return "\n".join([lines[start], *body[:top]])


def measure(seed=1, out_dir=DEFAULT_OUT, toggle=DEFAULT_TOGGLE, top=20):
    """Runs the measurements, prints them, and returns them as a dict."""
    import workloads

    if shutil.which("valgrind") is None:
        print("callgrind: valgrind is not installed; skipped")
        return None
    name, genes, records, codons = DATASET
    workload = workloads.generate(name, genes, records, codons, seed=seed)["clean"]
    nt_bytes = workload.nt_bytes
    out_dir = Path(out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        pickle_path = Path(scratch) / "records.pickle"
        with open(pickle_path, "wb") as sink:
            pickle.dump((workload.table_num, workload.seqs), sink, protocol=pickle.HIGHEST_PROTOCOL)
        del workload
        call_file = out_dir / "callgrind.out.tarnix-call"
        call_only = _callgrind(call_file, pickle_path, 1, toggle)
        with_call = _callgrind(out_dir / "callgrind.out.with-call", pickle_path, 1)
        without_call = _callgrind(out_dir / "callgrind.out.without-call", pickle_path, 0)
    difference = with_call - without_call
    result = {
        "dataset": f"{name}/clean",
        "nt_bytes": nt_bytes,
        "toggle": toggle,
        "call_instructions": call_only,
        "call_instructions_per_nt": call_only / nt_bytes,
        "process_difference_instructions": difference,
        "process_difference_per_nt": difference / nt_bytes,
        "profile_file": str(call_file),
    }
    if call_only:
        result["top_self"] = _annotate(call_file, call_only, top, inclusive=False).splitlines()
        result["top_inclusive"] = _annotate(call_file, call_only, top, inclusive=True).splitlines()
    print()
    print(
        f"Instruction count of one tarnix call on {name}/clean ({nt_bytes / 1e6:.2f} MB of nucleotides)"
    )
    if call_only:
        print(
            f"  call entry alone ({toggle}): {call_only:,} instructions,"
            f" {call_only / nt_bytes:.2f} per nucleotide"
        )
    else:
        print(f"  the toggle pattern {toggle!r} matched nothing; see the difference below")
    print(
        f"  process with call - process without: {difference:,} instructions,"
        f" {difference / nt_bytes:.2f} per nucleotide"
    )
    if call_only:
        print()
        print(f"Top functions by own instructions (callgrind_annotate {call_file}):")
        print("\n".join(result["top_self"]))
        print()
        print("Top functions by inclusive instructions:")
        print("\n".join(result["top_inclusive"]))
    return result


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--out", default=str(DEFAULT_OUT), help="directory for the callgrind files")
    parser.add_argument(
        "--toggle", default=DEFAULT_TOGGLE, help="callgrind --toggle-collect pattern"
    )
    parser.add_argument("--top", type=int, default=20)
    parser.add_argument("--child", help=argparse.SUPPRESS)
    parser.add_argument("--calls", type=int, default=1, help=argparse.SUPPRESS)
    arguments = parser.parse_args(argv)
    if arguments.child:
        _child(arguments.child, arguments.calls)
        return 0
    return 0 if measure(arguments.seed, arguments.out, arguments.toggle, arguments.top) else 1


if __name__ == "__main__":
    sys.exit(main())
