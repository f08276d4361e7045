"""Inputs come plain, gzip-compressed (by content, not name), as CLUSTAL or from stdin."""

import gzip

from conftest import EXAMPLES

CLUSTAL = """CLUSTAL W (1.83) multiple sequence alignment

a    MK-
b    M-W
     *

a    W
b    W
"""


def test_gzip_and_standard_input_give_the_plain_result(velbrin):
    peptides, nucleotides = EXAMPLES / "gene7_aa.fa", EXAMPLES / "gene7_nt.fa"
    plain = velbrin.run("align", peptides, nucleotides)
    assert plain.returncode == 0, plain.stderr
    (velbrin.folder / "pep.txt").write_bytes(gzip.compress(peptides.read_bytes()))
    # two gzip members in one file, under a name that does not say gzip
    data = nucleotides.read_bytes()
    half = data.index(b">", 10)
    (velbrin.folder / "nt.fa").write_bytes(gzip.compress(data[:half]) + gzip.compress(data[half:]))
    for args, stdin in [(("pep.txt", "nt.fa"), None), (("-", "nt.fa"), peptides.read_bytes())]:
        done = velbrin.run("align", *args, stdin=stdin)
        assert (done.returncode, done.stdout) == (0, plain.stdout), done.stderr


def test_clustal_peptides(velbrin):
    (velbrin.folder / "pep.aln").write_text(CLUSTAL)
    nucleotides = velbrin.fasta("nt.fa", {"a": "ATGAAATGG", "b": "ATGTGGTGG"})
    done = velbrin.run("align", "pep.aln", nucleotides, "--width", 0)
    assert done.returncode == 0, done.stderr
    assert done.stdout == b">a\nATGAAA---TGG\n>b\nATG---TGGTGG\n"


def test_unreadable_input_names_the_file_and_line(velbrin):
    peptides = velbrin.fasta("pep.fa", None, data=b">a\nMK\n>\nMK\n")
    done = velbrin.run("align", peptides, velbrin.fasta("nt.fa", {"a": "ATGAAA"}))
    assert done.returncode == 1
    assert done.stderr.startswith(b"velbrin: pep.fa:3:")
