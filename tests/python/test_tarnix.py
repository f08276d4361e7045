"""tarnix: codon alignments under NCBI tables and every report it raises."""

import pytest

import velbrin

SUPPORTED = (
    "1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26, "
    "27, 28, 29, 30, 31, 32, 33"
)


def record(peptide, nucleotides, header="s1", nt_header=None):
    return ((header, peptide), (0, header if nt_header is None else nt_header, nucleotides))


def align(peptide, nucleotides, table=1, key="s1"):
    return velbrin.tarnix("stem", "aa.fa", "nt.fa", table, {key: record(peptide, nucleotides)})


def report(peptide, nucleotides, table=1, **kwargs):
    seqs = {"s1": record(peptide, nucleotides, **kwargs)}
    with pytest.raises(ValueError) as raised:
        velbrin.tarnix("stem", "/in/gene7_aa.fa", "/in/gene7_nt.fa", table, seqs)
    assert len(raised.value.args) == 1
    return str(raised.value)


@pytest.mark.parametrize(
    "peptide, nucleotides, table, codon_line",
    [
        ("M-K", "ATGAAA", 1, "ATG---AAA"),
        ("m.k", "atgaaa", 1, "ATG---AAA"),
        (" MK\n", "\tATG-AA.A ", 1, "ATGAAA"),
        ("M*", "ATGTAA", 1, "ATGTAA"),
        ("MW", "ATGTGA", 2, "ATGTGA"),
        ("MW", "ATGTGA", 4, "ATGTGA"),
        ("MW", "ATGTGA", 5, "ATGTGA"),
        ("MX", "ATGCCC", 1, "ATGCCC"),
        ("MK", "ATGNNN", 1, "ATGNNN"),
        ("MK", "ATGAAN", 1, "ATGAAN"),
        ("B", "GAT", 1, "GAT"),
        ("B", "AAT", 1, "AAT"),
        ("Z", "GAA", 1, "GAA"),
        ("Z", "CAA", 1, "CAA"),
        ("J", "ATT", 1, "ATT"),
        ("J", "CTG", 1, "CTG"),
        ("L", "YTR", 1, "YTR"),
        ("L", "ytr", 1, "YTR"),
        ("M", "ATA", 2, "ATA"),
        ("M", "AUG", 1, "AUG"),
        ("*", "TRA", 1, "TRA"),
        ("", "", 1, ""),
        ("---", "", 1, "---------"),
        ("S", "CTG", 12, "CTG"),
        ("Q", "TAG", 15, "TAG"),
        ("L", "CTG", 27, "CTG"),
        ("W", "TAG", 32, "TAG"),
        ("MX", "ATG\u00e9A", 1, "ATG\u00e9A"),  # any whole character stands for X
    ],
)
def test_accepted_records(peptide, nucleotides, table, codon_line):
    assert align(peptide, nucleotides, table) == f"s1\n{codon_line}\n"


@pytest.mark.parametrize(
    "peptide, nucleotides, table",
    [
        ("MW", "ATGTGA", 1),
        ("M", "ATA", 1),
        ("H", "RAY", 1),
        ("L", "XTG", 1),
        ("L", "CTG", 12),
        ("X", "", 1),
        ("M", "ATG\u00e9", 1),
    ],
)
def test_rejected_records(peptide, nucleotides, table):
    with pytest.raises(ValueError) as raised:
        align(peptide, nucleotides, table)
    assert "tarnix ERROR: Peptide and nucleotide" in str(raised.value)


def fasta_record(path):
    header, *lines = path.read_text().splitlines()
    return header.removeprefix(">"), "".join(lines)


@pytest.mark.parametrize("example", ["whole_record", "window_cut_on_both_sides"])
def test_worked_example_reports_are_exact(data_dir, example):
    folder = data_dir / "worked_examples" / example
    header, peptide = fasta_record(folder / "gene7_aa.fa")
    nt_header, nucleotides = fasta_record(folder / "gene7_nt.fa")
    seqs = {"s1": ((header, peptide), (0, nt_header, nucleotides))}
    with pytest.raises(ValueError) as raised:
        velbrin.tarnix("stem", str(folder / "gene7_aa.fa"), str(folder / "gene7_nt.fa"), 1, seqs)
    assert str(raised.value) == (folder / "report.txt").read_text()


def test_header_mismatch_report_is_exact(error_block):
    text = report("MK", "ATGAAA", header="s1", nt_header="s2")
    assert text == error_block(
        "Header mismatch between peptide and nucleotide records.",
        'Sequence index: 1\nExpected header (gene7_aa.fa): "s1"\nheader found (gene7_nt.fa): "s2"',
    )


def test_length_mismatch_report_is_exact(error_block):
    text = report("MKVL", "ATGAAA", header="h")
    assert text == error_block(
        "Peptide and nucleotide lengths are inconsistent.",
        "Peptide header (gene7_aa.fa) : h\nNucleotide header (gene7_nt.fa) : h\n\n"
        ">h 1-4\nMKVL\n M  K  V  L\n>h 1-6\nATGAAA\n",
    )


@pytest.mark.parametrize("table", [0, 7, 8, 17, 20, 34, -1, 2**31 - 1, -(2**31)])
@pytest.mark.parametrize("seqs", [{}, {"s1": record("MK", "ATGAAA")}, {"s1": record("MK", "AT")}])
def test_unsupported_table_is_reported_before_any_record(error_block, table, seqs):
    with pytest.raises(ValueError) as raised:
        velbrin.tarnix("stem", "aa", "nt", table, seqs)
    assert str(raised.value) == error_block(
        "Invalid codon table number.",
        f"Requested table : {table}\nSupported NCBI tables: {SUPPORTED}",
    )


def test_empty_record_map_gives_empty_text():
    assert velbrin.tarnix("stem", "", "", 11, {}) == ""


def test_records_come_back_in_dict_order():
    seqs = {f"k{i}": record("MK-", "ATGAAG", header=f"h{i}") for i in (3, 1, 2)}
    assert velbrin.tarnix("s", "a", "n", 1, seqs) == "k3\nATGAAG---\nk1\nATGAAG---\nk2\nATGAAG---\n"


def test_a_failing_record_after_good_ones_returns_nothing_and_shows_its_index():
    seqs = {"good1": record("M", "ATG"), "good2": record("K", "AAA"), "bad": record("W", "TGA")}
    with pytest.raises(ValueError) as raised:
        velbrin.tarnix("s", "a", "n", 1, seqs)
    assert "sequences are inconsistent" in str(raised.value)
    seqs["bad"] = (("x", "W"), (0, "y", "TGG"))
    with pytest.raises(ValueError, match="Sequence index: 3\n"):
        velbrin.tarnix("s", "a", "n", 1, seqs)


def test_keys_and_codons_keep_their_bytes():
    seqs = {"k\u00e9y\0": (("h", "M"), (0, "h", "AUG"))}
    assert velbrin.tarnix("s", "a", "n", 1, seqs) == "k\u00e9y\0\nAUG\n"


def test_a_codon_cutting_a_character_is_a_mismatch_and_the_report_stays_text(rule):
    # "é" is two bytes: the first codon ends inside one.  The report's bytes are decoded
    # leniently, so a cut character would show as U+FFFD.
    text = report("MK", "AT\u00e9\u00e9")
    assert text.startswith(
        rule + "tarnix ERROR: Peptide and nucleotide sequences are inconsistent."
    )
    assert "\ufffd" not in text
