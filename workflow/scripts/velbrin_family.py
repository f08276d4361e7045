#!/usr/bin/env python3
"""Aligns one gene family with `velbrin align` and leaves what `velbrin batch` leaves for
it: the alignment or a `<family>.err` report, and the family's row of the status table.

    velbrin_family.py --family F --out-dir DIR --suffix fa --row ROW [--fail-on-error]
                      [--velbrin PATH] -- PEPTIDES NUCLEOTIDES... [align options]

Exit status: 0 when the family aligned or failed (its report is in the .err file), 1 when
it failed and --fail-on-error was given, 2 when velbrin itself could not run the family
(a usage error: the options are wrong for every family).
"""

import argparse
import contextlib
import os
import re
import subprocess
import sys
import time

HEADING = (
    "family\tstatus\tkind\trecords\tcodon_columns\tnucleotides\tseconds\tsummary\t"
    "trimmed_stops\talternative_starts\tmasked_codons\tdropped_records\n"
)

# Each kind of alignment report starts with its own summary line.
KIND_OF_SUMMARY = {
    "Header mismatch between peptide and nucleotide records.": "header",
    "Peptide and nucleotide lengths are inconsistent.": "length",
    "Peptide and nucleotide sequences are inconsistent.": "inconsistency",
    "Amino acid is missing from custom codon table.": "unknown_residue",
    "Invalid codon table number.": "table",
}
SUMMARY = re.compile(r"ERROR: (.*)")
COUNTS = re.compile(r"velbrin: (\d+) records, (\d+) codon columns, (\d+) nucleotides")
STARTS_AND_STOPS = re.compile(
    r"velbrin: (\d+) terminal stop codons trimmed, (\d+) alternative start codons read as M"
)
CHANGES = re.compile(r"velbrin: (\d+) codon\(s\) masked, (\d+) record\(s\) dropped")
EXIT_FAILURE = 1


def remove(path):
    with contextlib.suppress(FileNotFoundError):
        os.remove(path)


def write_whole(path, text):
    """Writes through a temporary file renamed over `path`: whole or not at all."""
    partial = f"{path}.partial"
    with open(partial, "w", encoding="utf-8", newline="") as out:
        out.write(text)
    os.replace(partial, path)


def cell(text):
    return re.sub(r"[\t\r\n]", " ", text)


def row(family, status, kind, report, seconds, summary):
    """The family's status row, its counts read from `align -v`'s lines in `report`."""
    counts = COUNTS.search(report)
    records, columns, nucleotides = counts.groups() if counts else ("0", "0", "0")
    if status != "aligned":
        columns = ""  # only an alignment has codon columns
    starts_and_stops = STARTS_AND_STOPS.search(report)
    changes = CHANGES.search(report)
    policy = [
        *(starts_and_stops.groups() if starts_and_stops else ("0", "0")),
        *(changes.groups() if changes else ("0", "0")),
    ]
    numbers = [records, columns, nucleotides, f"{seconds:.3f}"]
    return "\t".join([family, status, kind, *numbers, cell(summary), *policy]) + "\n"


def outcome(family, result, seconds):
    """The status row and the report (None once the family aligned)."""
    report = result.stderr.decode("utf-8", "replace")
    if result.returncode == 0:
        return row(family, "aligned", "", report, seconds, ""), None
    found = SUMMARY.search(report)
    if found:
        summary = found.group(1)
        kind = KIND_OF_SUMMARY.get(summary, "inconsistency")
        shown = report[: counts.start()] if (counts := COUNTS.search(report)) else report
        return row(family, "failed", kind, report, seconds, summary), shown
    message = report.splitlines()[0] if report else "velbrin align failed"
    message = message.removeprefix("velbrin: ")
    return row(family, "input_error", "", report, seconds, message), message + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--family", required=True)
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--suffix", required=True, help="of the alignment: fa, phy, paml, aln")
    parser.add_argument("--row", required=True, help="file for the family's status row")
    parser.add_argument("--velbrin", default="velbrin")
    parser.add_argument("--fail-on-error", action="store_true")
    parser.add_argument(
        "--no-nucleotides-in", metavar="DIR", help="the family has no nucleotide file in DIR"
    )
    parser.add_argument("align", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    align = options.align[1:] if options.align[:1] == ["--"] else options.align

    alignment = os.path.join(options.out_dir, f"{options.family}.{options.suffix}")
    error_path = os.path.join(options.out_dir, f"{options.family}.err")
    os.makedirs(options.out_dir, exist_ok=True)
    os.makedirs(os.path.dirname(options.row) or ".", exist_ok=True)
    if options.no_nucleotides_in is not None:
        message = (
            f"no nucleotide file named after the family '{options.family}' in "
            f"{options.no_nucleotides_in}"
        )
        status_row, report = (
            row(options.family, "input_error", "", "", 0, message),
            message + "\n",
        )
    else:
        started = time.monotonic()
        result = subprocess.run(
            [options.velbrin, "align", *align, "-v", "-o", alignment], stderr=subprocess.PIPE
        )
        seconds = time.monotonic() - started
        if result.returncode not in (0, EXIT_FAILURE):
            sys.stderr.buffer.write(result.stderr)
            return result.returncode
        status_row, report = outcome(options.family, result, seconds)

    if report is None:
        remove(error_path)  # a report of an earlier run
    else:
        remove(alignment)  # an alignment of an earlier run
        write_whole(error_path, report)
    write_whole(options.row, status_row)
    if report is not None and options.fail_on_error:
        sys.stderr.write(report)
        return EXIT_FAILURE
    return 0


if __name__ == "__main__":
    sys.exit(main())
