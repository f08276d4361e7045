"""`velbrin batch` under resource limits: when the system refuses worker threads, the
batch runs on what it got (the main thread at the least) and still writes every output
and its status table.  The limits are set with `ulimit` in the child's shell only."""

import shlex
import subprocess
from functools import cache
from pathlib import Path

import pytest
from conftest import command_path
from test_batch import manifest_batch, statuses


@cache
def sanitized():
    """Sanitizer builds reserve terabytes of shadow memory, which no address-space limit
    admits."""
    binary = Path(command_path()).read_bytes()
    return b"__asan_init" in binary or b"__tsan_init" in binary


@pytest.mark.skipif("sanitized()", reason="an address-space limit and a sanitizer do not mix")
@pytest.mark.parametrize("threads", [1, 3])
def test_batch_runs_without_the_threads_it_asked_for(tmp_path, threads):
    manifest, expected = manifest_batch(tmp_path, {"a": False, "b": True, "c": False, "d": False})
    out = tmp_path / "out"
    # Threads take their stack size from the stack limit: at 4 GB each, none fits into
    # an address space of 3 GB, while the main thread's stack grows only as it is used.
    script = (
        "ulimit -s 4000000 && ulimit -v 3000000 && exec "
        + shlex.join([command_path(), "batch", str(manifest), "--out-dir", str(out)])
        + f" --threads {threads} --width 0"
    )
    result = subprocess.run(
        ["bash", "-c", script], capture_output=True, text=True, timeout=60, check=False
    )
    assert result.returncode == 1, result.stderr
    assert statuses(out / "status.tsv") == {
        "a": "aligned",
        "b": "failed",
        "c": "aligned",
        "d": "aligned",
    }
    for name in ("a", "c", "d"):
        assert (out / f"{name}.fa").read_text() == expected[name]
    lines = [line for line in result.stderr.splitlines() if "worker threads" in line]
    assert lines == [
        f"velbrin batch: started 0 of {threads} worker threads (Resource temporarily "
        "unavailable); the families run one at a time on the main thread"
    ]
