"""The wheel as a user gets it: built by pip from the tree, its contents and metadata, and
an install into a fresh virtual environment.  Slow (a full build): the test command runs it
in a stage of its own.  VELBRIN_PACKAGING_BUILD_DIR keeps the build tree between runs."""

import csv
import email.parser
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tomllib
import zipfile
from pathlib import Path

import pytest

TREE = Path(__file__).resolve().parents[2]
PROJECT = tomllib.loads((TREE / "pyproject.toml").read_text())["project"]
VERSION = PROJECT["version"]
DIST_INFO = f"velbrin-{VERSION}.dist-info"
COMMAND = f"velbrin-{VERSION}.data/scripts/velbrin"


def run(*command, **options):
    result = subprocess.run(command, capture_output=True, text=True, **options)
    assert result.returncode == 0, f"{command}:\n{result.stdout}{result.stderr}"
    return result.stdout


@pytest.fixture(scope="module")
def wheel(tmp_path_factory):
    wheel_dir = tmp_path_factory.mktemp("wheel")
    build_dir = os.environ.get("VELBRIN_PACKAGING_BUILD_DIR") or wheel_dir / "build"
    # No build isolation: the build backend is the environment's own, as no package index
    # may be reachable to fetch one.
    run(
        sys.executable,
        "-m",
        "pip",
        "wheel",
        "--quiet",
        "--no-build-isolation",
        "--no-deps",
        f"--config-settings=build-dir={build_dir}",
        "--wheel-dir",
        wheel_dir,
        TREE,
    )
    (path,) = wheel_dir.glob("velbrin-*.whl")
    return path


@pytest.fixture(scope="module")
def venv(wheel, tmp_path_factory):
    path = tmp_path_factory.mktemp("venv")
    run(sys.executable, "-m", "venv", "--without-pip", path)
    python = path / "bin" / "python"
    run(
        sys.executable,
        "-m",
        "pip",
        "--python",
        python,
        "install",
        "--quiet",
        "--no-deps",
        "--no-index",
        "--root-user-action=ignore",
        wheel,
    )
    return path


def test_wheel_holds_module_stubs_licence_and_command(wheel):
    with zipfile.ZipFile(wheel) as archive:
        names = set(archive.namelist())
        record = archive.read(f"{DIST_INFO}/RECORD").decode()
        command_mode = archive.getinfo(COMMAND).external_attr >> 16 if COMMAND in names else 0
    modules = {name for name in names if re.fullmatch(r"velbrin\.cpython-[^/]+\.so", name)}
    assert len(modules) == 1, names
    assert "velbrin-stubs/__init__.pyi" in names
    assert f"{DIST_INFO}/licenses/LICENSE" in names
    # The command is a script of the wheel: installers put it on the environment's PATH.
    assert COMMAND in names, names
    assert command_mode & 0o111, f"{COMMAND} is not executable ({command_mode:o})"
    recorded = {row[0] for row in csv.reader(io.StringIO(record)) if row}
    assert names <= recorded | {f"{DIST_INFO}/RECORD"}, names - recorded
    assert not [name for name in names if name.startswith("velbrin/")], "a package hides the module"


def test_metadata_states_licence_version_and_requirements(wheel):
    with zipfile.ZipFile(wheel) as archive:
        metadata = email.parser.Parser().parsestr(archive.read(f"{DIST_INFO}/METADATA").decode())
        licence = archive.read(f"{DIST_INFO}/licenses/LICENSE").decode()
    assert metadata["Version"] == VERSION
    assert metadata["License-Expression"] == "MIT"
    assert metadata.get_all("License-File") == ["LICENSE"]
    assert metadata["Requires-Python"] == PROJECT["requires-python"]
    assert "test" in metadata.get_all("Provides-Extra")
    assert licence == (TREE / "LICENSE").read_text()


def test_installed_wheel_imports_and_reports_its_version(venv):
    script = (
        "import importlib.metadata, json, velbrin\n"
        "print(json.dumps([importlib.metadata.version('velbrin'), velbrin.__file__,"
        " velbrin.attempt_iupac_substitution('RAT', ['GAT'])]))\n"
    )
    version, location, result = json.loads(run(venv / "bin" / "python", "-I", "-c", script))
    assert version == VERSION
    assert Path(location).is_relative_to(venv)
    assert result == "RAT"


def test_installed_command_is_on_the_environments_path(venv):
    environment = {"PATH": f"{venv / 'bin'}:/usr/bin:/bin"}
    assert shutil.which("velbrin", path=environment["PATH"]) == str(venv / "bin" / "velbrin")
    assert VERSION in run("velbrin", "--version", env=environment)


def test_mypy_finds_the_stubs_in_the_installed_environment(venv, tmp_path):
    pytest.importorskip("mypy")
    sample = tmp_path / "sample.py"
    sample.write_text("import velbrin\nreveal_type(velbrin.attempt_iupac_substitution)\n")
    result = subprocess.run(
        [
            sys.executable,
            "-m",
            "mypy",
            "--no-incremental",
            "--python-executable",
            venv / "bin" / "python",
            sample,
        ],
        capture_output=True,
        text=True,
        cwd=tmp_path,
    )
    revealed = '"def (original_triplet: str, taxa: typing.Sequence[str]) -> str | None"'
    assert f"sample.py:2: note: Revealed type is {revealed}" in result.stdout, result.stdout


def test_release_files_name_the_current_version():
    citation = (TREE / "CITATION.cff").read_text()
    assert re.search(rf'^version: "{re.escape(VERSION)}"$', citation, re.M)
    changelog = (TREE / "CHANGELOG.md").read_text()
    assert re.search(rf"^## \[{re.escape(VERSION)}\] - \d{{4}}-\d{{2}}-\d{{2}}$", changelog, re.M)
