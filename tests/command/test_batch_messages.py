"""`velbrin batch` refuses odd requests before it runs anything, with one line that
says what is wrong, and never writes over its own inputs."""

import pytest
from test_batch import manifest_batch, run_batch


@pytest.mark.parametrize(
    "args, message",
    [
        (["--threads", "0"], "--threads must be at least 1"),
        (["--threads", "-3"], "--threads must be at least 1"),
        (["--out-dir", ""], "--out-dir names no folder"),
        (["--out-dir", "./aa/"], "the output folder holds the input "),
        (["--out-dir", "linked"], "the output folder holds the input "),
        (["--status", "./families.tsv"], "is the manifest"),
        (["--status", "linked/b.fna"], "the status table would overwrite the input "),
    ],
)
def test_refused_before_anything_runs(tmp_path, args, message):
    manifest_batch(tmp_path, {"a": False, "b": False})
    (tmp_path / "linked").symlink_to("nt")
    before = {path: path.read_bytes() for path in tmp_path.rglob("*") if path.is_file()}
    options = {"--out-dir": "out", **dict(zip(args[::2], args[1::2], strict=True))}
    result = run_batch("families.tsv", *(x for pair in options.items() for x in pair), cwd=tmp_path)
    assert result.returncode == 2, result.stderr
    assert message in result.stderr
    assert len(result.stderr.splitlines()) <= 2  # the line, and the usage hint
    assert {path: path.read_bytes() for path in before} == before
    assert not (tmp_path / "out" / "status.tsv").exists()


def test_a_nul_byte_in_a_manifest_line_is_named(tmp_path):
    manifest, _ = manifest_batch(tmp_path, {"a": False})
    manifest.write_bytes(manifest.read_bytes() + b"b\taa/a.faa\x00.bak\tnt/a.fna\n")
    result = run_batch(manifest, "--out-dir", tmp_path / "out")
    assert result.returncode == 2
    assert "families.tsv:3: the line holds a NUL byte" in result.stderr
