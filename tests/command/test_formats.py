"""Every output format, read back, gives the same codon alignment in the peptide order."""

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
