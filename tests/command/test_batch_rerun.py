"""Rerunning `velbrin batch` into a folder an earlier run filled: what the folder holds
afterwards must describe the latest run, and resuming must not trust stale outputs."""

import os

import pytest
from test_batch import manifest_batch, run_batch, statuses, write_family


def test_a_family_that_fails_on_a_rerun_loses_its_old_output(tmp_path):
    manifest, _ = manifest_batch(tmp_path, {"good": False, "turns": False})
    out = tmp_path / "out"
    assert run_batch(manifest, "--out-dir", out).returncode == 0
    write_family(tmp_path / "aa" / "turns.faa", tmp_path / "nt" / "turns.fna", "turns", faulty=True)

    assert run_batch(manifest, "--out-dir", out).returncode == 1
    assert sorted(p.name for p in out.iterdir()) == ["good.fa", "status.tsv", "turns.err"]

    resumed = run_batch(manifest, "--out-dir", out, "--skip-existing")
    assert resumed.returncode == 1, resumed.stderr
    assert statuses(out / "status.tsv") == {"good": "skipped", "turns": "failed"}


@pytest.mark.parametrize("stale", ["input newer", "report beside"])
def test_skip_existing_reruns_a_stale_output(tmp_path, stale):
    manifest, _ = manifest_batch(tmp_path, {"good": False, "other": False})
    out = tmp_path / "out"
    assert run_batch(manifest, "--out-dir", out).returncode == 0
    output = out / "good.fa"
    if stale == "input newer":
        # The nucleotides were corrected after the output was written.
        written = output.stat().st_mtime_ns
        os.utime(tmp_path / "nt" / "good.fna", ns=(written + 10**9, written + 10**9))
    else:
        # A run that could not remove the output left the failure's report beside it.
        (out / "good.err").write_text("an earlier failure\n")

    result = run_batch(manifest, "--out-dir", out, "--skip-existing")
    assert result.returncode == 0, result.stderr
    assert statuses(out / "status.tsv") == {"good": "aligned", "other": "skipped"}
    assert not (out / "good.err").exists()
