"""Speed and memory of the `velbrin align` command, file to file, process start included.

Writes a generated gene family of about 10 MB of nucleotides as FASTA files wrapped at 60
(plain and gzip), and one of about 100 MB (the same records ten times over, renamed;
cached in the temp folder), then measures each row of one table: the median wall and CPU
time with hyperfine (warm cache; a loop of runs without it; the commands compared with
each other timed in interleaved rounds), and the minor page faults and peak RSS of the
measured process (GNU time's report, the median of a few runs).

- the I/O floor: `cat` of both inputs to /dev/null and writing a file of the output's
  size; align on the 10 MB family must take at most twice as long;
- align, fasta, with -o and to standard output (`> file`): at most one minor fault per
  8 KB of input (both files) and a peak RSS of at most 1.5x the input bytes;
- align with --format clustal, and with --remove-gap-columns: one fault per 4 KB;
- align on the 100 MB family: peak RSS at most 1.5x the input bytes;
- gzip input: the time align takes on the .gz files over the plain ones, against zlib's
  own streaming inflate of the same files (the inflate_floor program, built with the
  benchmarks): at most 1.3x;
- plain and gzip MB/s of nucleotides; the bundled small family (examples/gene7_*).

The targets are judged on wall time; on a busy machine the CPU time column is the
steadier one.

    python3 benchmarks/command.py --command build/bench/velbrin [--inflate-floor PATH]
        [--runs N] [--json PATH]
"""

import argparse
import gzip
import json
import os
import resource
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
LARGE_COPIES = 10
# Bump when the generated files change, so that a stale cache is not reused.
CACHE_VERSION = 1
RUSAGE_RUNS = 3
ROUNDS = 5
TIME = "/usr/bin/time"


def wrapped(sequence, width=60):
    return "\n".join(sequence[i : i + width] for i in range(0, len(sequence), width))


def family_records():
    """The 10 MB family's records as (peptide header, peptide, nucleotide header, bases)."""
    family = workloads.generate("command", 1, 2700, 1280)["clean"]
    return [
        (header, peptide, nt_header, bases)
        for (header, peptide), (_, nt_header, bases) in family.seqs.values()
    ]


def renamed(header, copy):
    """The header with `_c<copy>` after its ID (copy 0 keeps it)."""
    if copy == 0:
        return header
    name, _, rest = header.partition(" ")
    return f"{name}_c{copy} {rest}" if rest else f"{name}_c{copy}"


def write_family(folder, records, copies, gzipped):
    """Writes pep.fa and nt.fa (and .gz copies); returns the nucleotide bytes."""
    for name, pick in (("pep.fa", lambda r: (r[0], r[1])), ("nt.fa", lambda r: (r[2], r[3]))):
        with open(folder / name, "w") as out:
            for copy in range(copies):
                out.write(
                    "".join(
                        f">{renamed(header, copy)}\n{wrapped(text)}\n"
                        for header, text in map(pick, records)
                    )
                )
        if gzipped:
            data = (folder / name).read_bytes()
            (folder / f"{name}.gz").write_bytes(gzip.compress(data, 6))
    return sum(len(record[3]) for record in records) * copies


def large_family(records):
    """The 100 MB family's folder, made once and kept in the temp folder."""
    folder = Path(tempfile.gettempdir()) / f"velbrin-bench-command-v{CACHE_VERSION}"
    done = folder / "complete"
    if not done.exists():
        folder.mkdir(exist_ok=True)
        nt_bytes = write_family(folder, records, LARGE_COPIES, gzipped=False)
        done.write_text(str(nt_bytes))
    return folder, int(done.read_text())


def hyperfine_times(result):
    """(wall, CPU) seconds of the runs of one hyperfine result, in its 1.x or 2.x export
    form (1.x gives the CPU time as a mean only)."""
    if "times" in result:
        return result["times"], [result["user"] + result["system"]] * len(result["times"])
    runs = result["measurements"]
    return (
        [run["time_wall_clock"]["value"] for run in runs],
        [run["time_cpu"]["value"] for run in runs],
    )


