"""--on-mismatch fail|mask|drop: what becomes of a codon that does not encode its residue
and of a record of the wrong length, the mismatch log and the counts."""

import csv

import pytest

HEADING = "family\trecord\tcolumn\tcodon\tresidue\treason\n"
PEPTIDES = {"a": "MKW-K", "b": "MKWAK", "c": "M-WAK"}
# b: AAT is no K and CCC no W; c fits
NUCLEOTIDES = {"a": "ATGAAATGGAAG", "b": "ATGAATCCCGCTAAA", "c": "ATGTGGGCAAAA"}


def align(velbrin, *options, nucleotides=NUCLEOTIDES):
    peptides = velbrin.fasta("pep.fa", PEPTIDES)
    cds = velbrin.fasta("nt.fa", nucleotides)
    return velbrin.run("align", peptides, cds, "--width", 0, "--format", "phylip", *options)


def log_rows(path):
    text = path.read_text()
    assert text.startswith(HEADING)
    return text[len(HEADING) :].splitlines()


@pytest.mark.parametrize(
    "policy, alignment, rows, counted",
    [
        (
            "mask",
            "a ATGAAATGG---AAG\nb ATGNNNNNNGCTAAA\nc ATG---TGGGCAAAA\n",
            ["pep.fa\tb\t2\tAAT\tK\tmismatch", "pep.fa\tb\t3\tCCC\tW\tmismatch"],
            "velbrin: 2 codon(s) masked, 0 record(s) dropped\n",
        ),
        (
            # the record goes at its first mismatch
            "drop",
            "a ATGAAATGG---AAG\nc ATG---TGGGCAAAA\n",
            ["pep.fa\tb\t2\tAAT\tK\tmismatch"],
            "velbrin: 0 codon(s) masked, 1 record(s) dropped\n",
        ),
    ],
)
def test_policy_writes_its_alignment_and_log(velbrin, policy, alignment, rows, counted):
    done = align(velbrin, "--on-mismatch", policy, "--mismatch-log", "log.tsv")
    assert done.returncode == 0, done.stderr
    assert done.stdout.decode().split("\n", 1)[1] == alignment
    assert log_rows(velbrin.folder / "log.tsv") == rows
    assert done.stderr.decode() == counted


def test_fail_is_the_default_and_logs_nothing(velbrin):
    for options in ([], ["--on-mismatch", "fail"]):
        done = align(velbrin, *options, "--mismatch-log", "log.tsv")
        assert done.returncode == 1
        assert b"Peptide and nucleotide sequences are inconsistent." in done.stderr
        assert log_rows(velbrin.folder / "log.tsv") == []


def test_drop_leaves_out_a_record_of_the_wrong_length(velbrin):
    nucleotides = dict(NUCLEOTIDES, b="ATGAAATGGGCTAAAGGG")
    done = align(
        velbrin, "--on-mismatch", "drop", "--mismatch-log", "log.tsv", nucleotides=nucleotides
    )
    assert done.returncode == 0, done.stderr
    assert done.stdout.decode().startswith("2 15\n")
    assert log_rows(velbrin.folder / "log.tsv") == ["pep.fa\tb\t\t\t\tlength"]
    # masking cannot mend a length
    masked = align(velbrin, "--on-mismatch", "mask", nucleotides=nucleotides)
    assert masked.returncode == 1
    assert b"lengths are inconsistent" in masked.stderr


def test_family_without_records_left_fails(velbrin):
    nucleotides = {name: "CCC" * 4 for name in PEPTIDES}
    done = align(
        velbrin,
        "--on-mismatch",
        "drop",
        "--mismatch-log",
        "log.tsv",
        "-o",
        "out.phy",
        nucleotides=dict(nucleotides, b="CCC" * 5),
    )
    assert done.returncode == 1
    assert b"no record left: all 3 records were dropped" in done.stderr
    assert len(log_rows(velbrin.folder / "log.tsv")) == 3
    assert not (velbrin.folder / "out.phy").exists()


def test_unknown_residue_failures_still_fail(velbrin):
    peptides = velbrin.fasta("pep.fa", {"a one": "MK"})
    cds = velbrin.fasta("nt.fa", {"a two": "ATGAAA"})
    (velbrin.folder / "code.txt").write_text("M ATG\n")
    done = velbrin.run("align", peptides, cds, "--table-file", "code.txt", "--on-mismatch", "mask")
    assert done.returncode == 1
    assert b"missing from custom" in done.stderr


def test_batch_writes_one_log_for_the_run(velbrin):
    velbrin.fasta("one_pep.fa", PEPTIDES)
    velbrin.fasta("one_nt.fa", NUCLEOTIDES)
    velbrin.fasta("two_pep.fa", {"x": "MW"})
    velbrin.fasta("two_nt.fa", {"x": "ATGTGT"})
    (velbrin.folder / "families.tsv").write_text(
        "two\ttwo_pep.fa\ttwo_nt.fa\none\tone_pep.fa\tone_nt.fa\n"
    )
    done = velbrin.run(
        "batch",
        "families.tsv",
        "--out-dir",
        "out",
        "--on-mismatch",
        "mask",
        "--mismatch-log",
        "log.tsv",
        "--threads",
        2,
    )
    assert done.returncode == 0, done.stderr
    assert log_rows(velbrin.folder / "log.tsv") == [
        "two\tx\t2\tTGT\tW\tmismatch",
        "one\tb\t2\tAAT\tK\tmismatch",
        "one\tb\t3\tCCC\tW\tmismatch",
    ]
    with (velbrin.folder / "out" / "status.tsv").open() as table:
        rows = {row["family"]: row for row in csv.DictReader(table, delimiter="\t")}
    assert rows["one"]["masked_codons"] == "2" and rows["two"]["masked_codons"] == "1"
    assert rows["one"]["dropped_records"] == "0"
    assert done.stderr.endswith(b"; 3 codon(s) masked, 0 record(s) dropped\n")
