"""Records pair by ID or by position; every pairing fault names its records and lines."""

import pytest
from conftest import parse_fasta

PEPTIDES = [("a first", "MK-"), ("b second", "M-W"), ("c third", "MKW")]
NUCLEOTIDES = {"a": "ATGAAA", "b": "ATGTGG", "c": "ATGAAATGG"}
ALIGNED = {"a": "ATGAAA---", "b": "ATG---TGG", "c": "ATGAAATGG"}


def test_by_id_keeps_peptide_order_reads_files_as_one_set_and_counts_skipped(velbrin):
    peptides = velbrin.fasta("pep.fa", PEPTIDES)
    first = velbrin.fasta("nt1.fa", {"c cds": NUCLEOTIDES["c"], "zz": "ATG", "a": NUCLEOTIDES["a"]})
    second = velbrin.fasta("nt2.fa", {"b other description": NUCLEOTIDES["b"], "yy": "TTT"})
    done = velbrin.run("align", peptides, first, second, "-v")
    assert done.returncode == 0, done.stderr
    assert list(parse_fasta(done.stdout.decode()).items()) == list(ALIGNED.items())
    assert b"2 nucleotide records without a peptide skipped" in done.stderr


@pytest.mark.parametrize(
    "peptides, nucleotide_files, message",
    [
        ([*PEPTIDES, ("b again", "M")], [NUCLEOTIDES], "duplicate ID 'b': pep.fa:3 and pep.fa:7"),
        (
            PEPTIDES,
            [NUCLEOTIDES, {"x": "ATG", "a": "ATGAAA"}],
            "duplicate ID 'a': nt1.fa:1 and nt2.fa:3",
        ),
        (
            PEPTIDES,
            [{"a": "ATGAAA", "c": "ATGAAATGG"}],
            "pep.fa:3: no nucleotide record has the ID 'b'",
        ),
    ],
)
def test_pairing_faults_name_the_record_and_lines(velbrin, peptides, nucleotide_files, message):
    paths = [velbrin.fasta(f"nt{i}.fa", records) for i, records in enumerate(nucleotide_files, 1)]
    done = velbrin.run("align", velbrin.fasta("pep.fa", peptides), *paths)
    assert (done.returncode, done.stdout) == (1, b"")
    assert done.stderr.decode() == f"velbrin: {message}\n"


def test_by_order_pairs_positions_whatever_the_headers(velbrin):
    peptides = velbrin.fasta("pep.fa", PEPTIDES)
    in_order = velbrin.fasta("nt.fa", [(h, NUCLEOTIDES[h[0]]) for h, _ in PEPTIDES])
    done = velbrin.run("align", "--pair", "order", peptides, in_order)
    assert done.returncode == 0, done.stderr
    assert parse_fasta(done.stdout.decode()) == ALIGNED

    swapped = velbrin.fasta(
        "swapped.fa", [(h, NUCLEOTIDES[h[0]]) for h, _ in [PEPTIDES[1], PEPTIDES[0], PEPTIDES[2]]]
    )
    done = velbrin.run("align", "--pair", "order", peptides, swapped)
    assert done.returncode == 1
    assert done.stderr.decode().startswith(
        "velbrin: paired by order; 2 of 3 pairs have different IDs (first: 'a' with 'b')\n"
    )
    assert b"Peptide and nucleotide sequences are inconsistent." in done.stderr

    short = velbrin.fasta("short.fa", [(h, NUCLEOTIDES[h[0]]) for h, _ in PEPTIDES[:2]])
    done = velbrin.run("align", "--pair", "order", peptides, short)
    assert done.returncode == 1
    assert b"pep.fa has 3, the nucleotide input 2" in done.stderr
