"""Every catchable signal that ends `velbrin align` or `velbrin batch` leaves nothing
half-written, and a batch still writes its status table; temporaries of a killed run
are cleared by the next run into the folder."""

import os
import signal
import subprocess
import time

import pytest
from conftest import command_path
from test_batch import manifest_batch, read_status, run_batch, statuses

ENDING_SIGNALS = [signal.SIGHUP, signal.SIGQUIT, signal.SIGTERM]


def wait_for(condition, process, seconds=60):
    deadline = time.monotonic() + seconds
    while not condition():
        assert time.monotonic() < deadline and process.poll() is None
        time.sleep(0.01)


@pytest.mark.parametrize("signal_number", ENDING_SIGNALS)
def test_align_removes_its_temporary(tmp_path, signal_number):
    (tmp_path / "aa.fa").write_text(">s\nM*\n")
    os.mkfifo(tmp_path / "nt.fa")  # nobody writes: the command waits for its input
    process = subprocess.Popen(
        [command_path(), "align", "aa.fa", "nt.fa", "-o", "out.fa"],
        cwd=tmp_path,
        stderr=subprocess.DEVNULL,
    )
    try:
        wait_for(
            lambda: any(p.name.startswith(".velbrin-tmp-") for p in tmp_path.iterdir()), process
        )
        process.send_signal(signal_number)
        assert process.wait(timeout=30) == 128 + signal_number
    finally:
        process.kill()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["aa.fa", "nt.fa"]


def test_align_ends_cleanly_when_an_input_is_cut_short_under_it(tmp_path):
    """The peptides are mapped and read; while the command waits for its nucleotides,
    another program empties the peptide file, whose pages the walk then reads."""
    (tmp_path / "aa.fa").write_text(">s\nMK\n")
    os.mkfifo(tmp_path / "nt.fa")
    process = subprocess.Popen(
        [command_path(), "align", "aa.fa", "nt.fa", "-o", "out.fa"],
        cwd=tmp_path,
        stderr=subprocess.PIPE,
        text=True,
    )
    try:
        with open(tmp_path / "nt.fa", "w") as nucleotides:  # the command has the peptides
            os.truncate(tmp_path / "aa.fa", 0)
            nucleotides.write(">s\nATGAAA\n")
        _, stderr = process.communicate(timeout=30)
    finally:
        process.kill()
    assert process.returncode == 1
    assert "cut short by another program" in stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["aa.fa", "nt.fa"]


@pytest.mark.parametrize("output", [["-o", "out.fa"], []], ids=["file", "stdout"])
def test_align_refuses_an_input_written_in_place_under_it(tmp_path, output):
    """While the command waits for its nucleotides, another program rewrites the mapped
    peptides in place with an alignment that also passes: the records would mix the
    bytes the command parsed with those it walks, so nothing may be written."""
    peptides = tmp_path / "aa.fa"
    peptides.write_text(">s\nM-K\n")
    os.utime(peptides, (0, 0))  # the rewrite's time cannot fall in the same clock tick
    os.mkfifo(tmp_path / "nt.fa")
    process = subprocess.Popen(
        [command_path(), "align", "aa.fa", "nt.fa", *output],
        cwd=tmp_path,
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        text=True,
    )
    try:
        with open(tmp_path / "nt.fa", "w") as nucleotides:  # the command has the peptides
            with open(peptides, "r+") as rewritten:
                rewritten.write(">s\nMK-\n")
            nucleotides.write(">s\nATGAAA\n")
        stdout, stderr = process.communicate(timeout=30)
    finally:
        process.kill()
    assert (process.returncode, stdout) == (1, "")
    assert "aa.fa: changed by another program while it was read" in stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["aa.fa", "nt.fa"]


def hanging_batch(folder):
    """A manifest of two good families and one whose nucleotides never arrive."""
    manifest, _ = manifest_batch(folder, {"a": False, "b": False})
    (folder / "h.faa").write_text(">h_0\nM*\n")
    os.mkfifo(folder / "h.fna")
    with manifest.open("a") as lines:
        lines.write("h\th.faa\th.fna\n")
    return manifest


@pytest.mark.parametrize("signal_number", ENDING_SIGNALS)
def test_batch_writes_its_status_table(tmp_path, signal_number):
    manifest, out = hanging_batch(tmp_path), tmp_path / "out"
    process = subprocess.Popen(
        [command_path(), "batch", manifest, "--out-dir", out, "--threads", "2"],
        stderr=subprocess.PIPE,
        text=True,
    )
    try:
        wait_for(lambda: (out / "a.fa").exists() and (out / "b.fa").exists(), process)
        time.sleep(0.1)
        process.send_signal(signal_number)
        _, stderr = process.communicate(timeout=30)
    finally:
        process.kill()
    assert process.returncode == 128 + signal_number, stderr
    assert statuses(out / "status.tsv") == {"a": "aligned", "b": "aligned", "h": "not_run"}
    assert sorted(p.name for p in out.iterdir()) == ["a.fa", "b.fa", "status.tsv"]


def test_batch_with_standard_error_closed_still_writes_its_status_table(tmp_path):
    """Its first message (a nucleotide file without a partner) goes to a pipe nobody
    reads: the batch ends as if interrupted, status table written."""
    (tmp_path / "aa").mkdir()
    (tmp_path / "nt").mkdir()
    (tmp_path / "aa" / "x.faa").write_text(">x_0\nM*\n")
    (tmp_path / "nt" / "x.fna").write_text(">x_0\nATGTAA\n")
    (tmp_path / "nt" / "lonely.fna").write_text(">y\nATG\n")
    reader, writer = os.pipe()
    os.close(reader)
    try:
        process = subprocess.run(
            [
                command_path(),
                "batch",
                "--peptides",
                "aa",
                "--nucleotides",
                "nt",
                "--out-dir",
                "out",
            ],
            cwd=tmp_path,
            stderr=writer,
            timeout=60,
            check=False,
        )
    finally:
        os.close(writer)
    assert process.returncode == 128 + signal.SIGPIPE
    assert [row["family"] for row in read_status(tmp_path / "out" / "status.tsv")] == ["x"]


def test_a_killed_runs_temporaries_are_removed_by_the_next_run(tmp_path):
    manifest, _ = manifest_batch(tmp_path, {"a": False})
    out = tmp_path / "out"
    out.mkdir()
    left = [out / ".velbrin-tmp-0123456789ab-a.fa", out / ".velbrin-tmp-zzzzzzzzzzzz-status.tsv"]
    kept = [out / "notes.tmp", out / ".velbrin-tmp-short-a.fa"]  # not an output's temporary
    for path in left + kept:
        path.write_text("partial")
        os.utime(path, (time.time() - 60, time.time() - 60))
    assert run_batch(manifest, "--out-dir", out).returncode == 0
    assert sorted(p.name for p in out.iterdir()) == sorted(
        ["a.fa", "status.tsv", *(path.name for path in kept)]
    )
