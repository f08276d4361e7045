"""Pairing real files whose protein and coding-sequence IDs differ: patterns, maps,
loose names and order, on headers as the common sources and aligners write them."""

import shutil
from pathlib import Path

import pytest
from conftest import parse_fasta

DATA = Path(__file__).resolve().parents[1] / "data" / "pairing"
ROW_ONE, ROW_TWO = "ATGAAATGG---TGTTTT", "ATGCGTTGGGGTTGC---"


@pytest.fixture
def data(velbrin):
    for path in DATA.iterdir():
        shutil.copy(path, velbrin.folder / path.name)
    return velbrin


@pytest.mark.parametrize(
    "peptides, nucleotides, options, names",
    [
        (
            "ncbi_protein.aln.fa",
            "ncbi_cds_from_genomic.fna",
            ["--nucleotide-id", r"\[protein_id=([^\]]+)\]"],
            ["NP_001005484.2", "NP_001385424.1"],
        ),
        (
            "ensembl.pep.aln.fa",
            "ensembl.cds.fa",
            ["--peptide-id", r"transcript:(\S+)"],
            ["ENSP00000493376.2", "ENSP00000334393.3"],
        ),
        (
            "uniprot.aln.fa",
            "uniprot.cds.fa",
            ["--peptide-id", r"^\w+\|(\w+)\|"],
            ["sp|P69905|HBA_HUMAN", "tr|A0A2R8Y7X9|A0A2R8Y7X9_HUMAN"],
        ),
        (
            "ensembl.pep.aln.fa",
            "ensembl.cds.fa",
            ["--pair-map", "ensembl_pairs.tsv"],
            ["ENSP00000493376.2", "ENSP00000334393.3"],
        ),
        ("mafft_cut_names.aln", "mafft_full_names.fa", ["--pair", "loose"], None),
        ("tcoffee_rewritten.aln", "tcoffee_original.fa", ["--pair", "loose"], None),
        ("transeq_frames.aln.fa", "transeq_source.fa", ["--pair", "loose"], None),
    ],
    ids=["ncbi", "ensembl", "uniprot", "map", "mafft", "tcoffee", "transeq"],
)
def test_recipes_pair_real_headers_and_rows_keep_peptide_names(
    data, peptides, nucleotides, options, names
):
    done = data.run("align", peptides, nucleotides, *options)
    assert done.returncode == 0, done.stderr
    assert done.stderr == b""
    records = parse_fasta(done.stdout.decode())
    assert list(records.values()) == [ROW_ONE, ROW_TWO]
    if names:
        assert list(records) == names
    first_header = (data.folder / peptides).read_text().splitlines()[0]
    if first_header.startswith(">"):  # FASTA output keeps the whole header
        assert done.stdout.decode().splitlines()[0] == first_header


def test_nucleotide_headers_the_pattern_misses_stay_unpaired_and_are_counted(data):
    done = data.run(
        "align",
        "ncbi_protein.aln.fa",
        "ncbi_cds_from_genomic.fna",
        "--nucleotide-id",
        r"\[protein_id=([^\]]+)\]",
        "-v",
    )
    assert done.returncode == 0, done.stderr
    assert b"1 nucleotide headers in which --nucleotide-id finds no ID left unpaired" in done.stderr
    assert b"1 nucleotide records without a peptide skipped" in done.stderr


def test_loose_matches_are_counted_with_v_and_listed_with_vv(data):
    args = ("align", "tcoffee_rewritten.aln", "tcoffee_original.fa", "--pair", "loose")
    assert b"loosely" not in data.run(*args).stderr
    counted = data.run(*args, "-v").stderr.decode()
    assert "velbrin: 2 pairs matched loosely: 2 by rewritten characters\n" in counted
    assert "'sp_P69905_HBA_HUMAN' with" not in counted
    listed = data.run(*args, "-vv").stderr.decode()
    assert (
        "velbrin: paired 'sp_P69905_HBA_HUMAN' with 'sp|P69905|HBA_HUMAN' (rewritten characters)\n"
        in listed
    )


