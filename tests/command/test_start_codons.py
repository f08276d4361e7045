"""Alternative start codons read as M in a record's first codon, the hint under
--strict-start, and their counts."""

import csv
import shutil
from pathlib import Path

import pytest
from conftest import RULE, parse_fasta

FAMILY = Path(__file__).resolve().parents[1] / "data" / "alternative_starts"
ALIGNED = {
    "atg_start": "ATGAAACTGGTT---GCT",
    "gtg_start": "GTGAAATTG---GTCGCA",  # the record's own GTG, not an ATG
    "ttg_start": "---TTGAAGCTTGTGGCC",  # the first residue is in the second column
}


def copy_family(folder):
    for name in ("peptides.fa", "cds.fa"):
        shutil.copy(FAMILY / name, folder / name)


def test_bacterial_family_aligns_with_its_starts_and_stops(velbrin):
    copy_family(velbrin.folder)
    done = velbrin.run("align", "peptides.fa", "cds.fa", "--table", 11, "-v")
    assert done.returncode == 0, done.stderr
    assert parse_fasta(done.stdout.decode()) == ALIGNED
    assert (
        b"velbrin: 3 terminal stop codons trimmed, 2 alternative start codons read as M\n"
        in done.stderr
    )


def test_strict_start_fails_with_a_hint(velbrin):
    copy_family(velbrin.folder)
    done = velbrin.run("align", "peptides.fa", "cds.fa", "--table", 11, "--strict-start")
    assert done.returncode == 1
    stderr = done.stderr.decode()
    assert "Peptide and nucleotide sequences are inconsistent." in stderr
    assert stderr.endswith(
        RULE + "hint: the first codon of 'gtg_start', GTG, is a start codon of the genetic "
        "code; without --strict-start it is read as M\n"
    )


@pytest.mark.parametrize(
    "peptide, nucleotides, table",
    [
        ("MKM", "ATGAAAGTG", 11),  # a start codon later in the record is not a start
        ("MK", "GTGAAA", 1),  # GTG is no start codon of the standard code
        ("MK", "GTAAAA", 11),  # not a start codon at all
        ("MK", "AAGGTG", 11),  # a start codon holding another residue
    ],
)
def test_only_a_listed_start_codon_in_the_first_codon_is_read_as_m(
    velbrin, peptide, nucleotides, table
):
    peptides = velbrin.fasta("pep.fa", {"a": peptide})
    cds = velbrin.fasta("nt.fa", {"a": nucleotides})
    done = velbrin.run("align", peptides, cds, "--table", table)
    assert done.returncode == 1
    assert b"sequences are inconsistent" in done.stderr
    assert b"hint:" not in done.stderr


def test_start_line_of_a_code_file(velbrin):
    (velbrin.folder / "code.txt").write_text("M ATG\nK AAA\nL TTG CTG\nstart ATG TTG\n")
    peptides = velbrin.fasta("pep.fa", {"a": "MK", "b": "MK", "c": "LK"})
    cds = velbrin.fasta("nt.fa", {"a": "TTGAAA", "b": "ATGAAA", "c": "TTGAAA"})
    done = velbrin.run("align", peptides, cds, "--table-file", "code.txt", "--width", 0)
    assert done.returncode == 0, done.stderr
    assert done.stdout == b">a\nTTGAAA\n>b\nATGAAA\n>c\nTTGAAA\n"
    # CTG encodes L but is not on the start line
    one = velbrin.fasta("one.fa", {"a": "MK"})
    refused = velbrin.run(
        "align", one, velbrin.fasta("ctg.fa", {"a": "CTGAAA"}), "--table-file", "code.txt"
    )
    assert refused.returncode == 1
    assert b"sequences are inconsistent" in refused.stderr


def test_batch_counts_trimmed_stops_and_starts(velbrin):
    copy_family(velbrin.folder)
    (velbrin.folder / "families.tsv").write_text("bact\tpeptides.fa\tcds.fa\t11\n")
    done = velbrin.run("batch", "families.tsv", "--out-dir", "out")
    assert done.returncode == 0, done.stderr
    with (velbrin.folder / "out" / "status.tsv").open() as table:
        rows = list(csv.DictReader(table, delimiter="\t"))
    assert list(rows[0])[:8] == [
        "family",
        "status",
        "kind",
        "records",
        "codon_columns",
        "nucleotides",
        "seconds",
        "summary",
    ]
    assert (rows[0]["trimmed_stops"], rows[0]["alternative_starts"]) == ("3", "2")
    assert (rows[0]["masked_codons"], rows[0]["dropped_records"]) == ("0", "0")