def run_times(command, runs, warmup, stdout=None):
    """(wall, CPU) seconds of each run of a command (argv, or a bash line as a str), with
    hyperfine where it is installed; `stdout` names a file the output goes to."""
    shell = isinstance(command, str)
    if shutil.which("hyperfine"):
        with tempfile.NamedTemporaryFile(suffix=".json") as export:
            subprocess.run(
                [
                    "hyperfine",
                    "--style",
                    "none",
                    "--shell=" + ("bash" if shell else "none"),
                    "--output",
                    str(stdout) if stdout else "null",
                    "--warmup",
                    str(warmup),
                    "--runs",
                    str(runs),
                    "--export-json",
                    export.name,
                    command if shell else " ".join(map(str, command)),
                ],
                check=True,
                stdout=subprocess.DEVNULL,
            )
            return hyperfine_times(json.load(open(export.name))["results"][0])
    walls, cpus = [], []
    for _ in range(warmup + runs):
        with open(stdout or os.devnull, "wb") as out:
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            subprocess.run(command, shell=shell, check=True, stdout=out)
            walls.append(time.perf_counter() - start)
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpus.append(after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
    return walls[warmup:], cpus[warmup:]


def rusage(command, stdout=None):
    """(minor page faults, peak RSS bytes) of a command (of a bash line, the most of its
    processes), the median of a few runs.  /usr/bin/time starts it, so that the figures
    are of the command alone, not of this interpreter it would be forked from."""
    if isinstance(command, str):
        command = ["bash", "-c", command]
    faults, peaks = [], []
    for _ in range(RUSAGE_RUNS):
        with (
            tempfile.NamedTemporaryFile(mode="r", suffix=".time") as report,
            open(stdout or os.devnull, "wb") as out,
        ):
            subprocess.run(
                [TIME, "-f", "%R %M", "-o", report.name, *map(str, command)],
                check=True,
                stdout=out,
            )
            minor, peak_kb = report.read().split()[-2:]
        faults.append(int(minor))
        peaks.append(int(peak_kb) * 1024)
    return statistics.median(faults), statistics.median(peaks)


class Table:
    """The rows measured, each with its figures and the targets judged on them."""

    def __init__(self, runs):
        self.runs = runs
        self.rows = []

    def measure(self, commands, runs=None, warmup=3):
        """Rows for (name, command, stdout file or None) commands, timed in interleaved
        rounds, so that a change of load on the machine falls on all of them alike."""
        runs = runs or self.runs
        per_round = max(1, -(-runs // ROUNDS))
        times = [([], []) for _ in commands]
        for round_number in range(ROUNDS):
            for (_, command, stdout), (walls, cpus) in zip(commands, times, strict=True):
                wall, cpu = run_times(
                    command, per_round, warmup if round_number == 0 else 1, stdout
                )
                walls += wall
                cpus += cpu
        rows = []
        for (name, command, stdout), (walls, cpus) in zip(commands, times, strict=True):
            faults, peak = rusage(command, stdout)
            row = {
                "row": name,
                "s": statistics.median(walls),
                "cpu s": statistics.median(cpus),
                "minor faults": faults,
                "peak RSS bytes": peak,
                "targets": [],
            }
            rows.append(row)
        self.rows += rows
        return rows

    def move_to_end(self, rows):
        self.rows = [row for row in self.rows if row not in rows] + rows

    def value(self, name, value, unit):
        row = {"row": name, unit: value, "targets": []}
        self.rows.append(row)
        return row

    @staticmethod
    def judge(row, what, value, limit, relation="<="):
        met = value <= limit if relation == "<=" else value >= limit
        row["targets"].append(
            {"what": what, "value": value, "limit": limit, "relation": relation, "met": met}
        )

    def missed(self):
        return [
            f"{row['row']} ({t['what']})"
            for row in self.rows
            for t in row["targets"]
            if not t["met"]
        ]

    def print(self):
        print(f"{'row':44} {'ms':>8} {'cpu ms':>8} {'faults':>8} {'RSS MB':>7}  targets")
        for row in self.rows:
            if "s" in row:
                figures = (
                    f"{row['s'] * 1e3:8.1f} {row['cpu s'] * 1e3:8.1f} "
                    f"{row['minor faults']:8.0f} {row['peak RSS bytes'] / 1e6:7.1f}"
                )
            else:
                unit = next(key for key in row if key not in ("row", "targets"))
                figures = f"{row[unit]:8.3g} {unit:>25}"
            verdicts = "; ".join(
                f"{t['what']} {t['value']:.4g} {t['relation']} {t['limit']:.4g} "
                f"{'met' if t['met'] else 'MISSED'}"
                for t in row["targets"]
            )
            print(f"{row['row']:44} {figures}  {verdicts}")


def align_argv(command, folder, *extra, suffix=""):
    return [command, "align", folder / f"pep.fa{suffix}", folder / f"nt.fa{suffix}", *extra]


def input_size(folder):
    return sum((folder / name).stat().st_size for name in ("pep.fa", "nt.fa"))


def both_outputs(name, argv, folder):
    """Runs of `argv` writing with -o and to standard output (`> file`)."""
    return [
        (f"{name} -o", [*argv, "-o", folder / "out.fa"], None),
        (f"{name} > file", argv, folder / "stdout.fa"),
    ]


def measure_family(table, command, inflate_floor, folder, nt_bytes):
    """The rows on the 10 MB family, plain and gzip, measured together."""
    input_bytes = input_size(folder)
    subprocess.run([*align_argv(command, folder), "-o", folder / "out.fa"], check=True)
    floor_line = (
        f"cat {folder}/pep.fa {folder}/nt.fa >/dev/null && "
        f"head -c {(folder / 'out.fa').stat().st_size} {folder}/nt.fa > {folder}/floor.out"
    )
    # (name, options, input bytes per minor fault allowed, peak RSS judged); CLUSTAL and
    # column filters hold every row, so only their faults have a target.
    cases = [
        ("align 10 MB fasta", [], 8192, True),
        ("align 10 MB clustal", ["--format", "clustal"], 4096, False),
        ("align 10 MB --remove-gap-columns", ["--remove-gap-columns"], 4096, False),
    ]
    align_runs = [
        run
        for name, options, _, _ in cases
        for run in both_outputs(name, align_argv(command, folder, *options), folder)
    ]
    gz_argv = [*align_argv(command, folder, suffix=".gz"), "-o", folder / "out_gz.fa"]
    inflate_argv = [inflate_floor, folder / "pep.fa.gz", folder / "nt.fa.gz"]
    # The rows compared with each other come first, timed side by side in each round.
    floor, plain, gz, inflater, *rest = table.measure(
        [
            ("I/O floor (cat inputs, write output size)", floor_line, None),
            align_runs[0],
            ("align 10 MB gzip input -o", gz_argv, None),
            ("inflate floor (zlib streaming, both .gz)", inflate_argv, None),
            *align_runs[1:],
        ]
    )
    rows = [plain, *rest]
    table.move_to_end([gz, inflater])  # shown after the plain rows, beside their verdict
    pairs = [rows[i : i + 2] for i in range(0, len(rows), 2)]
    for (_, _, bytes_per_fault, rss_judged), pair in zip(cases, pairs, strict=True):
        for row in pair:
            table.judge(row, "faults", row["minor faults"], input_bytes / bytes_per_fault)
            if rss_judged:
                table.judge(row, "RSS x input", row["peak RSS bytes"] / input_bytes, 1.5)
    for row in rows[:2]:
        table.judge(row, "x floor", row["s"] / floor["s"], 2.0)

    extra = table.value(
        "gzip extra over plain, x inflate floor", (gz["s"] - plain["s"]) / inflater["s"], "x"
    )
    table.judge(extra, "x inflate", extra["x"], 1.3)
    # The same in CPU time, steadier than wall time on a busy machine (no target).
    table.value("  the same in CPU time", (gz["cpu s"] - plain["cpu s"]) / inflater["cpu s"], "x")
    for name, row, limit in (("plain", plain, 500), ("gzip", gz, 250)):
        rate = table.value(f"{name} MB/s (nucleotides)", nt_bytes / row["s"] / 1e6, "MB/s")
        table.judge(rate, "MB/s", rate["MB/s"], limit, ">=")


def measure_large_family(table, command, folder, output_folder):
    large_bytes = input_size(folder)
    rows = table.measure(
        both_outputs("align 100 MB fasta", align_argv(command, folder), output_folder),
        runs=max(ROUNDS, table.runs // 4),
        warmup=1,
    )
    for row in rows:
        table.judge(row, "RSS x input", row["peak RSS bytes"] / large_bytes, 1.5)


def measure_small_family(table, command, folder):
    argv = [
        command,
        "align",
        ROOT / "examples/gene7_aa.fa",
        ROOT / "examples/gene7_nt.fa",
        "-o",
        folder / "small.fa",
    ]
    [small] = table.measure(
        [("small family (examples/gene7)", argv, None)], runs=max(table.runs, 200), warmup=20
    )
    table.judge(small, "ms", small["s"] * 1e3, 5.0)


def load_average():
    return "load average {:.2f} {:.2f} {:.2f}".format(*os.getloadavg())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--command", default=str(ROOT / "build/bench/velbrin"))
    parser.add_argument(
        "--inflate-floor", help="the inflate_floor program (default: beside --command)"
    )
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--json", help="write the results to this file")
    args = parser.parse_args()
    command = os.path.abspath(args.command)
    inflate_floor = args.inflate_floor or str(Path(command).parent / "velbrin_inflate_floor")
    if not os.access(inflate_floor, os.X_OK):
        parser.error(f"no inflate_floor program at {inflate_floor} (--inflate-floor)")
    if not os.access(TIME, os.X_OK):
        parser.error(f"{TIME} (GNU time) is needed for the page faults and peak RSS")

    table = Table(args.runs)
    records = family_records()
    large_folder, large_nt_bytes = large_family(records)
    load_before = load_average()
    with tempfile.TemporaryDirectory() as name:
        folder = Path(name)
        nt_bytes = write_family(folder, records, 1, gzipped=True)
        input_bytes = input_size(folder)
        measure_family(table, command, inflate_floor, folder, nt_bytes)
        measure_large_family(table, command, large_folder, folder)
        measure_small_family(table, command, folder)
    load_after = load_average()

    print(
        f"10 MB family: 2700 records x 1280 codons, {nt_bytes / 1e6:.1f} MB of nucleotides, "
        f"{input_bytes / 1e6:.1f} MB of input; 100 MB family: {large_nt_bytes / 1e6:.1f} MB "
        f"of nucleotides, {input_size(large_folder) / 1e6:.1f} MB of input"
    )
    print(f"{load_before} before, {load_after} after; {args.runs} runs a row")
    table.print()
    missed = table.missed()
    print(f"targets missed: {', '.join(missed)}" if missed else "every target met")
    if args.json:
        Path(args.json).write_text(
            json.dumps(
                {
                    "nucleotide MB": nt_bytes / 1e6,
                    "input bytes": input_bytes,
                    "large input bytes": input_size(large_folder),
                    "load average": [load_before, load_after],
                    "rows": table.rows,
                },
                indent=2,
            )
        )


if __name__ == "__main__":
    main()
