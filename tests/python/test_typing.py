"""The stubs shipped beside the module: stubtest holds them against the module itself, and
mypy finds them where the wheel installs them, accepts sound calls and reports misuse."""

import re
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import velbrin

STUBS = Path(velbrin.__file__).parent / "velbrin-stubs"


@pytest.fixture(scope="module", autouse=True)
def installed_stubs_and_mypy():
    if not (STUBS / "__init__.pyi").is_file():
        pytest.skip("the module was not installed with its stubs")
    # A mypy installed for another interpreter can be found here and still fail to start.
    probe = subprocess.run([sys.executable, "-m", "mypy", "--version"], capture_output=True)
    if probe.returncode != 0:
        pytest.skip("mypy does not run on this interpreter")


SOUND_USE = """\
    import velbrin

    seqs = {"s1": (("s1", "MK*"), (0, "s1", "ATGAAATAA")), "s2": (("s2", "M"), (True, "s2", "ATG"))}
    alignment: str = velbrin.tarnix("gene", "aa.fa", "nt.fa", 11, seqs)

    table = {"M": ["ATG"], "K": ("AAA", "AAG")}
    records = {"s1": (("s1", "MK"), ("s1", "ATGAAR"))}
    alignment = velbrin.tarnix_original_args(
        _file_steem="gene", aa_path="aa.fa", nt_path="nt.fa", gene_table=table, seqs=records
    )

    found = velbrin.attempt_iupac_substitution("RAT", ["CCC", "GAT"])
    if found is not None:
        alignment = found.lower()
    assert velbrin.attempt_iupac_substitution(original_triplet="NNN", taxa=()) is None
"""

# Each line that must be reported ends with the error code mypy gives it.
MISUSE = """\
    import velbrin

    numbered = {"s1": (("s1", "M"), (0, "s1", "ATG"))}
    unnumbered = {"s1": (("s1", "M"), ("s1", "ATG"))}
    velbrin.tarnix("gene", "aa.fa", "nt.fa", "1", numbered)  # arg-type
    velbrin.tarnix("gene", "aa.fa", "nt.fa", 1, unnumbered)  # type-var
    velbrin.tarnix_original_args("gene", "aa.fa", "nt.fa", {"M": [1]}, unnumbered)  # type-var
    velbrin.tarnix_original_args("gene", "aa.fa", "nt.fa", {"M": ["ATG"]}, numbered)  # type-var
    velbrin.tarnix("gene", "aa.fa", "nt.fa", table=1, seqs=numbered)  # call-arg
    velbrin.attempt_iupac_substitution("RAT")  # call-arg
    velbrin.attempt_iupac_substitution("RAT", ["GAT"]).lower()  # union-attr
    velbrin.__version__  # attr-defined
"""


def expected_codes(source):
    return {
        (number, match[1])
        for number, line in enumerate(source.splitlines(), start=1)
        if (match := re.search(r"# ([a-z-]+)$", line))
    }


def test_stubs_match_the_built_module():
    result = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "--concise", "velbrin"],
        capture_output=True,
        text=True,
    )
    assert result.returncode == 0, result.stdout + result.stderr


def test_mypy_accepts_sound_use_and_reports_each_misuse(tmp_path):
    sources = {"sound_use.py": SOUND_USE, "misuse.py": MISUSE}
    for name, source in sources.items():
        (tmp_path / name).write_text(textwrap.dedent(source))
    result = subprocess.run(
        [
            sys.executable,
            "-m",
            "mypy",
            "--strict",
            "--no-incremental",
            "--show-error-codes",
            "--no-error-summary",
            "--python-executable",
            sys.executable,
            *sources,
        ],
        cwd=tmp_path,
        capture_output=True,
        text=True,
    )
    reported = {name: set() for name in sources}
    for match in re.finditer(r"^(\S+\.py):(\d+): error: .*\[([a-z-]+)\]$", result.stdout, re.M):
        reported[match[1]].add((int(match[2]), match[3]))
    expected = {"sound_use.py": set(), "misuse.py": expected_codes(textwrap.dedent(MISUSE))}
    assert reported == expected, result.stdout + result.stderr
