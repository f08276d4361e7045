"""Where `-o` may write: never over an input, through devices and FIFOs, and nothing
partial left behind when the system stops a write."""

import os
import subprocess
import threading

import pytest

PEPTIDES = {"a": "MK", "b": "MW"}
NUCLEOTIDES = {"a": "ATGAAA", "b": "ATGTGG"}
ALIGNED = b">a\nATGAAA\n>b\nATGTGG\n"


@pytest.fixture
def family(velbrin):
    velbrin.fasta("pep.fa", PEPTIDES)
    velbrin.fasta("nt.fa", NUCLEOTIDES)
    (velbrin.folder / "code.txt").write_text("M ATG\nK AAA\nW TGG\n* TAA\n")
    return velbrin


@pytest.mark.parametrize(
    "output, named",
    [
        ("pep.fa", "pep.fa"),
        ("nt.fa", "nt.fa"),
        ("./sub/../nt.fa", "nt.fa"),
        ("linked.fa", "pep.fa"),
        ("hard.fa", "nt.fa"),
        ("code.txt", "code.txt"),
    ],
)
def test_an_input_is_never_overwritten(family, output, named):
    (family.folder / "sub").mkdir()
    (family.folder / "linked.fa").symlink_to("pep.fa")
    os.link(family.folder / "nt.fa", family.folder / "hard.fa")
    before = {name: (family.folder / name).read_bytes() for name in ("pep.fa", "nt.fa")}
    done = family.run("align", "pep.fa", "nt.fa", "--table-file", "code.txt", "-o", output)
    assert done.returncode == 2, done.stderr
    first, hint = done.stderr.decode().splitlines()
    assert first == f"velbrin: the output {output} is the input {named}; name another output file"
    assert hint == "Run with --help for more information."
    assert {name: (family.folder / name).read_bytes() for name in before} == before
    assert sorted(p.name for p in family.folder.iterdir()) == sorted(
        ["pep.fa", "nt.fa", "code.txt", "sub", "linked.fa", "hard.fa"]
    )


def test_a_new_output_beside_the_inputs_is_fine(family):
    done = family.run("align", "pep.fa", "nt.fa", "-o", "out.fa")
    assert done.returncode == 0, done.stderr
    assert (family.folder / "out.fa").read_bytes() == ALIGNED


@pytest.mark.parametrize("target", ["/dev/null", "/dev/stdout"])
def test_devices_are_written_through(family, target):
    done = family.run("align", "pep.fa", "nt.fa", "-o", target)
    assert done.returncode == 0, done.stderr
    assert done.stdout == (ALIGNED if target == "/dev/stdout" else b"")
    assert os.path.exists("/dev/null") and not os.path.isfile("/dev/null")


def test_stdout_redirected_to_a_file_is_written_not_replaced(family):
    with open(family.folder / "log", "wb") as log:
        done = subprocess.run(
            [family.path, "align", "pep.fa", "nt.fa", "-o", "/dev/stdout"],
            stdout=log,
            stderr=subprocess.PIPE,
            cwd=family.folder,
            timeout=60,
        )
    assert done.returncode == 0, done.stderr
    assert (family.folder / "log").read_bytes() == ALIGNED


def test_a_fifo_is_written_through_and_kept(family):
    fifo = family.folder / "pipe"
    os.mkfifo(fifo)
    received = []
    reader = threading.Thread(target=lambda: received.append(fifo.read_bytes()))
    reader.start()
    done = family.run("align", "pep.fa", "nt.fa", "-o", "pipe")
    reader.join(timeout=60)
    assert done.returncode == 0, done.stderr
    assert received == [ALIGNED]
    assert fifo.is_fifo()


def test_a_folder_as_output_is_a_clear_error(family):
    (family.folder / "out").mkdir()
    done = family.run("align", "pep.fa", "nt.fa", "-o", "out")
    assert done.returncode == 1
    assert done.stderr == b"velbrin: out: is a folder; the output must be a file\n"
    assert list((family.folder / "out").iterdir()) == []


def test_a_long_legal_output_name_is_written(family):
    name = "n" * 240 + ".fa"
    done = family.run("align", "pep.fa", "nt.fa", "-o", name)
    assert done.returncode == 0, done.stderr
    assert (family.folder / name).read_bytes() == ALIGNED
    assert sorted(p.name for p in family.folder.iterdir()) == sorted(
        ["pep.fa", "nt.fa", "code.txt", name]
    )


@pytest.mark.parametrize("flags", [[], ["--no-fsync"]])
def test_durable_or_not_the_file_is_the_same(family, flags):
    done = family.run("align", "pep.fa", "nt.fa", "-o", "out.fa", *flags)
    assert done.returncode == 0, done.stderr
    assert (family.folder / "out.fa").read_bytes() == ALIGNED


@pytest.mark.parametrize(
    "arguments, status, stderr, written",
    [
        # the -v counts must not land in the file opened next
        ("-v -o out.fa 2>&-", 0, b"", ALIGNED),
        # a closed standard output is a write failure, not a stray file
        (">&-", 1, b"velbrin: standard output: cannot write: Bad file descriptor\n", None),
    ],
)
def test_closed_standard_descriptors(family, arguments, status, stderr, written):
    done = subprocess.run(
        f"exec {family.path} align pep.fa nt.fa {arguments}",
        shell=True,
        capture_output=True,
        cwd=family.folder,
        timeout=60,
    )
    assert (done.returncode, done.stderr) == (status, stderr)
    out = family.folder / "out.fa"
    assert (out.read_bytes() if out.exists() else None) == written


def test_a_write_past_the_file_size_limit_fails_and_leaves_nothing(family):
    big = {f"s{i}": "M" + "K" * 999 for i in range(8)}
    family.fasta("big_pep.fa", big)
    family.fasta("big_nt.fa", {k: "ATG" + "AAA" * 999 for k in big})
    done = subprocess.run(
        ["bash", "-c", f"ulimit -f 8; exec {family.path} align big_pep.fa big_nt.fa -o out.fa"],
        capture_output=True,
        cwd=family.folder,
        timeout=60,
    )
    assert done.returncode == 1, done.stderr
    assert done.stderr == b"velbrin: out.fa: cannot write: File too large\n"
    assert sorted(p.name for p in family.folder.iterdir()) == sorted(
        ["pep.fa", "nt.fa", "code.txt", "big_pep.fa", "big_nt.fa"]
    )
