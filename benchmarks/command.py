"""Speed of the `velbrin align` command, file to file, process start included.

Writes a generated gene family of about 10 MB of nucleotides as FASTA files (plain and
gzip), then times with hyperfine (or, without it, a loop of runs):

- align, plain input: MB/s of nucleotides, and the ratio to an I/O floor: `cat` reading
  both inputs and writing a file of the result's size, in one shell;
- align, gzip input: MB/s of nucleotides;
- align of the bundled small family (examples/gene7_*): wall time.

    python3 benchmarks/command.py --command build/bench/velbrin [--runs N] [--json PATH]
"""

import argparse
import gzip
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import workloads

ROOT = Path(__file__).resolve().parents[1]
TARGETS = {
    "plain MB/s": (500, ">="),
    "x floor": (3.0, "<="),
    "gzip MB/s": (250, ">="),
    "small family ms": (5.0, "<="),
}


def wrapped(sequence, width=60):
    return "\n".join(sequence[i : i + width] for i in range(0, len(sequence), width))


def write_family(folder):
    """The family as two FASTA files (+ gzip copies); returns its nucleotide bytes."""
    family = workloads.generate("command", 1, 2700, 1280)["clean"]
    peptides, nucleotides = [], []
    for (header, peptide), (_, nt_header, bases) in family.seqs.values():
        peptides.append(f">{header}\n{wrapped(peptide)}\n")
        nucleotides.append(f">{nt_header}\n{wrapped(bases)}\n")
    for name, parts in (("pep.fa", peptides), ("nt.fa", nucleotides)):
        data = "".join(parts).encode()
        (folder / name).write_bytes(data)
        (folder / f"{name}.gz").write_bytes(gzip.compress(data, 6))
    return family.nt_bytes


def wall_times(result):
    """The run times of one hyperfine result, in its 1.x or 2.x export form."""
    if "times" in result:
        return result["times"]
    return [run["time_wall_clock"]["value"] for run in result["measurements"]]


def median_seconds(argv, runs, warmup, shell=False):
    """Median wall time of a command, with hyperfine where it is installed."""
    if shutil.which("hyperfine"):
        with tempfile.NamedTemporaryFile(suffix=".json") as export:
            command = argv if shell else " ".join(map(str, argv))
            subprocess.run(
                [
                    "hyperfine",
                    "--style",
                    "none",
                    "--shell=" + ("bash" if shell else "none"),
                    "--warmup",
                    str(warmup),
                    "--runs",
                    str(runs),
                    "--export-json",
                    export.name,
                    command,
                ],
                check=True,
                stdout=subprocess.DEVNULL,
            )
            return statistics.median(wall_times(json.load(open(export.name))["results"][0]))
    times = []
    for _ in range(warmup + runs):
        start = time.perf_counter()
        subprocess.run(argv, shell=shell, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return statistics.median(times[warmup:])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--command", default=str(ROOT / "build/bench/velbrin"))
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--json", help="write the results to this file")
    args = parser.parse_args()
    command = os.path.abspath(args.command)

    with tempfile.TemporaryDirectory() as name:
        folder = Path(name)
        nt_bytes = write_family(folder)
        align = [command, "align", folder / "pep.fa", folder / "nt.fa", "-o", folder / "out.fa"]
        subprocess.run(align, check=True)
        floor = (
            f"cat {folder}/pep.fa {folder}/nt.fa >/dev/null && "
            f"head -c {(folder / 'out.fa').stat().st_size} {folder}/nt.fa > {folder}/floor.out"
        )
        plain = median_seconds(align, args.runs, 3)
        floor_time = median_seconds(floor, args.runs, 3, shell=True)
        gz = median_seconds(
            [
                command,
                "align",
                folder / "pep.fa.gz",
                folder / "nt.fa.gz",
                "-o",
                folder / "out_gz.fa",
            ],
            args.runs,
            3,
        )
        small = median_seconds(
            [
                command,
                "align",
                ROOT / "examples/gene7_aa.fa",
                ROOT / "examples/gene7_nt.fa",
                "-o",
                folder / "small.fa",
            ],
            max(args.runs, 200),
            20,
        )

    results = {
        "nucleotide MB": nt_bytes / 1e6,
        "plain s": plain,
        "floor s": floor_time,
        "plain MB/s": nt_bytes / plain / 1e6,
        "x floor": plain / floor_time,
        "gzip s": gz,
        "gzip MB/s": nt_bytes / gz / 1e6,
        "small family ms": small * 1e3,
    }
    print(f"family: 2700 records x 1280 codons, {nt_bytes / 1e6:.1f} MB of nucleotides")
    for key, value in results.items():
        target = TARGETS.get(key)
        verdict = ""
        if target:
            limit, relation = target
            met = value >= limit if relation == ">=" else value <= limit
            verdict = f"  (target {relation} {limit}: {'met' if met else 'MISSED'})"
        print(f"  {key:16} {value:10.3f}{verdict}")
    if args.json:
        Path(args.json).write_text(json.dumps(results, indent=2))


if __name__ == "__main__":
    main()
