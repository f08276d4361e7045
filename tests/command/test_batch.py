"""`velbrin batch` driven as a user runs it: many families, their status table, the
per-family files, resuming, stopping at the first failure and Ctrl-C."""

import csv
import gzip
import os
import pty
import re
import signal
import subprocess
import time

import pytest
from conftest import command_path

# Residues and one codon of each under the standard code; WRONG encodes none of them.
CODONS = {"M": "ATG", "K": "AAA", "T": "ACT", "A": "GCT", "L": "CTG", "G": "GGC", "*": "TAA"}
WRONG = "TGG"
ROOT = "MKTALGKTAL"


def run_batch(*args, cwd=None, **kwargs):
    return subprocess.run(
        [command_path(), "batch", *map(str, args)],
        cwd=cwd,
        capture_output=True,
        text=True,
        timeout=120,
        check=False,
        **kwargs,
    )


def family_records(name, records, length):
    """[(id, aligned peptide, nucleotides)]: the root repeated to `length` residues, each
    record with a gap of its own."""
    body = (ROOT * (length // len(ROOT) + 1))[: length - 1] + "*"
    rows = []
    for r in range(records):
        at = 1 + r % (length - 2)
        peptide = body[:at] + "-" + body[at + 1 :]
        rows.append((f"{name}_{r}", peptide, "".join(CODONS[c] for c in peptide if c != "-")))
    return rows


def expected_alignment(rows):
    return "".join(
        f">{rid} {rid[: rid.rindex('_')]}\n"
        + "".join(
            "---" if c == "-" else nt[3 * i : 3 * i + 3]
            for i, c in zip(_residue_numbers(pep), pep, strict=False)
        )
        + "\n"
        for rid, pep, nt in rows
    )


def _residue_numbers(peptide):
    n = 0
    for c in peptide:
        yield n
        n += c != "-"


def write_family(
    peptide_path, nucleotide_path, name, records=3, length=40, faulty=False, compress=False
):
    """Writes one family's two files; returns the expected fasta alignment (width 0)."""
    rows = family_records(name, records, length)
    if faulty:
        rid, pep, nt = rows[-1]
        rows[-1] = (rid, pep, nt[:3] + WRONG + nt[6:])
    peptide_path.parent.mkdir(parents=True, exist_ok=True)
    nucleotide_path.parent.mkdir(parents=True, exist_ok=True)
    peptide_path.write_text("".join(f">{rid} {name}\n{pep}\n" for rid, pep, _ in rows))
    nucleotides = "".join(f">{rid} {name}\n{nt}\n" for rid, _, nt in rows).encode()
    nucleotide_path.write_bytes(gzip.compress(nucleotides) if compress else nucleotides)
    return expected_alignment(rows)


def read_status(path):
    with open(path, newline="") as table:
        return list(csv.DictReader(table, delimiter="\t", quoting=csv.QUOTE_NONE))


def statuses(path):
    return {row["family"]: row["status"] for row in read_status(path)}


def manifest_batch(folder, families):
    """A manifest of `families` ({name: faulty}) with paths relative to its folder."""
    expected, lines = {}, ["# family\tpeptides\tnucleotides"]
    for name, faulty in families.items():
        expected[name] = write_family(
            folder / "aa" / f"{name}.faa",
            folder / "nt" / f"{name}.fna",
            name,
            records=2 + len(name),
            faulty=faulty,
        )
        lines.append(f"{name}\taa/{name}.faa\tnt/{name}.fna")
    (folder / "families.tsv").write_text("\n".join(lines) + "\n")
    return folder / "families.tsv", expected


@pytest.mark.parametrize("threads", [1, 2])
def test_good_and_faulty_families(tmp_path, threads):
    manifest, expected = manifest_batch(
        tmp_path / "in", {"beta": False, "alpha": True, "gamma": False}
    )
    with manifest.open("a") as lines:
        lines.write("lost\tnone.faa\tnt/beta.fna\n")
    out = tmp_path / "out"
    result = run_batch(manifest, "--out-dir", out, "--threads", threads, "--width", 0, cwd=tmp_path)
    assert result.returncode == 1, result.stderr
    rows = read_status(out / "status.tsv")
    assert [row["family"] for row in rows] == ["beta", "alpha", "gamma", "lost"]
    by_family = {row["family"]: row for row in rows}
    assert [(r["status"], r["kind"]) for r in rows] == [
        ("aligned", ""),
        ("failed", "inconsistency"),
        ("aligned", ""),
        ("input_error", ""),
    ]
    assert by_family["gamma"]["records"] == "7" and by_family["gamma"]["codon_columns"] == "40"
    assert by_family["alpha"]["summary"] == "Peptide and nucleotide sequences are inconsistent."
    assert "none.faa" in by_family["lost"]["summary"]
    for name in ("beta", "gamma"):
        assert (out / f"{name}.fa").read_text() == expected[name]
    assert "tarnix ERROR" in (out / "alpha.err").read_text()
    assert "none.faa" in (out / "lost.err").read_text()
    assert sorted(p.name for p in out.iterdir()) == [
        "alpha.err",
        "beta.fa",
        "gamma.fa",
        "lost.err",
        "status.tsv",
    ]
    assert result.stderr.strip().endswith(f"4 families: 2 aligned, 2 failed (see {out}/status.tsv)")


def test_folders_matched_by_stem(tmp_path):
    aa, nt, out = tmp_path / "aa", tmp_path / "nt", tmp_path / "out"
    expected = {
        "k1": write_family(aa / "k1.fasta", nt / "k1.fna.gz", "k1", compress=True),
        "k2": write_family(aa / "k2.aln", nt / "k2.cds", "k2"),
    }
    write_family(aa / "lonely.pep", nt / "unused.txt", "lonely")
    write_family(aa / "notes.txt", nt / "extra.nt", "extra")
    result = run_batch(
        "--peptides", aa, "--nucleotides", nt, "--out-dir", out, "--format", "fasta", "--width", 0
    )
    assert result.returncode == 1, result.stderr
    assert statuses(out / "status.tsv") == {
        "k1": "aligned",
        "k2": "aligned",
        "lonely": "input_error",
    }
    assert "1 nucleotide file(s) without a peptide partner" in result.stderr
    for name, text in expected.items():
        assert (out / f"{name}.fa").read_text() == text


@pytest.mark.parametrize(
    "line, message",
    [
        ("a\taa.fa", "families.tsv:3: expected 3 or 4 tab-separated fields"),
        ("a\taa.fa\tnt.fa\tx1", "families.tsv:3: the table 'x1' is not a whole number"),
        ("a/b\taa.fa\tnt.fa", "families.tsv:3: the family name contains '/'"),
        ("first\taa.fa\tnt.fa", "families.tsv:3: the family 'first' is already listed on line 1"),
        ("a\taa.fa\tnt.fa,", "families.tsv:3: empty file path"),
    ],
)
def test_manifest_errors_name_the_line(tmp_path, line, message):
    (tmp_path / "families.tsv").write_text(f"first\taa.fa\tnt.fa\n\n{line}\n")
    result = run_batch(tmp_path / "families.tsv", "--out-dir", tmp_path / "out")
    assert result.returncode == 2
    assert message in result.stderr
    assert not (tmp_path / "out" / "status.tsv").exists()


def test_manifest_layout(tmp_path):
    """CRLF line ends, comments, spaces around fields, several nucleotide files, an
    absolute path and a table column all read as meant."""
    data = tmp_path / "data"
    expected = write_family(data / "a.faa", data / "a.fna", "a", records=4)
    nucleotides = (data / "a.fna").read_text().split(">")[1:]
    (data / "a1.fna").write_text(">" + ">".join(nucleotides[:2]))
    (data / "a2.fna").write_text(">" + ">".join(nucleotides[2:]))
    manifest = tmp_path / "lists" / "families.tsv"
    manifest.parent.mkdir()
    manifest.write_text(
        "# name\tpeptides\tnucleotides\r\n\r\n"
        f" a \t../data/a.faa\t../data/a1.fna, {data}/a2.fna \t 11\r\n"
        "   # indented comment\n"
        "b\t../data/a.faa\t../data/a.fna\t99\n"
    )
    out = tmp_path / "out"
    result = run_batch(manifest, "--out-dir", out, "--width", 0)
    assert result.returncode == 1, result.stderr
    rows = {row["family"]: row for row in read_status(out / "status.tsv")}
    assert rows["a"]["status"] == "aligned"
    assert (rows["b"]["status"], rows["b"]["kind"]) == ("failed", "table")
    assert (out / "a.fa").read_text() == expected


@pytest.mark.parametrize(
    "peptide_name, out_name, message",
    [
        ("z.faa", "aa", "the output folder"),
        ("x.pep", "out", "name the family 'x'"),
    ],
)
def test_folders_that_cannot_start(tmp_path, peptide_name, out_name, message):
    write_family(tmp_path / "aa" / "x.fa", tmp_path / "nt" / "x.fna", "x")
    write_family(tmp_path / "aa" / peptide_name, tmp_path / "nt" / "y.fna", "x")
    result = run_batch(
        "--peptides",
        tmp_path / "aa",
        "--nucleotides",
        tmp_path / "nt",
        "--out-dir",
        tmp_path / out_name,
    )
    assert result.returncode == 2
    assert message in result.stderr
    assert not (tmp_path / out_name / "status.tsv").exists()


def test_skip_existing_resumes(tmp_path):
    manifest, _ = manifest_batch(tmp_path, {"good": False, "bad": True})
    out = tmp_path / "out"
    assert run_batch(manifest, "--out-dir", out).returncode == 1
    good_output = out / "good.fa"
    stamp = good_output.stat().st_mtime_ns
    write_family(tmp_path / "aa" / "bad.faa", tmp_path / "nt" / "bad.fna", "bad", records=5)

    result = run_batch(manifest, "--out-dir", out, "--skip-existing")
    assert result.returncode == 0, result.stderr
    assert statuses(out / "status.tsv") == {"good": "skipped", "bad": "aligned"}
    assert good_output.stat().st_mtime_ns == stamp
    assert not (out / "bad.err").exists()


def test_fail_fast_starts_nothing_after_a_failure(tmp_path):
    # Largest first: the faulty family, with the most records, runs first.
    manifest, _ = manifest_batch(tmp_path, {"a": False, "bbbbbbbb": True, "c": False})
    out = tmp_path / "out"
    result = run_batch(manifest, "--out-dir", out, "--fail-fast", "--threads", 1)
    assert result.returncode == 1
    assert statuses(out / "status.tsv") == {"a": "not_run", "bbbbbbbb": "failed", "c": "not_run"}
    assert sorted(p.name for p in out.iterdir()) == ["bbbbbbbb.err", "status.tsv"]


@pytest.mark.parametrize("threads", [1, 2])
def test_interrupt_keeps_what_finished(tmp_path, threads):
    """Ctrl-C while workers hang on families whose nucleotides never arrive (named pipes
    nobody writes), after the other families finished: the command neither waits for
    them nor leaves anything of them behind."""
    finished = [f"f{i}" for i in range(6)]
    hanging = ["h1", "h2", "h3"]
    lines = []
    for name in finished:
        write_family(
            tmp_path / f"{name}.faa", tmp_path / f"{name}.fna", name, records=8, length=300
        )
        lines.append(f"{name}\t{name}.faa\t{name}.fna")
    for name in hanging:
        (tmp_path / f"{name}.faa").write_text(f">{name}_0\nM*\n")
        os.mkfifo(tmp_path / f"{name}.fna")
        lines.insert(1, f"{name}\t{name}.faa\t{name}.fna")
    (tmp_path / "families.tsv").write_text("\n".join(lines) + "\n")
    out = tmp_path / "out"
    process = subprocess.Popen(
        [
            command_path(),
            "batch",
            tmp_path / "families.tsv",
            "--out-dir",
            out,
            "--threads",
            str(threads),
        ],
        stderr=subprocess.PIPE,
        text=True,
    )
    try:
        deadline = time.monotonic() + 60
        while not all((out / f"{name}.fa").exists() for name in finished):
            assert time.monotonic() < deadline and process.poll() is None
            time.sleep(0.01)
        time.sleep(0.1)
        process.send_signal(signal.SIGINT)
        _, stderr = process.communicate(timeout=30)
    finally:
        process.kill()
    assert process.returncode == 130, stderr
    rows = read_status(out / "status.tsv")
    assert [row["family"] for row in rows] == ["f0", *reversed(hanging), *finished[1:]]
    assert {row["family"]: row["status"] for row in rows} == {
        **{name: "aligned" for name in finished},
        **{name: "not_run" for name in hanging},
    }
    assert sorted(p.name for p in out.iterdir()) == sorted(
        [f"{name}.fa" for name in finished] + ["status.tsv"]
    )
    assert stderr.startswith("interrupted; 9 families: 6 aligned, 3 not run")


@pytest.mark.parametrize("terminal, quiet", [(True, False), (False, False), (True, True)])
def test_progress_only_on_a_terminal(tmp_path, terminal, quiet):
    manifest, _ = manifest_batch(tmp_path, {"a": False, "b": False})
    args = [command_path(), "batch", str(manifest), "--out-dir", str(tmp_path / "out")]
    args += ["--quiet"] if quiet else []
    if terminal:
        try:
            leader, follower = pty.openpty()
        except OSError as error:
            pytest.skip(f"no terminal (pty) can be opened here: {error}")
        process = subprocess.run(
            args, stderr=follower, stdout=subprocess.DEVNULL, timeout=60, check=False
        )
        os.close(follower)
        stderr = b""
        while True:
            try:
                chunk = os.read(leader, 4096)
            except OSError:
                break
            if not chunk:
                break
            stderr += chunk
        os.close(leader)
        stderr = stderr.decode()
    else:
        process = subprocess.run(args, capture_output=True, text=True, timeout=60, check=False)
        stderr = process.stderr
    assert process.returncode == 0
    summary = f"2 families: 2 aligned (see {tmp_path}/out/status.tsv)"
    if quiet:
        assert stderr == ""
    elif terminal:
        assert re.search(r"\r2/2 families, 0 failed, [0-9.]+ MB/s, ETA ", stderr)
        # The progress line is erased before the summary.
        assert stderr.replace("\r\n", "\n").endswith("\r\x1b[K" + summary + "\n")
    else:
        assert stderr == summary + "\n"


@pytest.mark.parametrize(
    "failure, status, nucleotides",
    [
        ("inconsistent codon", "failed", 5 * 117),
        ("table 99", "failed", 5 * 117),
        ("a nucleotide record missing", "input_error", 4 * 117),
    ],
)
def test_a_failed_familys_row_counts_what_was_read(tmp_path, failure, status, nucleotides):
    manifest, _ = manifest_batch(tmp_path, {"good": False, "bad": failure == "inconsistent codon"})
    if failure == "table 99":
        manifest.write_text(manifest.read_text().replace("nt/bad.fna\n", "nt/bad.fna\t99\n"))
    if failure == "a nucleotide record missing":
        records = (tmp_path / "nt" / "bad.fna").read_text().split(">")[1:]
        (tmp_path / "nt" / "bad.fna").write_text(">" + ">".join(records[:-1]))
    out = tmp_path / "out"
    assert run_batch(manifest, "--out-dir", out).returncode == 1
    rows = {row["family"]: row for row in read_status(out / "status.tsv")}
    bad = rows["bad"]
    assert bad["status"] == status
    assert (bad["records"], bad["codon_columns"], bad["nucleotides"]) == ("5", "", str(nucleotides))
    assert rows["good"]["codon_columns"] == "40"
