"""Exit statuses, the shape of usage errors, and output files that appear whole or not at all."""

import os
import signal
import subprocess
import time

import pytest
from conftest import RULE

PEPTIDES = {"a": "MK", "b": "MW"}
GOOD = {"a": "ATGAAA", "b": "ATGTGG"}


@pytest.fixture
def family(velbrin):
    return velbrin.fasta("pep.fa", PEPTIDES), velbrin.fasta("nt.fa", GOOD)


@pytest.mark.parametrize(
    "args, message",
    [
        ([], "PEPTIDES is required"),
        (["pep.fa"], "NUCLEOTIDES is required"),
        (
            ["pep.fa", "nt.fa", "--format", "xml"],
            "--format: xml not in {fasta,phylip,phylip-strict,paml,clustal,nexus}",
        ),
        (["pep.fa", "nt.fa", "--pair", "name"], "--pair: name not in {id,order,loose}"),
        (["pep.fa", "nt.fa", "--width", "-1"], "--width"),
        (["pep.fa", "nt.fa", "--table", "1", "--table-file", "code.txt"], "--table"),
        (["-", "-"], "standard input ('-') can be given for one input only"),
        (["pep.fa", "nt.fa", "--colour"], "--colour"),
    ],
)
def test_usage_errors_exit_2_with_one_line_and_the_hint(velbrin, family, args, message):
    done = velbrin.run("align", *args)
    assert (done.returncode, done.stdout) == (2, b"")
    first, hint = done.stderr.decode().splitlines()
    assert first.startswith("velbrin: ") and message in first
    assert hint == "Run with --help for more information."


def test_help_and_version(velbrin):
    for args in (["--help"], ["align", "--help"], ["--version"]):
        done = velbrin.run(*args)
        assert done.returncode == 0 and done.stderr == b""
    assert b"[60]" in velbrin.run("align", "--help").stdout  # defaults are shown
    assert velbrin.run("--version").stdout.startswith(b"velbrin 0.")


@pytest.mark.parametrize(
    "args, status, stderr_start",
    [
        (["--table", "7"], 1, RULE + "tarnix ERROR: Invalid codon table number."),
        (["--table-file", "missing.txt"], 1, "velbrin: missing.txt"),
        ([], 0, ""),
    ],
)
def test_output_file_replaced_only_on_success(velbrin, family, args, status, stderr_start):
    target = velbrin.folder / "out.fa"
    target.write_text("old\n")
    done = velbrin.run("align", *family, "-o", "out.fa", *args)
    assert done.returncode == status
    assert done.stderr.decode().startswith(stderr_start)
    assert sorted(os.listdir(velbrin.folder)) == ["nt.fa", "out.fa", "pep.fa"]  # no temporary left
    expected = velbrin.run("align", *family).stdout.decode() if status == 0 else "old\n"
    assert target.read_text() == expected


def test_no_output_file_appears_on_failure(velbrin, family):
    bad = velbrin.fasta("bad.fa", {"a": "ATGAAA", "b": "ATGTGC"})
    done = velbrin.run("align", family[0], bad, "-o", "out.fa")
    assert done.returncode == 1
    assert b"tarnix ERROR: Peptide and nucleotide sequences are inconsistent." in done.stderr
    # The rows of the record that passed went nowhere: no file, no temporary, no stdout.
    assert sorted(os.listdir(velbrin.folder)) == ["bad.fa", "nt.fa", "pep.fa"]
    assert velbrin.run("align", family[0], bad).stdout == b""
    assert velbrin.run("align", *family, "-o", "no/such/folder/out.fa").returncode == 1


def test_interrupt_removes_the_temporary_and_exits_130(velbrin, family):
    out = velbrin.folder / "out"
    out.mkdir()
    # The peptides come through a pipe held open, so the command waits with its
    # output's temporary created.
    process = subprocess.Popen(
        [velbrin.path, "align", "-", family[1], "-o", "out/result.fa"],
        stdin=subprocess.PIPE,
        stderr=subprocess.PIPE,
        cwd=velbrin.folder,
    )
    deadline = time.monotonic() + 30
    while not os.listdir(out) and time.monotonic() < deadline:
        time.sleep(0.01)
    assert os.listdir(out), "no temporary appeared"
    process.send_signal(signal.SIGINT)
    assert process.wait(timeout=30) == 130
    process.stdin.close()
    process.stderr.close()
    assert os.listdir(out) == []
