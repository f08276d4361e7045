"""Inputs come plain, gzip-compressed (by content, not name), as CLUSTAL or from stdin."""

import gzip

import pytest
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


STOCKHOLM = """# STOCKHOLM 1.0
#=GF ID gene7
a    MK.
b    M~W
#=GC SS_cons ...

a    W
b    W
//
"""

PHYLIP = """2 4
a  MK-W
b  M-WW
"""


@pytest.mark.parametrize(
    "name, data",
    [
        ("pep.sto", STOCKHOLM.encode()),
        ("pep.phy", PHYLIP.encode()),
        ("pep.fa", b">a\rMK.W\r>b\rM~WW\r"),  # bare carriage returns, other gaps
        ("pep.aln", b"\xef\xbb\xbf" + CLUSTAL.replace("\n", "\r\n").encode()),
    ],
)
def test_peptide_formats_and_line_ends(velbrin, name, data):
    (velbrin.folder / name).write_bytes(data)
    nucleotides = velbrin.fasta("nt.fa", None, data=b"\xef\xbb\xbf>a\rATGAAATGG\r>b\rATGTGGTGG\r")
    done = velbrin.run("align", name, nucleotides, "--width", 0)
    assert done.returncode == 0, done.stderr
    assert done.stdout == b">a\nATGAAA---TGG\n>b\nATG---TGGTGG\n"


def gzip_bomb(path, megabytes):
    """A gzip of `megabytes` MiB of FASTA: one long record, so little to compress."""
    line = b"ACGT" * 16 + b"\n"
    with gzip.open(path, "wb", compresslevel=9) as out:
        out.write(b">big\n")
        for _ in range(megabytes * 16384):
            out.write(line)


def test_inputs_beyond_the_size_limit_are_refused(velbrin):
    gzip_bomb(velbrin.folder / "nt.fa.gz", 3)
    peptides = velbrin.fasta("pep.fa", {"big": "M"})
    done = velbrin.run("align", peptides, "nt.fa.gz", "--max-input-size", "1M")
    assert done.returncode == 1
    assert (
        done.stderr
        == b"velbrin: nt.fa.gz: larger than the input size limit of 1M (--max-input-size)\n"
    )
    piped = velbrin.run(
        "align", peptides, "-", "--max-input-size", "100k", stdin=b">big\n" + b"A" * 200_000
    )
    assert piped.returncode == 1
    assert b"standard input: larger than the input size limit of 100K" in piped.stderr
    bad = velbrin.run("align", peptides, "nt.fa.gz", "--max-input-size", "lots")
    assert bad.returncode == 2


@pytest.mark.parametrize("device", ["/dev/zero", "/dev/urandom"])
def test_devices_are_refused_as_binary_data(velbrin, device):
    peptides = velbrin.fasta("pep.fa", {"a": "M"})
    done = velbrin.run("align", peptides, device)
    assert done.returncode == 1
    assert done.stderr.startswith(f"velbrin: {device}:".encode())
    assert b"binary data" in done.stderr or b"gzip" in done.stderr


def test_nul_bytes_in_gzip_are_refused(velbrin):
    (velbrin.folder / "nt.fa.gz").write_bytes(gzip.compress(b">a\nATG\n" + bytes(4 << 20)))
    done = velbrin.run("align", velbrin.fasta("pep.fa", {"a": "M"}), "nt.fa.gz")
    assert (done.returncode, done.stderr) == (1, b"velbrin: nt.fa.gz:3: binary data (byte 0x00)\n")
