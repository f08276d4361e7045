"""The Snakemake workflow and the CWL tool of workflow/, run on the bundled families: each
must leave what `velbrin batch` leaves for the same families and options."""

import os
import re
import shutil
import subprocess
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
WORKFLOW = ROOT / "workflow"
FAMILIES = ROOT / "examples" / "families"
MANIFEST = FAMILIES / "manifest.tsv"
SECONDS = 6  # the status table's column of run times


def command_path():
    path = os.environ.get("VELBRIN_COMMAND") or shutil.which("velbrin")
    if not path:
        pytest.exit("no velbrin command: set VELBRIN_COMMAND or put it on PATH", returncode=1)
    return str(Path(path).resolve())


def tool(name):
    """The tool's path; without it the test is skipped, except in CI, where it fails."""
    path = shutil.which(name)
    if path is None:
        message = f"{name} is not installed"
        if os.environ.get("CI") == "true":
            pytest.fail(message)
        pytest.skip(message)
    return path


def run(*args, cwd, env=None):
    started = time.monotonic()
    result = subprocess.run(
        [*map(str, args)], capture_output=True, text=True, cwd=cwd, env=env, timeout=300
    )
    print(f"{Path(str(args[0])).name}: {time.monotonic() - started:.2f} s")
    return result


def environment():
    """The command's folder first on the PATH, for tools that call `velbrin` by name."""
    env = dict(os.environ)
    env["PATH"] = f"{Path(command_path()).parent}{os.pathsep}{env.get('PATH', '')}"
    return env


def outputs(folder):
    """{name: bytes} of the alignments and reports in `folder`."""
    kept = {".fa", ".phy", ".paml", ".aln", ".err"}
    return {path.name: path.read_bytes() for path in folder.iterdir() if path.suffix in kept}


def without_seconds(table):
    rows = [line.split("\t") for line in table.splitlines()]
    return [row[:SECONDS] + row[SECONDS + 1 :] for row in rows]


@pytest.fixture(scope="module")
def batch(tmp_path_factory):
    """`velbrin batch` over the bundled manifest, its paths absolute as the tools make them."""
    out = tmp_path_factory.mktemp("batch")
    result = run(command_path(), "batch", MANIFEST, "--out-dir", out, "-q", cwd=out)
    assert result.returncode == 1, result.stderr  # one bundled family is faulty
    return out


def snakemake(tmp_path, *config):
    return run(
        tool("snakemake"),
        "--snakefile", WORKFLOW / "Snakefile",
        "--directory", tmp_path,
        "--cores", "2",
        "--config", f"manifest={MANIFEST}", "out_dir=aligned", f"velbrin={command_path()}",
        *config,
        cwd=tmp_path,
    )  # fmt: skip


def test_snakemake_leaves_what_batch_leaves_and_reruns_nothing(batch, tmp_path):
    first = snakemake(tmp_path)
    assert first.returncode == 0, first.stdout + first.stderr
    aligned = tmp_path / "aligned"
    assert outputs(aligned) == outputs(batch)
    assert "failed" in (aligned / "status.tsv").read_text()
    assert without_seconds((aligned / "status.tsv").read_text()) == without_seconds(
        (batch / "status.tsv").read_text()
    )

    rerun = snakemake(tmp_path, "--dry-run")
    assert rerun.returncode == 0, rerun.stdout + rerun.stderr
    assert "Nothing to be done" in rerun.stdout + rerun.stderr


def test_snakemake_on_folders_leaves_what_batch_leaves(tmp_path):
    peptides = tmp_path / "peptides"
    shutil.copytree(FAMILIES / "peptides", peptides)
    shutil.copy(peptides / "recA.faa", peptides / "lonely.faa")  # no nucleotide partner
    nucleotides = FAMILIES / "nucleotides"
    batch = tmp_path / "batch"
    folders = ["--peptides", peptides, "--nucleotides", nucleotides]
    ran = run(command_path(), "batch", *folders, "--out-dir", batch, "-q", cwd=tmp_path)
    assert ran.returncode == 1, ran.stderr  # the family without nucleotides

    result = snakemake(tmp_path, "manifest=", f"peptides={peptides}", f"nucleotides={nucleotides}")
    assert result.returncode == 0, result.stdout + result.stderr
    aligned = tmp_path / "aligned"
    assert outputs(aligned) == outputs(batch)
    assert "lonely.err" in outputs(aligned)
    assert without_seconds((aligned / "status.tsv").read_text()) == without_seconds(
        (batch / "status.tsv").read_text()
    )


def test_snakemake_stops_at_a_failing_family_when_asked(tmp_path):
    result = snakemake(tmp_path, "fail_on_error=true")
    assert result.returncode != 0
    assert list((tmp_path / "aligned").glob("*.err"))
    assert not (tmp_path / "aligned" / "status.tsv").exists()


@pytest.mark.parametrize("name", ["velbrin-align.cwl", "velbrin-families.cwl"])
def test_cwl_documents_are_valid(name, tmp_path):
    result = run(tool("cwltool"), "--validate", WORKFLOW / "cwl" / name, cwd=tmp_path)
    assert result.returncode == 0, result.stdout + result.stderr


def test_cwl_scatter_leaves_what_batch_leaves(batch, tmp_path):
    out = tmp_path / "aligned"
    result = run(
        tool("cwltool"),
        "--no-container",
        "--outdir", out,
        WORKFLOW / "cwl" / "velbrin-families.cwl",
        WORKFLOW / "cwl" / "families-job.yaml",
        cwd=tmp_path,
        env=environment(),
    )  # fmt: skip
    assert result.returncode == 0, result.stdout + result.stderr
    # cwltool stages the inputs elsewhere: the reports name the files where it put them
    assert named_by_file(outputs(out)) == named_by_file(outputs(batch))


def named_by_file(files):
    """The outputs with every "(folder/name)" label of a report cut to "(name)"."""
    return {
        name: re.sub(rb"\((?:[^()\s]*/)([^/()\s]+)\)", rb"(\1)", data)
        for name, data in files.items()
    }


def test_slurm_script_is_valid_bash():
    result = subprocess.run(["bash", "-n", WORKFLOW / "slurm" / "velbrin-array.sh"])
    assert result.returncode == 0
