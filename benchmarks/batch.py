"""Benchmark of `velbrin batch`: many generated gene families, 1 thread against 2.

    python3.14 benchmarks/batch.py --command build/bench/velbrin [--families N]
        [--repeat N] [--threads 1,2] [--cache DIR] [--out DIR] [--json PATH]

The families (by default 10,000 of 10 records of about 830 codons, lengths varying by
half either way: about 250 MB of nucleotides) come from workloads.py and are written
once into a cache folder under build/, one peptide file and one nucleotide file per
family; a later run with the same parameters reuses them.

Each thread count is run --repeat times in a fresh output folder (removed between runs,
outside the timing); the best wall time counts, process start included.  The peak
resident memory of each run is /usr/bin/time's maximum RSS of the command; its CPU
seconds (user + system) are shown beside the wall time, since on a busy machine the wall
time of two threads says more about the other processes than about the command.  Targets:
two threads at least 1.8 times the one-thread rate; peak memory at most
threads x (largest family's input + its output) + 50 MB.
"""

import argparse
import json
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

from workloads import generate  # noqa: E402 (found through the path above)

MB = 1e6
SPEEDUP_TARGET = 1.8
MEMORY_ALLOWANCE = 50 * 2**20
FASTA_WIDTH = 60


def wrapped(sequence):
    return "\n".join(sequence[i : i + FASTA_WIDTH] for i in range(0, len(sequence), FASTA_WIDTH))


def write_family(index, records, codons, peptides, nucleotides):
    name = f"fam{index:05d}"
    workload = generate(name, 1, records, codons, vary_length=True, seed=index)["clean"]
    peptide_text, nucleotide_text = [], []
    for (header, peptide), (_, nt_header, sequence) in workload.seqs.values():
        peptide_text.append(f">{header}\n{wrapped(peptide)}\n")
        nucleotide_text.append(f">{nt_header}\n{wrapped(sequence)}\n")
    (peptides / f"{name}.faa").write_text("".join(peptide_text))
    (nucleotides / f"{name}.fna").write_text("".join(nucleotide_text))
    return workload.nt_bytes


def family_set(cache, families, records, codons):
    """The cached family folders, generated when missing."""
    folder = cache / f"families-{families}x{records}x{codons}"
    if not (folder / "complete").exists():
        shutil.rmtree(folder, ignore_errors=True)
        peptides, nucleotides = folder / "peptides", folder / "nucleotides"
        peptides.mkdir(parents=True)
        nucleotides.mkdir()
        started = time.perf_counter()
        nt_bytes = 0
        for index in range(families):
            nt_bytes += write_family(index, records, codons, peptides, nucleotides)
            if index % 1000 == 999:
                print(f"  generated {index + 1} families", file=sys.stderr)
        (folder / "complete").write_text(f"{nt_bytes}\n")
        print(
            f"generated {families} families, {nt_bytes / MB:.0f} MB of nucleotides, "
            f"in {time.perf_counter() - started:.0f} s",
            file=sys.stderr,
        )
    return folder


def largest_family_bytes(folder, out):
    """Input plus output bytes of the family with the largest input."""
    sizes = {}
    for path in (folder / "peptides").iterdir():
        stem = path.stem
        sizes[stem] = path.stat().st_size + (folder / "nucleotides" / f"{stem}.fna").stat().st_size
    stem = max(sizes, key=sizes.get)
    return sizes[stem] + (out / f"{stem}.fa").stat().st_size


def run_once(command, folder, out, threads):
    shutil.rmtree(out, ignore_errors=True)
    with tempfile.NamedTemporaryFile("r") as report:
        args = [
            "/usr/bin/time",
            "-f",
            "%U %S %M",
            "-o",
            report.name,
            command,
            "batch",
            "--quiet",
            "--peptides",
            folder / "peptides",
            "--nucleotides",
            folder / "nucleotides",
            "--out-dir",
            out,
            "--threads",
            str(threads),
        ]
        started = time.perf_counter()
        result = subprocess.run(args, capture_output=True, text=True, check=False)
        seconds = time.perf_counter() - started
        if result.returncode != 0:
            sys.exit(f"batch failed ({result.returncode}): {result.stderr}")
        user, system, peak_kib = report.read().split()[-3:]
    return seconds, float(user) + float(system), int(peak_kib) * 1024


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--command", required=True, help="the velbrin executable")
    parser.add_argument("--families", type=int, default=10_000)
    parser.add_argument("--records", type=int, default=10)
    parser.add_argument("--codons", type=int, default=830)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--threads", default="1,2")
    parser.add_argument("--cache", type=Path, default=Path("build/bench-batch"))
    parser.add_argument(
        "--out",
        type=Path,
        help="output folder (default: out/ in the cache); a tmpfs one such as "
        "/dev/shm/velbrin-batch leaves the disk's file creation out",
    )
    parser.add_argument("--json", type=Path)
    return parser.parse_args(argv)


def main(argv):
    options = parse_arguments(argv)
    folder = family_set(options.cache, options.families, options.records, options.codons)
    nt_bytes = int((folder / "complete").read_text())
    out = options.out or options.cache / "out"
    results = {}
    for threads in map(int, options.threads.split(",")):
        runs = [run_once(options.command, folder, out, threads) for _ in range(options.repeat)]
        seconds, cpu, _ = min(runs)
        peak = max(run[2] for run in runs)
        limit = threads * largest_family_bytes(folder, out) + MEMORY_ALLOWANCE
        results[threads] = {
            "seconds": seconds,
            "cpu_seconds": cpu,
            "nt_mb_per_s": nt_bytes / MB / seconds,
            "peak_rss": peak,
            "memory_limit": limit,
        }
    shutil.rmtree(out, ignore_errors=True)

    print(
        f"velbrin batch: {options.families} families, {nt_bytes / MB:.0f} MB of nucleotides, "
        f"best of {options.repeat}"
    )
    print(
        f"{'threads':>7} {'seconds':>8} {'CPU s':>6} {'MB/s':>8} {'peak RSS MB':>12} "
        f"{'limit MB':>9}"
    )
    for threads, r in results.items():
        print(
            f"{threads:>7} {r['seconds']:>8.2f} {r['cpu_seconds']:>6.2f} {r['nt_mb_per_s']:>8.1f} "
            f"{r['peak_rss'] / MB:>12.1f} {r['memory_limit'] / MB:>9.1f}"
            f"  {'ok' if r['peak_rss'] <= r['memory_limit'] else 'OVER THE LIMIT'}"
        )
    if 1 in results and 2 in results:
        speedup = results[1]["seconds"] / results[2]["seconds"]
        verdict = "ok" if speedup >= SPEEDUP_TARGET else f"below the {SPEEDUP_TARGET}x target"
        print(f"2 threads: {speedup:.2f}x the 1-thread rate ({verdict})")
        results["speedup"] = speedup
    if options.json:
        options.json.write_text(json.dumps(results, indent=2) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
