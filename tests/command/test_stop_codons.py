"""The terminal stop codon a CDS carries, trimmed unless kept, the hint naming the option,
and stop columns."""

import pytest
from conftest import RULE, parse_fasta

HINT = (
    "hint: the nucleotides of 'b' end with a stop codon that its peptide leaves out; "
    "without --keep-terminal-stop it is trimmed\n"
)


@pytest.mark.parametrize(
    "b_nucleotides, table, trimmed, hint",
    [
        ("ATGTGGTAA", [], "ATGTGG", True),
        ("ATGTGGtga", [], "ATGTGG", True),  # any case
        ("ATGTGGTGA", ["--table", "2"], None, False),  # TGA reads W under table 2: no stop
        ("ATGTGGCCC", [], None, False),  # one codon too many, but no stop
        ("ATGTGGTAATAA", [], None, False),  # two codons too many
    ],
)
@pytest.mark.parametrize("trim", [[], ["--trim-terminal-stop"]])
def test_terminal_stop_is_trimmed_only_when_it_is_one_extra_stop(
    velbrin, b_nucleotides, table, trimmed, hint, trim
):
    peptides = velbrin.fasta("pep.fa", {"a": "MW", "b": "MW"})
    nucleotides = velbrin.fasta("nt.fa", {"a": "ATGTGG", "b": b_nucleotides})
    done = velbrin.run("align", peptides, nucleotides, *table, *trim)
    if trimmed:
        assert done.returncode == 0, done.stderr
        assert parse_fasta(done.stdout.decode()) == {"a": "ATGTGG", "b": trimmed}
    else:
        assert done.returncode == 1
        assert b"Peptide and nucleotide lengths are inconsistent." in done.stderr
        assert b"hint:" not in done.stderr
    untrimmed = velbrin.run("align", peptides, nucleotides, *table, "--keep-terminal-stop")
    assert untrimmed.returncode == 1
    stderr = untrimmed.stderr.decode()
    assert stderr.startswith(RULE + "tarnix ERROR: Peptide and nucleotide lengths")
    assert stderr.endswith(RULE + HINT if hint else RULE)


def test_keep_and_trim_terminal_stop_exclude_each_other(velbrin):
    peptides = velbrin.fasta("pep.fa", {"a": "M"})
    done = velbrin.run("align", peptides, peptides, "--keep-terminal-stop", "--trim-terminal-stop")
    assert done.returncode == 2
    assert b"Run with --help for more information." in done.stderr


def test_stop_and_gap_columns_are_dropped(velbrin):
    peptides = velbrin.fasta("pep.fa", {"a": "M-K*W", "b": "MW-*W", "c": "MWKQW"})
    nucleotides = velbrin.fasta(
        "nt.fa", {"a": "ATGAAATAGTGG", "b": "ATGTGGTGATGG", "c": "ATGTGGAAACAATGG"}
    )
    results = {}
    for options in (
        [],
        ["--remove-stop-columns"],
        ["--remove-gap-columns"],
        ["--remove-stop-columns", "--remove-gap-columns"],
    ):
        done = velbrin.run("align", peptides, nucleotides, "--format", "phylip", *options)
        assert done.returncode == 0, done.stderr
        results[" ".join(options)] = done.stdout.decode().split("\n", 1)[1]
    assert results == {
        "": "a ATG---AAATAGTGG\nb ATGTGG---TGATGG\nc ATGTGGAAACAATGG\n",
        # TAG and TGA are stops under table 1: their column goes
        "--remove-stop-columns": "a ATG---AAATGG\nb ATGTGG---TGG\nc ATGTGGAAATGG\n",
        "--remove-gap-columns": "a ATGTAGTGG\nb ATGTGATGG\nc ATGCAATGG\n",
        "--remove-stop-columns --remove-gap-columns": "a ATGTGG\nb ATGTGG\nc ATGTGG\n",
    }


def test_stops_of_a_code_file(velbrin):
    (velbrin.folder / "code.txt").write_text("# two stops\nM ATG\nW TGG TGA\n* TAA TAG\n")
    peptides = velbrin.fasta("pep.fa", {"a": "MWW", "b": "MW*"})
    nucleotides = velbrin.fasta("nt.fa", {"a": "ATGTGATGGTAA", "b": "ATGTGGTAG"})
    done = velbrin.run(
        "align",
        peptides,
        nucleotides,
        "--table-file",
        "code.txt",
        "--trim-terminal-stop",
        "--remove-stop-columns",
        "--width",
        0,
    )
    assert done.returncode == 0, done.stderr
    assert done.stdout == b">a\nATGTGA\n>b\nATGTGG\n"