@pytest.mark.parametrize(
    "files, options, message",
    [
        (
            {"pep.fa": ">ENSP1 pep gene:G1\nM\n", "cds.fa": ">ENST1\nATG\n"},
            ["--peptide-id", r"transcript:(\S+)"],
            "pep.fa:1: --peptide-id finds no ID in the header",
        ),
        (
            {"pep.fa": ">P1\nM\n>P2\nM\n", "cds.fa": ">C1\nATG\n", "map.tsv": "P1\tC1\n"},
            ["--pair-map", "map.tsv"],
            "pep.fa:3: the peptide ID 'P2' is not in map.tsv",
        ),
        (
            {"pep.fa": ">P1\nM\n", "cds.fa": ">C1\nATG\n", "map.tsv": "P1\tC1\n\nP1\tC2\n"},
            ["--pair-map", "map.tsv"],
            "map.tsv:3: the peptide ID 'P1' is mapped twice (first on line 1)",
        ),
        (
            {"pep.fa": ">a_b\nM\n", "cds.fa": ">a/b\nATG\n>a:b\nATG\n"},
            ["--pair", "loose"],
            "pep.fa:1: 'a_b' could pair with 'a/b' (cds.fa:1) or 'a:b' (cds.fa:3)",
        ),
        (
            {"pep.fa": ">a one\nM\n>a two\nM\n", "cds.fa": ">x\nATG\n>y\nATG\n"},
            ["--pair", "order", "--format", "phylip"],
            "duplicate ID 'a': pep.fa:1 and pep.fa:3; paired by order, the output format "
            "would name two rows alike",
        ),
    ],
    ids=["peptide-pattern-misses", "map-leaves-out", "map-twice", "loose-two", "order-repeats"],
)
def test_pairing_input_errors_name_file_and_line(velbrin, files, options, message):
    for name, text in files.items():
        (velbrin.folder / name).write_text(text)
    done = velbrin.run("align", "pep.fa", "cds.fa", *options)
    assert (done.returncode, done.stdout) == (1, b"")
    assert done.stderr.decode() == f"velbrin: {message}\n"


@pytest.mark.parametrize(
    "options, named",
    [
        (["--peptide-id", "(unclosed"], "--peptide-id"),
        (["--nucleotide-id", "a**"], "--nucleotide-id"),
        (["--pair", "order", "--pair-map", "map.tsv"], "--pair-map"),
    ],
)
def test_bad_pairing_options_are_usage_errors(data, options, named):
    done = data.run("align", "ensembl.pep.aln.fa", "ensembl.cds.fa", *options)
    assert done.returncode == 2
    assert named.encode() in done.stderr


def test_by_order_with_different_ids_says_how_many_once(data):
    done = data.run("align", "--pair", "order", "ensembl.pep.aln.fa", "ensembl.cds.fa")
    # The CDS file lists the second transcript first: pairing by position mismatches.
    assert done.returncode == 1
    assert done.stderr.decode().startswith(
        "velbrin: paired by order; 2 of 2 pairs have different IDs "
        "(first: 'ENSP00000493376.2' with 'ENST00000426406.4')\n"
    )
    assert b"Peptide and nucleotide sequences are inconsistent." in done.stderr


def test_reports_name_the_files_as_given(velbrin):
    pep = velbrin.fasta("pep.aln", {"a": "MK"})
    cds = velbrin.fasta("cds.fna", {"a": "ATGTGG"})
    done = velbrin.run("align", pep, cds)
    assert done.returncode == 1
    assert b"Peptide and nucleotide sequences are inconsistent." in done.stderr
    assert b"pep.aln" in done.stderr and b"cds.fna" in done.stderr
    assert b"pep.aln.fa" not in done.stderr and b"cds.fna.fa" not in done.stderr


def test_batch_shares_the_pairing_options_and_names_the_family(data):
    (data.folder / "families.tsv").write_text(
        "ensembl\tensembl.pep.aln.fa\tensembl.cds.fa\nncbi\tncbi_protein.aln.fa\tncbi.fa\n"
    )
    (data.folder / "ncbi.fa").write_text(">NP_001005484.2\nATGAAATGGTGTTTT\n>x\nATG\n")
    (data.folder / "ncbi_protein.aln.fa").write_text(">NP_001005484.2 receptor\nMKW-CF\n")
    done = data.run("batch", "families.tsv", "--out-dir", "out", "--pair", "order")
    assert b"velbrin batch: ensembl: paired by order; 2 of 2 pairs have different IDs" in (
        done.stderr
    )
    done = data.run(
        "batch", "families.tsv", "--out-dir", "out2", "--peptide-id", r"transcript:(\S+)"
    )
    status = (data.folder / "out2" / "status.tsv").read_text()
    assert "ensembl\taligned" in status, status
    assert parse_fasta((data.folder / "out2" / "ensembl.fa").read_text()) == {
        "ENSP00000493376.2": ROW_ONE,
        "ENSP00000334393.3": ROW_TWO,
    }
