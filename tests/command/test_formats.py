"""Every output format, read back, gives the same codon alignment in the peptide order."""

import io

import pytest
from conftest import EXAMPLES, parse_fasta


def parse_sequential(text):
    lines = text.splitlines()
    count, columns = map(int, lines[0].split())
    records = dict(line.split(None, 1) for line in lines[1:] if line)
    assert len(records) == count and all(len(codons) == columns for codons in records.values())
    return records


def parse_clustal(text):
    lines = text.splitlines()
    assert lines[0].startswith("CLUSTAL")
    records = {}
    for line in lines[1:]:
        if line.strip():
            name, codons = line.split()
            records[name] = records.get(name, "") + codons
    return records


PARSERS = {
    "fasta": parse_fasta,
    "phylip": parse_sequential,
    "paml": parse_sequential,
    "clustal": parse_clustal,
}


@pytest.fixture(scope="module")
def reference(tmp_path_factory):
    """The bundled family aligned by the module: the codon rows by ID."""
    import velbrin as module

    peptides = parse_fasta((EXAMPLES / "gene7_aa.fa").read_text())
    nucleotides = parse_fasta((EXAMPLES / "gene7_nt.fa").read_text())
    seqs = {key: ((key, peptides[key]), (0, key, nucleotides[key])) for key in peptides}
    lines = module.tarnix("", "aa.fa", "nt.fa", 1, seqs).splitlines()
    return dict(zip(lines[0::2], lines[1::2], strict=False))


@pytest.mark.parametrize(
    "fmt, width",
    [("fasta", 60), ("fasta", 0), ("fasta", 7), ("phylip", 60), ("paml", 60), ("clustal", 60)],
)
def test_output_reads_back_as_the_alignment(velbrin, reference, fmt, width):
    done = velbrin.run(
        "align",
        EXAMPLES / "gene7_aa.fa",
        EXAMPLES / "gene7_nt.fa",
        "--format",
        fmt,
        "--width",
        width,
    )
    assert done.returncode == 0, done.stderr
    text = done.stdout.decode()
    records = PARSERS[fmt](text)
    assert records == reference
    assert list(records) == list(parse_fasta((EXAMPLES / "gene7_aa.fa").read_text()))
    if fmt == "fasta":
        sequence_lines = [line for line in text.splitlines() if not line.startswith(">")]
        assert max(map(len, sequence_lines)) == (width or len(next(iter(reference.values()))))
        assert text.startswith(">Hsap_GENE7 gene7 protein\n")  # the peptide's full header
    if fmt == "paml":
        assert text.splitlines()[1].startswith("Hsap_GENE7  ATG")


def read_back(text, fmt):
    """The records as Biopython's readers (what many programs' users reach for) see them."""
    align_io = pytest.importorskip("Bio.AlignIO")
    return {record.id: str(record.seq) for record in align_io.read(io.StringIO(text), fmt)}


@pytest.mark.parametrize("fmt, reader", [("phylip-strict", "phylip"), ("nexus", "nexus")])
def test_strict_phylip_and_nexus_read_back(velbrin, reference, fmt, reader):
    done = velbrin.run("align", EXAMPLES / "gene7_aa.fa", EXAMPLES / "gene7_nt.fa", "--format", fmt)
    assert done.returncode == 0, done.stderr
    records = read_back(done.stdout.decode(), reader)
    assert list(records.values()) == list(reference.values())
    names = [name[:10] for name in reference] if fmt == "phylip-strict" else list(reference)
    assert list(records) == names


def test_nexus_quoted_names_read_back(velbrin):
    velbrin.fasta("pep.fa", {"ENSG-1 x": "MK", "a:b": "MW"})
    velbrin.fasta("nt.fa", {"ENSG-1": "ATGAAA", "a:b": "ATGTGG"})
    done = velbrin.run("align", "pep.fa", "nt.fa", "--format", "nexus")
    assert done.returncode == 0, done.stderr
    assert b"'ENSG-1'" in done.stdout
    assert read_back(done.stdout.decode(), "nexus") == {"ENSG-1": "ATGAAA", "a:b": "ATGTGG"}


def test_strict_phylip_refuses_names_equal_after_cutting(velbrin):
    velbrin.fasta("pep.fa", {"Homo_sapiens_1": "MK", "Homo_sapiens_2": "MW"})
    velbrin.fasta("nt.fa", {"Homo_sapiens_1": "ATGAAA", "Homo_sapiens_2": "ATGTGG"})
    done = velbrin.run("align", "pep.fa", "nt.fa", "--format", "phylip-strict", "-o", "out.phy")
    assert (done.returncode, done.stdout) == (1, b"")
    assert done.stderr.decode() == (
        "velbrin: the names 'Homo_sapiens_1' and 'Homo_sapiens_2' are both 'Homo_sapie' "
        "when cut to 10 characters for phylip-strict; use --format phylip or fasta\n"
    )
    assert not (velbrin.folder / "out.phy").exists()


@pytest.mark.parametrize("fmt", ["fasta", "phylip", "phylip-strict", "paml", "clustal", "nexus"])
@pytest.mark.parametrize("filters", [[], ["--remove-stop-columns", "--remove-gap-columns"]])
def test_file_and_standard_output_carry_the_same_bytes(velbrin, fmt, filters):
    args = ["align", EXAMPLES / "gene7_aa.fa", EXAMPLES / "gene7_nt.fa", "--format", fmt]
    to_stdout = velbrin.run(*args, *filters)
    to_file = velbrin.run(*args, *filters, "-o", "out", "--no-fsync")
    assert to_stdout.returncode == to_file.returncode == 0, to_file.stderr
    assert to_file.stdout == b""
    assert (velbrin.folder / "out").read_bytes() == to_stdout.stdout
